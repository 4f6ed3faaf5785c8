#include "ui/sheets/SheetFrame.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/WheelGuard.h"

namespace kelvaro {

SheetFrame::SheetFrame(const QString& title, const QString& symbol, const QString& actionTitle, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(L(title));
    setFixedWidth(sheetWidth);

    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(sheetPadding, sheetPadding, sheetPadding, sheetPadding);
    m_column->setSpacing(sheetSpacing);

    auto* header = new QHBoxLayout();
    header->setSpacing(12);
    m_badge = new IconBadge(symbol, Theme::ember(), 40, true, this);
    m_badge->setObjectName(QStringLiteral("sheetBadge"));
    header->addWidget(m_badge, 0, Qt::AlignVCenter);
    m_title = new Text(L(title), TextStyle::title2, this);
    m_title->setStyle(TextStyle::title2, QFont::Bold);
    // A title may carry a name of the user's ("Smazat polici „…“?"): it wraps, whole, rather than
    // lose its end.
    m_title->setWrap(true);
    QSizePolicy wraps(QSizePolicy::Preferred, QSizePolicy::Minimum);
    wraps.setHeightForWidth(true);
    m_title->setSizePolicy(wraps);
    header->addWidget(m_title, 1, Qt::AlignVCenter);
    m_column->addLayout(header);

    auto* footer = new QHBoxLayout();
    footer->addStretch(1);
    m_cancel = new KelvaroButton(L("Zrušit"), KelvaroButton::Kind::secondary, this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    connect(m_cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    footer->addWidget(m_cancel);
    m_action = new KelvaroButton(L(actionTitle), KelvaroButton::Kind::primary, this);
    m_action->setObjectName(QStringLiteral("action"));
    connect(m_action, &QAbstractButton::clicked, this, &SheetFrame::run);
    footer->addWidget(m_action);
    m_column->addLayout(footer);
}

void SheetFrame::addContent(QWidget* control)
{
    m_column->insertWidget(m_contentIndex++, control);
}

void SheetFrame::addContent(QLayout* controls)
{
    m_column->insertLayout(m_contentIndex++, controls);
}

Text* SheetFrame::addCaption(const QString& text, TextStyle style)
{
    auto* caption = new Text(text, style, this);
    caption->setColor(Theme::secondary());
    caption->setWrap(true);
    // A one-line width above the sheet's would cut the second line off: the height comes from
    // the width the caption is given.
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    caption->setSizePolicy(policy);
    addContent(caption);
    return caption;
}

void SheetFrame::setDestructive(bool destructive)
{
    m_destructive = destructive;
    m_action->setKind(destructive ? KelvaroButton::Kind::destructive : KelvaroButton::Kind::primary);
    m_badge->setColor(destructive ? Theme::rose() : Theme::ember());
}

void SheetFrame::setCanRun(bool canRun)
{
    m_canRun = canRun;
    m_action->setEnabled(canRun);
}

void SheetFrame::run()
{
    if (!m_canRun)
        return;
    // The sheet may be deleted as it closes: the closure travels on by value.
    std::function<void()> onRun = runClosure();
    accept();
    if (onRun)
        QMetaObject::invokeMethod(QCoreApplication::instance(), [onRun] { onRun(); }, Qt::QueuedConnection);
}

void SheetFrame::keyPressEvent(QKeyEvent* event)
{
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // A disabled action swallows Return too: it must not fall through to anything else. A
        // deletion is never the default: Return leaves it to a deliberate click.
        if (!m_destructive)
            run();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event); // Escape rejects
}

bool SheetFrame::event(QEvent* event)
{
    if (event->type() == QEvent::Show)
        settleFirstFocus();
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show)
        fitHeight();
    return handled;
}

// No sheet opens with the focus on a slider or pop-up, where a turn of the wheel would change the
// value the user has not reached yet: the action takes it (Return runs it anyway), or "Zrušit"
// while the action cannot run. A sheet that needs the keys at once (a name field, a picker) keeps
// its own choice. A deletion always opens on "Zrušit", where one Space cannot delete.
void SheetFrame::settleFirstFocus()
{
    if (m_destructive) {
        m_cancel->setFocus(Qt::OtherFocusReason);
        return;
    }
    QWidget* first = focusWidget();
    if (first && first != this && !WheelGuard::isValueControl(first))
        return;
    (m_action->isEnabled() ? m_action : m_cancel)->setFocus(Qt::OtherFocusReason);
}

// Wrapped texts only know their height for a width; a top-level window never asks, so the
// frame asks for its own fixed width.
void SheetFrame::fitHeight()
{
    const int height = m_column->hasHeightForWidth() ? m_column->totalHeightForWidth(sheetWidth) : m_column->sizeHint().height();
    if (height > 0 && height != this->height())
        setFixedHeight(height);
}

} // namespace kelvaro
