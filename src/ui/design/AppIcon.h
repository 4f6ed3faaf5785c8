#pragma once
// Kelvaro's application icon, drawn here (an orange rounded square holding a white three-part
// wheel), and AppLogo, the widget that shows it in the sidebar, onboarding and about section.
// Main thread.
#include <QIcon>
#include <QImage>
#include <QWidget>

namespace kelvaro {

namespace AppIcon {
// The icon at `pixels` × `pixels`.
QImage image(int pixels);
// The icon in the usual sizes, for windows and the tray.
QIcon icon();
} // namespace AppIcon

class AppLogo : public QWidget {
    Q_OBJECT
public:
    explicit AppLogo(int size, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {m_size, m_size}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_size;
};

} // namespace kelvaro
