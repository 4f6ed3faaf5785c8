#pragma once
// A keyboard-key chip ("⌘O", "⇧⌥"); the text is shown as given, never translated.
// Main thread; created by the screens.
#include <QWidget>

namespace kelvaro {

class KeyCap : public QWidget {
    Q_OBJECT
public:
    explicit KeyCap(const QString& text, QWidget* parent = nullptr);
    QString text() const { return m_text; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

} // namespace kelvaro
