#pragma once
// The "about" tab: logo, name, tagline and version; the privacy promise (three pills and a
// paragraph); the privacy policy and the application's web page; the update row, a front end of
// the update checker (check, its result, a newer release with its notes and "Stáhnout", the
// automatic-check box); the support page; the closing line. Without a release feed the update
// row and every word of update checks are left out; a web address the build does not set hides
// its button. The page does not scroll: it fits the settings window's fixed frame, its gaps
// closing as far as the content needs. Nothing runs when the tab is shown. Retranslates in
// place. Main thread; built by the settings window.
#include <functional>
#include <utility>

#include <QList>
#include <QUrl>
#include <QWidget>

#include "ui/settings/AboutInfo.h"

class QCheckBox;
class QVBoxLayout;

namespace kelvaro {

class KelvaroButton;
class Text;

class Spinner;

namespace settings {

class UpdateSource;

class AboutSection : public QWidget {
    Q_OBJECT
public:
    // `updates` may be null (no checker: as without a feed); `openUrl` opens a web page.
    AboutSection(UpdateSource* updates, AboutInfo info, std::function<void(const QUrl&)> openUrl, QWidget* parent = nullptr);

    // Opens the privacy policy window-modally over this page.
    void showPolicy();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void refreshUpdates();
    // Closes the gaps between the page's items as far as needed to fit its height.
    void fitGaps();

    UpdateSource* m_updates;
    QVBoxLayout* m_column;
    QList<std::pair<QVBoxLayout*, int>> m_gapColumns; // the columns whose gaps may close, with their full gap
    AboutInfo m_info;
    std::function<void(const QUrl&)> m_openUrl;
    QWidget* m_updateRow = nullptr;
    QWidget* m_availableBox = nullptr;
    Text* m_available = nullptr;
    Text* m_notes = nullptr;
    QWidget* m_checkRow = nullptr;
    KelvaroButton* m_check = nullptr;
    Spinner* m_spinner = nullptr;
    Text* m_status = nullptr;
    QCheckBox* m_autoCheck = nullptr;
};

} // namespace settings
} // namespace kelvaro
