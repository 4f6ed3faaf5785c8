#pragma once
// A text button in the link style (ember text, underlined while hovered).
// Main thread; created by the screens.
#include <QAbstractButton>

#include "ui/design/Text.h"

namespace kelvaro {

class LinkButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit LinkButton(const QString& title, TextStyle style = TextStyle::callout, QWidget* parent = nullptr);
    void setTextFont(const QFont& font);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QFont m_font;
    bool m_hovering = false;
};

} // namespace kelvaro
