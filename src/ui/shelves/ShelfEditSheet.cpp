#include "ui/shelves/ShelfEditSheet.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "store/KelvaroStore.h"
#include "ui/design/FocusRing.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

QLinearGradient gradientOf(const QRectF& rect, const QColor& color)
{
    // The design system's gradient of a colour, as its filled badges draw it.
    QLinearGradient g(rect.topLeft(), rect.bottomLeft());
    g.setColorAt(0, color.lighter(112));
    g.setColorAt(1, color.darker(108));
    return g;
}

// One colour of the palette: a 28-px dot with a ring 4 px outside it while it is the choice.
class ColorDot : public QAbstractButton {
public:
    ColorDot(int index, QWidget* parent) : QAbstractButton(parent), m_index(index)
    {
        setFixedSize(36, 36);
        setCheckable(true); // the checked state tells assistive technology which colour is chosen
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setAccessibleName(Lf("Barva %lld", index + 1));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF dot(4, 4, 28, 28);
        QPainterPath circle;
        circle.addEllipse(dot);
        p.fillPath(circle, gradientOf(dot, Theme::palette().at(m_index)));
        if (isChecked() || showsFocusRing(this)) {
            // The keys' ring is ember also on the chosen colour, whose own ring it replaces.
            const QColor ring = showsFocusRing(this) ? Theme::ember() : Theme::primaryAt(this, 0.8);
            p.setPen(QPen(ring, 2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(1, 1, 34, 34));
        }
    }

private:
    int m_index;
};

// One icon choice: the symbol on a rounded cell, white on the shelf's colour when chosen.
class IconCell : public QAbstractButton {
public:
    IconCell(const QString& symbol, QWidget* parent) : QAbstractButton(parent), m_symbol(symbol)
    {
        setMinimumSize(10, 38);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setAccessibleName(symbol);
    }
    void setColor(const QColor& color)
    {
        m_color = color;
        update();
    }
    QSize sizeHint() const override { return {56, 38}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r(rect());
        QPainterPath cell;
        cell.addRoundedRect(r, 10, 10);
        const bool dark = Theme::isDark(this);
        if (isChecked())
            p.fillPath(cell, gradientOf(r, m_color));
        else
            p.fillPath(cell, Theme::primaryAt(dark, 0.06));
        if (showsFocusRing(this)) {
            // Ember would vanish on a chosen tile in the shelf's colour (ember is one of them): there
            // the ring is white, inside the edge, as the workflow editor's chosen symbol draws it.
            if (isChecked()) {
                p.setPen(QPen(Qt::white, 1.5));
                p.drawRoundedRect(r.adjusted(2.75, 2.75, -2.75, -2.75), 7.25, 7.25);
            } else {
                p.setPen(QPen(Theme::ember(), 1.5));
                p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 9, 9);
            }
        }
        const QColor glyph = isChecked() ? QColor(Qt::white) : Theme::primary().resolve(dark);
        Symbols::paint(p, QRectF(r.center().x() - 8, r.center().y() - 8, 16, 16), m_symbol, glyph, 1.15);
    }

private:
    QString m_symbol;
    QColor m_color;
};

Text* caption(const QString& text, QWidget* parent)
{
    auto* label = new Text(text, TextStyle::caption, parent);
    label->setStyle(TextStyle::caption, QFont::DemiBold);
    label->setColor(Theme::secondary());
    return label;
}

} // namespace

const QStringList& ShelfEditSheet::symbols()
{
    static const QStringList list{
        QStringLiteral("folder.fill"),     QStringLiteral("star.fill"),          QStringLiteral("heart.fill"),
        QStringLiteral("camera.fill"),     QStringLiteral("leaf.fill"),          QStringLiteral("bolt.fill"),
        QStringLiteral("mountain.2.fill"), QStringLiteral("shippingbox.fill"),   QStringLiteral("person.2.fill"),
        QStringLiteral("briefcase.fill"),  QStringLiteral("airplane"),           QStringLiteral("house.fill"),
        QStringLiteral("graduationcap.fill"), QStringLiteral("gift.fill"),       QStringLiteral("music.note"),
        QStringLiteral("flag.fill"),       QStringLiteral("sun.max.fill"),       QStringLiteral("pawprint.fill"),
        QStringLiteral("fork.knife"),      QStringLiteral("cart.fill"),
    };
    return list;
}

