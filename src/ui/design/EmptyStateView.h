#pragma once
// The empty-state panel of list screens: a drawn illustration (ember disc, dashed ring and the
// screen's symbol), a bold title, a centred message at most 380 wide and an optional badge.
// Texts are shown as given (callers pass them translated). Main thread.
#include <optional>

#include <QWidget>

namespace kelvaro {

class Text;

class EmptyStateView : public QWidget {
    Q_OBJECT
public:
    EmptyStateView(const QString& symbol, const QString& title, const QString& message,
                   const std::optional<QString>& badge = std::nullopt, QWidget* parent = nullptr);
    Text* titleText() const { return m_title; }
    Text* messageText() const { return m_message; }
    QWidget* badge() const { return m_badge; }

private:
    Text* m_title;
    Text* m_message;
    QWidget* m_badge = nullptr;
};

} // namespace kelvaro
