#pragma once
// The cards of the guide page: one per wheel with a row for each of its slices, a card of topics
// (the parts of the application; results and privacy) and the card of keyboard shortcuts. Built
// once from the guide's content with the texts of the current language; only the wheel card's
// link acts, on the store. Main thread; created by GuideView.
#include <QList>
#include <QWidget>

#include "engine/GuideContent.h"
#include "engine/Models.h"
#include "ui/design/DesignSystem.h"

namespace kelvaro {

class AdaptiveGridLayout;
class KelvaroStore;

// A text wrapped to its width that may grow to every line it needs (a plain wrapped Text keeps to
// the height of its widest layout), in the secondary colour.
Text* guideParagraph(const QString& text, TextStyle style, QWidget* parent);

// One slice: its symbol, its name with the one-line detail (when it has one) and the paragraph
// that explains it, on a faint rounded panel as wide as its grid cell.
class ActionGuideRow : public QWidget {
    Q_OBJECT
public:
    explicit ActionGuideRow(const WheelAction& action, QWidget* parent = nullptr);
    // The detail next to the name; null when the slice has none.
    Text* detailText() const { return m_detail; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Text* m_detail = nullptr;
};

// A wheel: its badge, "Kolo …" with what the wheel does, the link "Otevřít kolo" (that wheel on
// the home screen), its modifier keys, and a grid of its slices (columns of at least 300).
class WheelGuideCard : public Card {
    Q_OBJECT
public:
    WheelGuideCard(KelvaroStore& store, WheelMode mode, QWidget* parent = nullptr);
    WheelMode mode() const { return m_mode; }
    CardHeader* header() const { return m_header; }
    QList<ActionGuideRow*> rows() const { return m_rows; }
    // The one-line description under the card's title; looked up.
    static QString subtitle(WheelMode mode);

private:
    WheelMode m_mode;
    CardHeader* m_header;
    QList<ActionGuideRow*> m_rows;
};

// A titled list of topics, each with a badge, its title and its text; a divider between two
// topics, none after the last.
class TopicsCard : public Card {
    Q_OBJECT
public:
    TopicsCard(const QString& title, const QString& subtitle, const QList<GuideTopic>& topics, QWidget* parent = nullptr);
    // The dividers in order: the one after topic i is dividers()[i].
    QList<Divider*> dividers() const { return m_dividers; }

private:
    QList<Divider*> m_dividers;
};

// The keyboard shortcuts of the guide's content, in a grid of columns of at least 220.
class ShortcutsCard : public Card {
    Q_OBJECT
public:
    explicit ShortcutsCard(QWidget* parent = nullptr);
};

} // namespace kelvaro