int ShelfEditSheet::initialColorIndex(int stored)
{
    return stored % int(Theme::palette().size());
}

ShelfEditSheet::ShelfEditSheet(KelvaroStore& store, const Shelf& shelf, QWidget* parent)
    : SheetFrame(LKey("Upravit polici"), shelf.symbol, LKey("Uložit"), parent),
      m_store(store),
      m_id(shelf.id),
      m_values(std::make_shared<Values>(Values{shelf.name, shelf.symbol, initialColorIndex(shelf.colorIndex)}))
{
    setObjectName(QStringLiteral("shelfEditSheet"));

    auto* nameBox = new QVBoxLayout();
    nameBox->setSpacing(6);
    nameBox->addWidget(caption(L("Název"), this));
    m_name = new QLineEdit(shelf.name, this);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setPlaceholderText(L("Název police"));
    m_name->setTextMargins(4, 3, 4, 3);
    nameBox->addWidget(m_name);
    m_taken = new Text(L("Police s tímto názvem už existuje."), TextStyle::caption, this);
    m_taken->setObjectName(QStringLiteral("taken"));
    m_taken->setColor(Theme::rose());
    nameBox->addWidget(m_taken);
    addContent(nameBox);

    auto* colorBox = new QVBoxLayout();
    colorBox->setSpacing(8);
    colorBox->addWidget(caption(L("Barva"), this));
    auto* dots = new QHBoxLayout();
    dots->setSpacing(12 - 8); // the dots' own boxes hold 4 px of ring room on each side
    for (int i = 0; i < Theme::palette().size(); ++i) {
        auto* dot = new ColorDot(i, this);
        connect(dot, &QAbstractButton::clicked, this, [this, i] { setColorIndex(i); });
        m_dots << dot;
        dots->addWidget(dot);
    }
    dots->addStretch(1);
    colorBox->addLayout(dots);
    addContent(colorBox);

    auto* iconBox = new QVBoxLayout();
    iconBox->setSpacing(8);
    iconBox->addWidget(caption(L("Ikona"), this));
    auto* grid = new QGridLayout();
    grid->setSpacing(8);
    for (int i = 0; i < symbols().size(); ++i) {
        const QString symbol = symbols().at(i);
        auto* cell = new IconCell(symbol, this);
        connect(cell, &QAbstractButton::clicked, this, [this, symbol] { setSymbol(symbol); });
        m_cells << cell;
        grid->addWidget(cell, i / 5, i % 5);
    }
    iconBox->addLayout(grid);
    addContent(iconBox);

    connect(m_name, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_values->name = text;
        refresh();
    });
    QPointer<KelvaroStore> target(&store);
    const QUuid id = m_id;
    const std::shared_ptr<Values> values = m_values;
    setOnRun([target, id, values] {
        if (target)
            target->updateShelf(id, values->name.trimmed(), values->symbol, values->colorIndex);
    });
    refresh();
    m_name->setFocus();
}

QString ShelfEditSheet::name() const
{
    return m_values->name;
}

QString ShelfEditSheet::symbol() const
{
    return m_values->symbol;
}

int ShelfEditSheet::colorIndex() const
{
    return m_values->colorIndex;
}

bool ShelfEditSheet::nameTaken() const
{
    return m_store.shelfNameTaken(m_values->name.trimmed(), m_id);
}

bool ShelfEditSheet::canSave() const
{
    return !m_values->name.trimmed().isEmpty() && !nameTaken();
}

void ShelfEditSheet::setColorIndex(int index)
{
    m_values->colorIndex = index;
    refresh();
}

void ShelfEditSheet::setSymbol(const QString& symbol)
{
    m_values->symbol = symbol;
    refresh();
}

void ShelfEditSheet::refresh()
{
    const QColor colour = Theme::paletteColor(m_values->colorIndex);
    badge()->setColor(colour);
    badge()->setSymbol(m_values->symbol);
    m_taken->setVisible(nameTaken());
    for (int i = 0; i < m_dots.size(); ++i)
        m_dots[i]->setChecked(i == m_values->colorIndex);
    for (int i = 0; i < m_cells.size(); ++i) {
        m_cells[i]->setChecked(symbols().at(i) == m_values->symbol);
        static_cast<IconCell*>(m_cells[i])->setColor(colour);
    }
    setCanRun(canSave());
}

} // namespace kelvaro
