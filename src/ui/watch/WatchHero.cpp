#include "ui/watch/WatchHero.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "l10n/Localization.h"

namespace kelvaro {
namespace {

// A symbol and a word on a capsule of the brand tint.
class Capsule : public QWidget {
public:
    Capsule(const QString& symbol, const QString& text, QWidget* parent) : QWidget(parent)
    {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(10, 5, 10, 5);
        row->setSpacing(5);
        auto* glyph = new SymbolView(symbol, 11, this);
        glyph->setColor(Theme::emberText());
        row->addWidget(glyph, 0, Qt::AlignVCenter);
        auto* label = new Text(text, TextStyle::caption, this);
        label->setStyle(TextStyle::caption, QFont::DemiBold);
        label->setColor(Theme::emberText());
        row->addWidget(label, 0, Qt::AlignVCenter);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor tint = Theme::ember();
        tint.setAlphaF(0.14f);
        QPainterPath path;
        const QRectF r(rect());
        path.addRoundedRect(r, r.height() / 2, r.height() / 2);
        p.fillPath(path, tint);
    }
};

QWidget* step(const QString& symbol, const QString& title, const QColor& color, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(new IconBadge(symbol, color, 52, true, box), 0, Qt::AlignHCenter);
    auto* label = new Text(title, TextStyle::caption, box);
    label->setStyle(TextStyle::caption, QFont::DemiBold);
    label->setColor(Theme::secondary());
    column->addWidget(label, 0, Qt::AlignHCenter);
    return box;
}

// The wrapped texts of the hero take the height their width needs.
void wraps(Text* text)
{
    text->setWrap(true);
    QSizePolicy grows(QSizePolicy::Preferred, QSizePolicy::Minimum);
    grows.setHeightForWidth(true);
    text->setSizePolicy(grows);
}

} // namespace

WatchHero::WatchHero(std::function<void()> onAdd, QWidget* parent) : Card(20, parent)
{
    setObjectName(QStringLiteral("watchHero"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(28, 28, 28, 28);
    row->setSpacing(28);

    auto* texts = new QVBoxLayout();
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(10);
    texts->addWidget(new Capsule(QStringLiteral("eye.fill"), L("Automatizace"), this), 0, Qt::AlignLeft);
    auto* title = new Text(L("Hoď fotku do složky. Zbytek udělá Kelvaro."), TextStyle::display, this);
    title->setObjectName(QStringLiteral("title"));
    wraps(title);
    texts->addWidget(title);
    auto* body = new Text(L("Vyber složku a postup. Každý nový obrázek se sám zmenší, převede nebo vyčistí a výsledek najdeš "
                            "ve složce pro výsledky. Originály zůstávají nedotčené."),
                          TextStyle::callout, this);
    body->setObjectName(QStringLiteral("body"));
    body->setColor(Theme::secondary());
    body->setExtraLineSpacing(2);
    wraps(body);
    texts->addWidget(body);
    texts->addSpacing(4);
    m_add = new KelvaroButton(L("Přidat složku"), KelvaroButton::Kind::primary, this);
    m_add->setObjectName(QStringLiteral("add"));
    m_add->setSymbol(QStringLiteral("plus"));
    connect(m_add, &QAbstractButton::clicked, this, [onAdd] {
        if (onAdd)
            onAdd();
    });
    texts->addWidget(m_add, 0, Qt::AlignLeft);
    row->addLayout(texts, 1);
    row->addWidget(flowDiagram(), 0, Qt::AlignVCenter);
}

QWidget* WatchHero::flowDiagram()
{
    auto* diagram = new QWidget(this);
    diagram->setObjectName(QStringLiteral("flow"));
    diagram->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(diagram);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    const auto arrow = [diagram] {
        auto* box = new QWidget(diagram);
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(0, 0, 0, 24); // level with the badges, not with the captions
        auto* glyph = new SymbolView(QStringLiteral("chevron.right"), 11, box);
        glyph->setColor(Theme::tertiary());
        glyph->setWeight(1.4);
        column->addWidget(glyph);
        return box;
    };
    row->addWidget(step(QStringLiteral("folder.fill"), L("Nový soubor"), Theme::violet(), diagram));
    row->addWidget(arrow(), 0, Qt::AlignVCenter);
    row->addWidget(step(QStringLiteral("bolt.fill"), L("Tvůj postup"), Theme::ember(), diagram));
    row->addWidget(arrow(), 0, Qt::AlignVCenter);
    row->addWidget(step(QStringLiteral("checkmark.circle.fill"), L("Hotovo"), Theme::teal(), diagram));
    return diagram;
}

} // namespace kelvaro
