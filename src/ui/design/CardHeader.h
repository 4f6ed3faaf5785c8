#pragma once
// A card's title row: the title in the card-title font, an optional caption below it, and a
// link at the right only when both an action title and an action are given. Texts are shown as
// given (callers pass them translated). Main thread; created by the screens.
#include <functional>
#include <optional>

#include <QWidget>

#include "ui/design/LinkButton.h"
#include "ui/design/Text.h"

namespace kelvaro {

class CardHeader : public QWidget {
    Q_OBJECT
public:
    CardHeader(const QString& title, const std::optional<QString>& subtitle = std::nullopt,
               const std::optional<QString>& actionTitle = std::nullopt, std::function<void()> action = {},
               QWidget* parent = nullptr);
    LinkButton* actionButton() const { return m_action; }
    Text* subtitleText() const { return m_subtitle; }

private:
    Text* m_subtitle = nullptr;
    LinkButton* m_action = nullptr;
};

} // namespace kelvaro
