#include "ui/sheets/ShelfSheet.h"

#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/FocusRing.h"
#include "ui/design/Symbols.h"
#include "ui/design/Text.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {
constexpr int kRowPadding = 10;
constexpr int kRowSpacing = 10;
constexpr int kSymbolBox = 24;
constexpr int kGlyph = 16;
constexpr int kCheck = 18;

bool isBlankInLine(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}
} // namespace

// ---- ShelfRow ------------------------------------------------------------------------------------

ShelfRow::ShelfRow(const Shelf& shelf, QWidget* parent) : QAbstractButton(parent), m_shelf(shelf)
{
    setText(shelf.name);
    setAccessibleName(shelf.name);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QColor ShelfRow::color() const
{
    return Theme::paletteColor(m_shelf.colorIndex);
}

void ShelfRow::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

QSize ShelfRow::sizeHint() const
{
    const QFontMetrics metrics(Theme::font(TextStyle::body));
    const int content = qMax(kCheck, metrics.height());
    return {kSymbolBox + metrics.horizontalAdvance(text()) + kCheck + 3 * kRowSpacing + 2 * kRowPadding,
            content + 2 * kRowPadding};
}

QSize ShelfRow::minimumSizeHint() const
{
    return {kSymbolBox + kCheck + 80, sizeHint().height()};
}

void ShelfRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    QPainterPath background;
    background.addRoundedRect(QRectF(rect()), 10, 10);
    QColor fill = m_selected ? Theme::ember() : Theme::primaryAt(dark, 1.0);
    fill.setAlphaF(m_selected ? 0.12f : (isDown() ? 0.08f : 0.04f));
    p.fillPath(background, fill);
    if (showsFocusRing(this)) {
        p.setPen(QPen(Theme::ember(), 1.5));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 9.25, 9.25);
    }

    const QRectF inner = QRectF(rect()).adjusted(kRowPadding, kRowPadding, -kRowPadding, -kRowPadding);
    const qreal midY = inner.center().y();
    Symbols::paint(p, QRectF(inner.left() + (kSymbolBox - kGlyph) / 2.0, midY - kGlyph / 2.0, kGlyph, kGlyph),
                   m_shelf.symbol, color());

    const QRectF check(inner.right() - kCheck, midY - kCheck / 2.0, kCheck, kCheck);
    if (m_selected)
        Symbols::paint(p, check, QStringLiteral("checkmark.circle.fill"), Theme::ember());
    else
        Symbols::paint(p, check, QStringLiteral("circle"), Theme::secondary().resolve(dark));

    const QFont font = Theme::font(TextStyle::body);
    p.setFont(font);
    p.setPen(Theme::primary().resolve(dark));
    const QRectF name(inner.left() + kSymbolBox + kRowSpacing, inner.top(),
                      check.left() - kRowSpacing - (inner.left() + kSymbolBox + kRowSpacing), inner.height());
    p.drawText(name, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(font).elidedText(m_shelf.name, Qt::ElideRight, int(name.width())));
}

// ---- ShelfSheet ----------------------------------------------------------------------------------

