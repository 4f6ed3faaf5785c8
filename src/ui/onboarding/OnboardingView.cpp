#include "ui/onboarding/OnboardingView.h"

#include <QComboBox>
#include <QEasingCurve>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "l10n/Localization.h"
#include "model/Models.h"
#include "output/OutputFolder.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "ui/design/AppIcon.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/ModeSwitcher.h"
#include "ui/design/SettingRows.h"

namespace kelvaro {
namespace {

using settings::followLanguage;

const QString kLanguageKey = QString::fromLatin1(SettingsKey::language);

QVBoxLayout* stepColumn(QWidget* step)
{
    auto* column = new QVBoxLayout(step);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    column->addStretch(1);
    return column;
}

// A text of the step in `style`, centred; wrapped ones take the step's whole width.
Text* stepText(TextStyle style, bool wrap, QWidget* parent, std::optional<QFont::Weight> weight = std::nullopt)
{
    auto* text = new Text(QString(), style, parent);
    if (weight)
        text->setStyle(style, weight);
    text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    if (wrap) {
        text->setColor(Theme::secondary());
        settings::wrapToWidth(text);
    }
    return text;
}

} // namespace

OnboardingView::OnboardingView(std::function<void()> onFinish, QWidget* parent)
    : QWidget(parent), m_onFinish(std::move(onFinish)), m_folder(OutputFolder::resolve())
{
    setObjectName(QStringLiteral("onboardingView"));
    setFixedWidth(520);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 32);
    column->setSpacing(22);
    m_steps = new QStackedWidget(this);
    m_steps->setMinimumHeight(250);
    m_steps->addWidget(welcomeStep());
    m_steps->addWidget(wheelsStep());
    m_steps->addWidget(folderStep());
    column->addWidget(m_steps, 1);
    m_leaving = new QLabel(m_steps);
    m_leaving->setObjectName(QStringLiteral("leavingStep"));
    m_leaving->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_leaving->hide();
    m_fade = new QVariantAnimation(this);
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    m_fade->setDuration(transitionMs);
    // Ease in and out: the cubic curve through (0.42, 0) and (0.58, 1).
    QEasingCurve easeInOut(QEasingCurve::BezierSpline);
    easeInOut.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    m_fade->setEasingCurve(easeInOut);
    connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) { fadeStep(value.toDouble()); });
    connect(m_fade, &QAbstractAnimation::finished, this, &OnboardingView::endFade);

    auto* controls = new QHBoxLayout();
    auto* skipButton = new LinkButton(QString(), TextStyle::callout, this);
    skipButton->setObjectName(QStringLiteral("skip"));
    connect(skipButton, &QAbstractButton::clicked, this, &OnboardingView::skip);
    controls->addWidget(skipButton);
    controls->addStretch(1);
    m_back = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, this);
    m_back->setObjectName(QStringLiteral("back"));
    connect(m_back, &QAbstractButton::clicked, this, &OnboardingView::back);
    controls->addWidget(m_back);
    m_main = new KelvaroButton(QString(), KelvaroButton::Kind::primary, this);
    m_main->setObjectName(QStringLiteral("main"));
    connect(m_main, &QAbstractButton::clicked, this, &OnboardingView::advance);
    controls->addWidget(m_main);
    column->addLayout(controls);

    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &OnboardingView::advance);
    }
    followLanguage(this, [this, skipButton] {
        skipButton->setText(L("Přeskočit"));
        m_back->setText(L("Zpět"));
        refreshTexts();
    });
    showStep(0);
}

