#pragma once
// The title row of a list section (the home screen's shelves and recent results, the saved
// workflows). Main thread; created by the section it heads.
#include <functional>
#include <optional>

#include <QWidget>

namespace kelvaro {

class LinkButton;
class Text;

// A list section's title row, with a link at the right when both its title and action are given.
class SectionHead : public QWidget {
    Q_OBJECT
public:
    SectionHead(const QString& title, const std::optional<QString>& actionTitle, std::function<void()> action,
                QWidget* parent = nullptr);
    LinkButton* actionButton() const { return m_action; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Text* m_title;
    LinkButton* m_action = nullptr;
};

} // namespace kelvaro