ShelfSheet::ShelfSheet(KelvaroStore& store, QWidget* parent)
    : SheetFrame(LKey("Na polici"), QStringLiteral("tray.full"), LKey("Odložit"), parent),
      m_store(&store)
{
    m_list = new QScrollArea(this);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setWidgetResizable(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* rows = new QWidget(m_list);
    rows->setAutoFillBackground(false);
    m_list->viewport()->setAutoFillBackground(false);
    m_listColumn = new QVBoxLayout(rows);
    m_listColumn->setContentsMargins(0, 0, 0, 0);
    m_listColumn->setSpacing(6);
    m_list->setWidget(rows);
    addContent(m_list);

    m_name = new QLineEdit(this);
    m_name->setPlaceholderText(L("…nebo vytvoř novou polici"));
    m_name->setAccessibleName(m_name->placeholderText());
    m_name->setTextMargins(4, 3, 4, 3);
    // A name another shelf bears, in any letter case, would share its folder on disk and could
    // never be saved in the shelf editor: the rule and the line of "Nová police".
    auto* named = new QWidget(this);
    auto* nameColumn = new QVBoxLayout(named);
    nameColumn->setContentsMargins(0, 0, 0, 0);
    nameColumn->setSpacing(6);
    m_name->setParent(named);
    nameColumn->addWidget(m_name);
    m_taken = new Text(L("Police s tímto názvem už existuje."), TextStyle::caption, named);
    m_taken->setObjectName(QStringLiteral("taken"));
    m_taken->setColor(Theme::rose());
    m_taken->hide();
    nameColumn->addWidget(m_taken);
    addContent(named);
    connect(m_name, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_newName = text;
        if (!text.isEmpty())
            m_selected.reset(); // spaces count: whoever types means a new shelf
        refresh();
    });

    connect(&store, &KelvaroStore::shelvesChanged, this, &ShelfSheet::rebuildRows);
    rebuildRows();
    if (!store.canPersist()) {
        // The store refuses every shelf while the stored ones cannot be read: nothing to type.
        m_unread = addCaption(L("Uložené police se nepodařilo přečíst, proto je nechávám beze změny a další nepřidám."),
                              TextStyle::callout);
        m_unread->setObjectName(QStringLiteral("unread"));
        m_unread->setColor(Theme::rose());
        m_list->hide();
        named->hide();
        refresh();
        return;
    }
    m_name->setFocus();
}

bool ShelfSheet::isRunnable(const Request& request)
{
    if (request.shelfID)
        return true;
    for (QChar c : request.newName)
        if (!isBlankInLine(c))
            return true;
    return false;
}

std::function<void()> ShelfSheet::runClosure() const
{
    return [target = m_store, request = currentRequest()] {
        // The shelves may have changed while the sheet closed.
        if (target && (request.shelfID || !target->shelfNameTaken(request.newName)))
            target->addToShelf(request.shelfID, request.newName);
    };
}

void ShelfSheet::rowClicked(const QUuid& id)
{
    if (m_selected == id)
        m_selected.reset();
    else
        m_selected = id;
    m_name->clear();
    refresh();
}

void ShelfSheet::rebuildRows()
{
    qDeleteAll(m_rows);
    m_rows.clear();
    const QList<Shelf> shelves = m_store ? m_store->shelves() : QList<Shelf>();
    // A picked shelf that has gone would put the files onto a new, unnamed shelf instead.
    if (m_selected && std::none_of(shelves.begin(), shelves.end(), [this](const Shelf& s) { return s.id == *m_selected; }))
        m_selected.reset();
    QWidget* holder = m_list->widget();
    for (const Shelf& shelf : shelves) {
        auto* row = new ShelfRow(shelf, holder);
        const QUuid id = shelf.id;
        connect(row, &QAbstractButton::clicked, this, [this, id] { rowClicked(id); });
        m_listColumn->addWidget(row);
        m_rows.append(row);
    }
    int height = 0;
    for (const ShelfRow* row : std::as_const(m_rows))
        height += row->sizeHint().height();
    height += m_listColumn->spacing() * qMax(0, int(m_rows.size()) - 1);
    m_list->setFixedHeight(qMin(height, listMaxHeight));
    m_list->setVisible(!m_rows.isEmpty() && !m_unread);
    refresh();
}

void ShelfSheet::refresh()
{
    for (ShelfRow* row : std::as_const(m_rows))
        row->setSelected(m_selected == row->shelf().id);
    const bool taken = !m_selected && m_store && m_store->shelfNameTaken(m_newName);
    m_taken->setVisible(taken);
    setCanRun(!m_unread && !taken && isRunnable(currentRequest()));
}

bool ShelfSheet::nameTakenShown() const
{
    return !m_taken->isHidden();
}

} // namespace kelvaro
