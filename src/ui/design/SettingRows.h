#pragma once
// The pieces every settings page is built from: the row label (a coloured symbol tile, a title
// and an optional explanation), a grouped section (header, rows on a card, footer), the on/off
// switch and the scrolling page. Texts come from sources that are asked again whenever the
// interface language changes, so a page retranslates in place and keeps its state. Also the
// choice of the output folder that the settings and the onboarding share. Main thread.
#include <functional>
#include <optional>

#include <QAbstractButton>
#include <QColor>
#include <QScrollArea>
#include <QWidget>

class QVBoxLayout;

namespace kelvaro {

class Text;

namespace settings {

// A text as it reads now; asked again on every language change.
using TextSource = std::function<QString()>;

// Runs `apply` now and again whenever "kelvaro.language" changes, for as long as `owner` lives.
void followLanguage(QObject* owner, std::function<void()> apply);

// Lets `text` wrap onto as many lines as the width it is given needs (a fixed height taken from
// its one-line width would cut the further lines off).
void wrapToWidth(Text* text);

// The tile colours of the rows (the system's named colours).
namespace tint {
QColor blue();
QColor purple();
QColor orange();
QColor indigo();
QColor pink();
QColor gray();
QColor green();
} // namespace tint

// A filled 26-px symbol tile, 10 px from a column of the title and, when there is one, the
// subtitle in the caption style, wrapped onto as many lines as it needs.
class SettingLabel : public QWidget {
    Q_OBJECT
public:
    SettingLabel(const QString& symbol, const QColor& color, TextSource title, TextSource subtitle = {},
                 QWidget* parent = nullptr);
    QString title() const;
    QString subtitle() const; // empty without one
    // Asks the sources again (after the state they read has changed).
    void refresh();

private:
    TextSource m_titleSource;
    TextSource m_subtitleSource;
    Text* m_title;
    Text* m_subtitle = nullptr;
};

// A grouped section: the header above a card whose rows are split by hairlines, and the footer
// below it in the caption style. Rows are added in order; a hidden row hides its hairline too.
class SettingsSection : public QWidget {
    Q_OBJECT
public:
    explicit SettingsSection(TextSource header, TextSource footer = {}, QWidget* parent = nullptr);
    // Adds a row holding `content` (a widget or a layout) with the row padding around it.
    QWidget* addRow(QWidget* content);
    QWidget* addRow(QLayout* content);

private:
    QWidget* m_card;
    QVBoxLayout* m_rows;
    QList<QWidget*> m_dividers;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void updateDividers();
};

// An on/off switch: a 36 × 20 track, ember when on, outlined in the control border when off,
// with a white knob. A click toggles it. Its focus ring goes around the track with a gap, where
// it stands out from the window and from the ember of a switch that is on alike.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int ringRoom = 4; // px on each side of the track: the ring and its gap

    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {36 + 2 * ringRoom, 20 + 2 * ringRoom}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A page of a settings tab: a vertical scroll area over a column of sections, 20 px apart.
class SettingsPage : public QScrollArea {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget* parent = nullptr);
    void addSection(QWidget* section);
    QWidget* column() const { return m_column; }

private:
    QWidget* m_column;
    QVBoxLayout* m_layout;
};

// Asks for a results folder (starting at `current`) and remembers a chosen one. Returns the
// folder now remembered, resolved again: a choice that could not be remembered is not reported
// as chosen. A cancelled panel changes nothing.
std::optional<QString> chooseOutputFolder(const std::optional<QString>& current);

} // namespace settings
} // namespace kelvaro