QWidget* OnboardingView::welcomeStep()
{
    auto* step = new QWidget(this);
    QVBoxLayout* column = stepColumn(step);
    column->addWidget(new AppLogo(88, step), 0, Qt::AlignHCenter);
    auto* title = stepText(TextStyle::display, false, step);
    title->setTextFont(Theme::font(26, QFont::Bold));
    column->addWidget(title, 0, Qt::AlignHCenter);
    auto* blurb = stepText(TextStyle::callout, true, step);
    column->addWidget(blurb);

    auto* picker = new QHBoxLayout();
    picker->setContentsMargins(0, 6, 0, 0);
    picker->setSpacing(8);
    picker->addStretch(1);
    auto* label = new Text(QString(), TextStyle::body, step);
    picker->addWidget(label, 0, Qt::AlignVCenter);
    m_language = new QComboBox(step);
    m_language->setObjectName(QStringLiteral("language"));
    for (AppLanguage language : allAppLanguages())
        m_language->addItem(QString(), rawValue(language));
    m_language->setItemText(1, QStringLiteral("Čeština"));
    m_language->setItemText(2, QStringLiteral("English"));
    m_language->setCurrentIndex(m_language->findData(Settings::shared().stringOr(kLanguageKey, QStringLiteral("system"))));
    connect(m_language, &QComboBox::activated, this, &OnboardingView::languagePicked);
    picker->addWidget(m_language, 0, Qt::AlignVCenter);
    picker->addStretch(1);
    column->addLayout(picker);
    column->addStretch(1);

    followLanguage(step, [title, blurb, label, this] {
        title->setText(L("Vítej ve Kelvaro"));
        blurb->setText(L("Přetáhni fotky do kola a vyber, co s nimi chceš udělat: převést formát, zmenšit je, odstranit pozadí nebo z nich vytáhnout text."));
        label->setText(L("Jazyk aplikace"));
        m_language->setItemText(0, L("Podle systému"));
        m_language->setAccessibleName(L("Jazyk aplikace"));
    });
    return step;
}

QWidget* OnboardingView::wheelsStep()
{
    auto* step = new QWidget(this);
    QVBoxLayout* column = stepColumn(step);
    auto* title = stepText(TextStyle::title2, false, step, QFont::Bold);
    column->addWidget(title, 0, Qt::AlignHCenter);
    QList<Text*> names;
    for (WheelMode mode : allWheelModes()) {
        auto* row = new QHBoxLayout();
        row->setSpacing(12);
        row->addWidget(new IconBadge(ModeSwitcher::symbol(mode), Theme::ember(), 34, true, step), 0, Qt::AlignVCenter);
        auto* texts = new QVBoxLayout();
        texts->setSpacing(2);
        auto* name = new Text(QString(), TextStyle::body, step);
        name->setStyle(TextStyle::body, QFont::DemiBold);
        texts->addWidget(name);
        names.append(name);
        auto* keys = new Text(modifierKeys(mode), TextStyle::caption, step);
        keys->setColor(Theme::secondary());
        texts->addWidget(keys);
        row->addLayout(texts, 1);
        column->addLayout(row);
    }
    auto* hint = stepText(TextStyle::caption, true, step);
    column->addWidget(hint);
    column->addStretch(1);
    followLanguage(step, [title, names, hint] {
        title->setText(L("Tři kola, tři zkratky"));
        for (int i = 0; i < names.size(); ++i)
            names[i]->setText(kelvaro::title(allWheelModes().at(i)));
        hint->setText(L("Samotný Shift, Shift+Alt nebo Ctrl přepne kolo. Soubor můžeš pustit rovnou na výseč."));
    });
    return step;
}

QWidget* OnboardingView::folderStep()
{
    auto* step = new QWidget(this);
    QVBoxLayout* column = stepColumn(step);
    auto* symbol = new SymbolView(QStringLiteral("folder.badge.gearshape"), 44, step);
    symbol->setColor(Theme::ember());
    symbol->setWeight(1.2);
    column->addWidget(symbol, 0, Qt::AlignHCenter);
    auto* title = stepText(TextStyle::title2, false, step, QFont::Bold);
    column->addWidget(title, 0, Qt::AlignHCenter);
    auto* blurb = stepText(TextStyle::callout, true, step);
    column->addWidget(blurb);
    m_folderLine = new Text(QString(), TextStyle::caption, step);
    m_folderLine->setObjectName(QStringLiteral("folderLine"));
    m_folderLine->setElide(Qt::ElideMiddle);
    m_folderLine->setAlignment(Qt::AlignCenter);
    m_folderLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    column->addWidget(m_folderLine);
    m_folderButton = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, step);
    m_folderButton->setObjectName(QStringLiteral("chooseFolder"));
    connect(m_folderButton, &QAbstractButton::clicked, this, &OnboardingView::chooseFolder);
    column->addWidget(m_folderButton, 0, Qt::AlignHCenter);
    column->addStretch(1);
    followLanguage(step, [title, blurb] {
        title->setText(L("Kam ukládat výsledky?"));
        blurb->setText(L("Originály zůstanou nedotčené. Výsledky půjdou do jedné složky, kterou si aplikace zapamatuje."));
    });
    return step;
}

