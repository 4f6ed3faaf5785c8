#pragma once
// Text: one line or a wrapped paragraph in one of the theme's styles and colours, the text widget
// of the design system. The colour is resolved for the appearance of the widget's palette, so a
// change of appearance repaints it without rebuilding. Main thread; created by the screens.
#include <optional>
#include <variant>

#include <QWidget>

#include "ui/design/Theme.h"

namespace kelvaro {

// Text in one of the theme's styles. One line by default (cut with an ellipsis where `elide`
// says), or wrapped to the width it is given.
class Text : public QWidget {
    Q_OBJECT
public:
    explicit Text(const QString& text = {}, TextStyle style = TextStyle::body, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    void setTextFont(const QFont& font);
    void setStyle(TextStyle style, std::optional<QFont::Weight> weight = std::nullopt);
    // A theme colour resolved for the widget's appearance, or a fixed one.
    void setColor(const DynamicColor& color);
    void setColor(const QColor& color);
    QColor resolvedColor() const;
    void setElide(Qt::TextElideMode mode);
    void setWrap(bool wrap);
    void setAlignment(Qt::Alignment alignment);
    void setExtraLineSpacing(int pixels);
    bool isElided() const; // whether the current width cuts the text

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return m_wrap; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int wrappedHeight(int width, QList<QPair<int, int>>* lines = nullptr) const;
    void changed();

    QString m_text;
    QFont m_font;
    std::variant<DynamicColor, QColor> m_color = Theme::primary();
    Qt::TextElideMode m_elide = Qt::ElideNone;
    bool m_wrap = false;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    int m_extraSpacing = 0;
};

} // namespace kelvaro
