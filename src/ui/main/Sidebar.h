#pragma once
// The main window's sidebar: the brand header, the sections (Domů, Postupy, Sledované složky;
// "Knihovna": Police, Historie; "Nápověda": Průvodce) and the footer with the privacy line, the
// screenshot-studio button and the settings button. The selection lives in the store
// (sidebarSelection): a click writes it, and the highlighted row follows it. Main thread;
// created by ContentView.
#include <functional>
#include <optional>

#include <QAbstractButton>
#include <QHash>
#include <QWidget>

#include "model/Models.h"

class QToolButton;

namespace kelvaro {

class KelvaroStore;

class SidebarRow : public QAbstractButton {
    Q_OBJECT
public:
    SidebarRow(SidebarItem item, QWidget* parent = nullptr);
    SidebarItem item() const { return m_item; }
    bool isHighlighted() const { return isChecked(); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    SidebarItem m_item;
    bool m_hovering = false;
};

class Sidebar : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> openSettings;
        std::function<void()> openStudio;
    };
    Sidebar(KelvaroStore& store, Actions actions, QWidget* parent = nullptr);

    SidebarRow* row(SidebarItem item) const { return m_rows.value(int(item)); }
    QList<SidebarRow*> rows() const;
    QToolButton* studioButton() const { return m_studio; }
    QToolButton* settingsButton() const { return m_settings; }
    // Shows the studio button exactly when "kelvaro.studio.enabled" is true and no demo content
    // is shown.
    void refreshFooter();

    static constexpr int minimumWidth = 200;
    static constexpr int idealWidth = 220;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void syncSelection();

    KelvaroStore& m_store;
    QHash<int, SidebarRow*> m_rows;
    QToolButton* m_studio = nullptr;
    QToolButton* m_settings = nullptr;
};

} // namespace kelvaro