void OnboardingView::refreshTexts()
{
    m_main->setText(m_step == lastStep ? L("Začít") : L("Dál"));
    m_folderLine->setText(m_folder ? *m_folder : L("Zatím nevybráno"));
    m_folderButton->setText(m_folder ? L("Změnit složku…") : L("Vybrat složku…"));
}

QAbstractAnimation* OnboardingView::stepTransition() const
{
    return m_fade;
}

void OnboardingView::showStep(int step)
{
    m_step = qBound(0, step, lastStep);
    if (isVisible() && m_steps->currentIndex() != m_step)
        fadeTo(m_step);
    else
        m_steps->setCurrentIndex(m_step);
    m_back->setVisible(m_step > 0);
    refreshTexts();
    // The view takes the keys (Return goes on) rather than whichever button is left focused.
    setFocus(Qt::OtherFocusReason);
}

void OnboardingView::fadeTo(int step)
{
    // A fade under way ends where it was going; the next one starts from that step.
    if (m_fade->state() != QAbstractAnimation::Stopped) {
        m_fade->stop();
        endFade();
    }
    m_leaving->setPixmap(m_steps->currentWidget()->grab());
    m_leaving->setGeometry(m_steps->currentWidget()->geometry());
    m_leaving->setGraphicsEffect(new QGraphicsOpacityEffect(m_leaving));
    m_steps->setCurrentIndex(step);
    m_steps->currentWidget()->setGraphicsEffect(new QGraphicsOpacityEffect(m_steps->currentWidget()));
    m_leaving->show();
    m_leaving->raise();
    fadeStep(0.0);
    m_fade->start();
}

void OnboardingView::fadeStep(double progress)
{
    if (auto* coming = qobject_cast<QGraphicsOpacityEffect*>(m_steps->currentWidget()->graphicsEffect()))
        coming->setOpacity(progress);
    if (auto* going = qobject_cast<QGraphicsOpacityEffect*>(m_leaving->graphicsEffect()))
        going->setOpacity(1.0 - progress);
}

void OnboardingView::endFade()
{
    // Without an effect the step is drawn straight, as crisp as any other widget.
    m_steps->currentWidget()->setGraphicsEffect(nullptr);
    m_leaving->setGraphicsEffect(nullptr);
    m_leaving->hide();
    m_leaving->clear();
}

void OnboardingView::advance()
{
    if (m_step != lastStep) {
        showStep(m_step + 1);
        return;
    }
    if (m_onFinish)
        m_onFinish();
}

void OnboardingView::back()
{
    if (m_step > 0)
        showStep(m_step - 1);
}

void OnboardingView::skip()
{
    if (m_onFinish)
        m_onFinish();
}

void OnboardingView::chooseFolder()
{
    m_folder = settings::chooseOutputFolder(m_folder);
    refreshTexts();
}

void OnboardingView::languagePicked(int index)
{
    const QString raw = m_language->itemData(index).toString();
    if (index < 0 || raw == Settings::shared().stringOr(kLanguageKey, QStringLiteral("system")))
        return;
    L10n::apply(appLanguageFromRaw(raw).value_or(AppLanguage::system));
    Settings::shared().setValue(kLanguageKey, raw);
}

} // namespace kelvaro
