#pragma once
// Readout: a short text with a number that changes while something moves ("85 %", "+40",
// "3 z 12"), in one of the theme's styles and colours. Every digit is laid in a cell as wide as
// the font's widest digit, so "111 %" takes exactly the room of "100 %" and a readout aligned to
// its trailing edge keeps still while a slider is dragged: the interface font's digits are
// proportional, and Qt 6.4 cannot switch on a font's tabular figures. Main thread; created by
// the sheets, editors and queue lines.
#include <variant>

#include <QWidget>

#include "ui/design/Theme.h"

namespace kelvaro {

class Readout : public QWidget {
    Q_OBJECT
public:
    explicit Readout(TextStyle style = TextStyle::body, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void setTextFont(const QFont& font);
    QFont textFont() const { return m_font; }
    // A theme colour resolved for the widget's appearance, or a fixed one.
    void setColor(const DynamicColor& color);
    void setColor(const QColor& color);
    QColor resolvedColor() const;
    void setAlignment(Qt::Alignment alignment);

    // The width of `text` in `font`, logical pixels, each ASCII digit counted as the widest one.
    static qreal advance(const QString& text, const QFont& font);
    // The stretches `text` is drawn in: every digit alone, centred in its cell, every other
    // stretch whole (so it keeps its kerning); x in logical pixels from the text's start.
    struct Run {
        qreal x;
        QString text;
    };
    static QList<Run> runs(const QString& text, const QFont& font);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QFont m_font;
    std::variant<DynamicColor, QColor> m_color = Theme::primary();
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

} // namespace kelvaro
