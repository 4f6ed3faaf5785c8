#include "ui/design/EmptyStateView.h"

#include <QPainter>
#include <QPainterPath>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/design/DesignSystem.h"
#include "ui/design/Symbols.h"

namespace kelvaro {
namespace {

class Illustration : public QWidget {
public:
    Illustration(const QString& symbol, QWidget* parent) : QWidget(parent), m_symbol(symbol) { setFixedSize(150, 150); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(75, 75);
        QColor disc = Theme::ember();
        disc.setAlphaF(0.14f);
        p.setPen(Qt::NoPen);
        p.setBrush(disc);
        p.drawEllipse(c, 60, 60);
        QColor ring = Theme::ember();
        ring.setAlphaF(0.35f);
        QPen dashed(ring, 1.5, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
        dashed.setDashPattern({5 / 1.5, 6 / 1.5});
        p.setPen(dashed);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 74.25, 74.25); // inner edge of a 1.5 stroke on the 150 circle
        const QRectF glyph(75 - 26, 75 - 26, 52, 52);
        Symbols::paint(p, glyph, m_symbol, Theme::ember(), 1.25);
    }

private:
    QString m_symbol;
};

class Capsule : public QWidget {
public:
    Capsule(const QString& text, QWidget* parent) : QWidget(parent), m_text(text)
    {
        setAccessibleName(text);
        const QFontMetrics metrics(Theme::font(TextStyle::caption, QFont::DemiBold));
        setFixedSize(metrics.horizontalAdvance(text) + 20, metrics.height() + 8);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor fill = Theme::ember();
        fill.setAlphaF(0.14f);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
        p.fillPath(path, fill);
        p.setFont(Theme::font(TextStyle::caption, QFont::DemiBold));
        p.setPen(Theme::ember());
        p.drawText(rect(), Qt::AlignCenter, m_text);
    }

private:
    QString m_text;
};

} // namespace

EmptyStateView::EmptyStateView(const QString& symbol, const QString& title, const QString& message,
                               const std::optional<QString>& badge, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(40, 40, 40, 40);
    column->setSpacing(16);
    column->addStretch(1);
    column->addWidget(new Illustration(symbol, this), 0, Qt::AlignHCenter);
    m_title = new Text(title, TextStyle::title2, this);
    m_title->setTextFont(Theme::font(TextStyle::title2, QFont::Bold));
    m_title->setAlignment(Qt::AlignCenter);
    column->addWidget(m_title, 0, Qt::AlignHCenter);
    m_message = new Text(message, TextStyle::body, this);
    m_message->setColor(Theme::secondary());
    m_message->setWrap(true);
    m_message->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_message->setMaximumWidth(380);
    // Its height comes from the width it gets: centred between stretches rather than by alignment
    // (an aligned item is measured at the column's whole width), and free to grow past the height
    // of its one-line hint, or the lines it wraps into at 380 would be cut off.
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    m_message->setSizePolicy(policy);
    auto* messageRow = new QHBoxLayout();
    messageRow->setContentsMargins(0, 0, 0, 0);
    messageRow->addStretch(1);
    messageRow->addWidget(m_message, 100);
    messageRow->addStretch(1);
    column->addLayout(messageRow);
    if (badge) {
        m_badge = new Capsule(*badge, this);
        column->addWidget(m_badge, 0, Qt::AlignHCenter);
    }
    column->addStretch(1);
}

} // namespace kelvaro
