#include "ui/settings/SettingsView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/FocusRing.h"
#include "ui/design/PopupEscape.h"
#include "ui/design/Symbols.h"
#include "ui/settings/AboutSection.h"
#include "ui/settings/ExportSettingsTab.h"
#include "ui/settings/GeneralSettingsTab.h"
#include "ui/settings/ShortcutsSettingsTab.h"

namespace kelvaro::settings {
namespace {

// One tab of the bar: its symbol over its title, ember on a faint pill when chosen.
class TabButton : public QAbstractButton {
public:
    TabButton(const QString& symbol, QWidget* parent) : QAbstractButton(parent), m_symbol(symbol)
    {
        setCheckable(true);
        setAutoExclusive(true);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override
    {
        const QFontMetrics metrics(Theme::font(TextStyle::caption, QFont::Medium));
        return {qMax(72, metrics.horizontalAdvance(text()) + 20), 46};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool dark = Theme::isDark(this);
        if (isChecked() || isDown() || underMouse()) {
            QPainterPath pill;
            pill.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
            p.fillPath(pill, Theme::primaryAt(dark, isChecked() ? 0.07 : 0.04));
        }
        if (showsFocusRing(this)) {
            p.setPen(QPen(Theme::ember(), 1.5));
            QPainterPath ring;
            ring.addRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 8, 8);
            p.drawPath(ring);
        }
        const QColor color = isChecked() ? Theme::ember() : Theme::secondary().resolve(dark);
        Symbols::paint(p, QRectF((width() - 20) / 2.0, 5, 20, 20), m_symbol, color, isChecked() ? 1.2 : 1.0);
        p.setFont(Theme::font(TextStyle::caption, QFont::Medium));
        p.setPen(isChecked() ? Theme::emberText().resolve(dark) : Theme::secondary().resolve(dark));
        p.drawText(QRect(0, 27, width(), 16), Qt::AlignHCenter | Qt::AlignVCenter, text());
    }
    void enterEvent(QEnterEvent* event) override
    {
        update();
        QAbstractButton::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override
    {
        update();
        QAbstractButton::leaveEvent(event);
    }

private:
    QString m_symbol;
};

QString tabTitle(const QString& tag)
{
    if (tag == QLatin1String("export"))
        return L("Export");
    if (tag == QLatin1String("shortcuts"))
        return L("Zkratky");
    if (tag == QLatin1String("about"))
        return L("O aplikaci");
    return L("Obecné");
}

QString tabSymbol(const QString& tag)
{
    if (tag == QLatin1String("export"))
        return QStringLiteral("photo.on.rectangle.angled");
    if (tag == QLatin1String("shortcuts"))
        return QStringLiteral("keyboard");
    if (tag == QLatin1String("about"))
        return QStringLiteral("info.circle");
    return QStringLiteral("gearshape");
}

} // namespace

const QStringList& SettingsView::tabs()
{
    static const QStringList all{QStringLiteral("general"), QStringLiteral("export"), QStringLiteral("shortcuts"),
                                 QStringLiteral("about")};
    return all;
}

SettingsView::SettingsView(KelvaroStore& store, SettingsServices services, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("settingsView"));
    setFixedSize(frame);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* bar = new QHBoxLayout();
    bar->setContentsMargins(12, 5, 12, 5);
    bar->setSpacing(4);
    bar->addStretch(1);
    for (const QString& tag : tabs()) {
        auto* button = new TabButton(tabSymbol(tag), this);
        button->setObjectName(QStringLiteral("tab-") + tag);
        connect(button, &QAbstractButton::clicked, this, [this, tag] { chooseTab(tag); });
        bar->addWidget(button);
        m_buttons.append(button);
    }
    bar->addStretch(1);
    column->addLayout(bar);
    column->addWidget(new Divider(Qt::Horizontal, -1, this));

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(new GeneralSettingsTab(store, services.fileManager, services.restart, m_pages));
    m_pages->addWidget(new ExportSettingsTab(m_pages));
    m_pages->addWidget(new ShortcutsSettingsTab(m_pages));
    m_pages->addWidget(new AboutSection(services.updates, services.about, services.openUrl, m_pages));
    column->addWidget(m_pages, 1);

    followLanguage(this, [this] {
        for (int i = 0; i < m_buttons.size(); ++i)
            m_buttons[i]->setText(tabTitle(tabs().at(i)));
        window()->setWindowTitle(L("Nastavení"));
    });
    auto* closing = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this);
    closing->setContext(Qt::WindowShortcut);
    connect(closing, &QShortcut::activated, this, [this] { window()->close(); });
    showTab(Settings::shared().stringOr(QString::fromLatin1(tabKey), QStringLiteral("general")));
}

void SettingsView::showEvent(QShowEvent* event)
{
    // Escape is heard as a key, as a sheet hears it, not as a shortcut: a shortcut of the window
    // would take it from an open list, which closes by it alone.
    installPopupEscape();
    if (m_window != window()) {
        if (m_window)
            m_window->removeEventFilter(this);
        m_window = window();
        m_window->installEventFilter(this);
    }
    QWidget::showEvent(event);
}

bool SettingsView::eventFilter(QObject* watched, QEvent* event)
{
    // What reaches the window is what no control took.
    if (watched == m_window && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel)) {
        m_window->close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString SettingsView::currentTab() const
{
    return tabs().value(m_pages->currentIndex());
}

QWidget* SettingsView::page(const QString& tag) const
{
    return m_pages->widget(int(tabs().indexOf(tag)));
}

void SettingsView::chooseTab(const QString& tag)
{
    showTab(tag);
    Settings::shared().setValue(QString::fromLatin1(tabKey), currentTab());
}

void SettingsView::showTab(const QString& tag)
{
    // A stored tag this version does not know opens the first tab.
    const int index = qMax(0, int(tabs().indexOf(tag)));
    // The focus in the page that goes stays with the tabs: left to itself it would pass on to the
    // next control in the window, in the page that comes, a pop-up the wheel would then change or
    // a button that looks chosen.
    QWidget* leaving = m_pages->currentWidget();
    if (index != m_pages->currentIndex() && leaving && leaving->isAncestorOf(QApplication::focusWidget()))
        m_buttons[index]->setFocus(Qt::OtherFocusReason);
    m_pages->setCurrentIndex(index);
    m_buttons[index]->setChecked(true);
}

} // namespace kelvaro::settings
