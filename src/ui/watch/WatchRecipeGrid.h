#pragma once
// The ready-made ideas of the watch screen: a header ("Začni nápadem" before the first watched
// folder, "Další nápady" after) over the four recipes in as many columns of at least 260 px as
// fit; picking one asks for a new watch with its action. Main thread; created by WatchView.
#include <functional>

#include <QAbstractButton>
#include <QList>
#include <QWidget>

#include "watch/WatchModels.h"

class QVariantAnimation;

namespace kelvaro {

class CardHeader;
class Text;

// One idea: its badge, title and subtitle (both looked up) and a plus in its colour, on a card
// whose whole rectangle is the click; an outline in its colour fades in while the pointer is over
// it.
class WatchRecipeCard : public QAbstractButton {
    Q_OBJECT
public:
    explicit WatchRecipeCard(const WatchRecipe& recipe, QWidget* parent = nullptr);
    const WatchRecipe& recipe() const { return m_recipe; }
    // 0 without the pointer, 1 with it; eased over 0.15 s.
    qreal outlineAmount() const { return m_outline; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void animateOutline(qreal to);

    WatchRecipe m_recipe;
    qreal m_outline = 0;
    QVariantAnimation* m_animation;
};

class WatchRecipeGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int minColumnWidth = 260;
    static constexpr int spacing = 12;

    WatchRecipeGrid(bool isEmpty, std::function<void(const WatchRecipe&)> onPick, QWidget* parent = nullptr);

    // The colour token of a recipe.
    static QColor color(WatchRecipe::Color color);
    // How many columns a grid `width` px wide holds (at least one).
    static int columns(int width);

    void setEmpty(bool isEmpty);
    QString title() const;
    QList<WatchRecipeCard*> cards() const { return m_cards; }
    int columnCount() const { return m_columns; }

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Places the header and the cards for `width`; gives the height they take.
    int arrange(int width, bool apply) const;

    bool m_isEmpty;
    CardHeader* m_header = nullptr;
    QList<WatchRecipeCard*> m_cards;
    mutable int m_columns = 0;
};

} // namespace kelvaro
