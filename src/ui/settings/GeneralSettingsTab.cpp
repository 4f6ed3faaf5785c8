#include "ui/settings/GeneralSettingsTab.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/FocusRing.h"
#include "ui/design/KelvaroStyle.h"
#include "ui/design/Symbols.h"
#include "ui/sheets/SheetFrame.h"

namespace kelvaro::settings {
namespace {

const QString kLanguageKey = QString::fromLatin1(SettingsKey::language);

// The folder row's "…" button: the symbol alone, a faint fill while hovered, dimmed when off, and
// the ring while the keys are on it.
class MoreButton : public QAbstractButton {
public:
    explicit MoreButton(QWidget* parent) : QAbstractButton(parent)
    {
        setFixedSize(26, 22);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (isEnabled() && (underMouse() || isDown())) {
            QPainterPath path;
            path.addRoundedRect(QRectF(rect()), 6, 6);
            p.fillPath(path, Theme::primaryAt(this, isDown() ? 0.12 : 0.06));
        }
        if (showsFocusRing(this)) {
            QPainterPath ring;
            ring.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
            p.strokePath(ring, QPen(Theme::ember(), 1.5));
        }
        p.setOpacity(isEnabled() ? 1.0 : 0.35);
        Symbols::paint(p, QRectF((width() - 16) / 2.0, (height() - 16) / 2.0, 16, 16), QStringLiteral("ellipsis"),
                       Theme::secondary().on(this));
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
};

QHBoxLayout* toggleRow(SettingLabel* label, const QString& key, bool fallback, QWidget* parent)
{
    auto* row = new QHBoxLayout();
    row->addWidget(label, 1);
    auto* toggle = new ToggleSwitch(parent);
    toggle->setObjectName(key);
    const auto showStored = [toggle, key, fallback] { toggle->setChecked(Settings::shared().boolOr(key, fallback)); };
    showStored();
    // clicked, not toggled: only the user's change writes.
    QObject::connect(toggle, &QAbstractButton::clicked, toggle, [key](bool on) { Settings::shared().setValue(key, on); });
    QObject::connect(&Settings::shared(), &Settings::changed, toggle, [showStored, key](const QString& changed) {
        if (changed == key)
            showStored();
    });
    followLanguage(toggle, [toggle, label] { toggle->setAccessibleName(label->title()); });
    row->addWidget(toggle, 0, Qt::AlignVCenter);
    return row;
}

} // namespace

GeneralSettingsTab::GeneralSettingsTab(KelvaroStore& store, std::shared_ptr<FileManager> fileManager,
                                       std::function<bool()> restart, QWidget* parent)
    : SettingsPage(parent), m_store(store), m_fileManager(std::move(fileManager)), m_restart(std::move(restart)),
      m_folder(OutputFolder::resolve())
{
    setObjectName(QStringLiteral("general"));
    addSection(languageSection());
    addSection(folderSection());
    addSection(afterRunSection());
    addSection(dataSection());
}

// ---- Language -------------------------------------------------------------------------------------

QWidget* GeneralSettingsTab::languageSection()
{
    auto* section = new SettingsSection([] { return L("Jazyk"); });
    auto* row = new QHBoxLayout();
    row->addWidget(new SettingLabel(QStringLiteral("globe"), Theme::teal(), [] { return L("Jazyk aplikace"); },
                                    [] { return L("Okno i menu se přepnou hned, standardní dialogy po restartu."); }, section),
                   1);
    m_language = new QComboBox(section);
    m_language->setObjectName(QStringLiteral("language"));
    for (AppLanguage language : allAppLanguages())
        m_language->addItem(QString(), rawValue(language));
    // The two languages are named in their own words, whatever the interface speaks.
    m_language->setItemText(1, QStringLiteral("Čeština"));
    m_language->setItemText(2, QStringLiteral("English"));
    m_language->setCurrentIndex(m_language->findData(Settings::shared().stringOr(kLanguageKey, QStringLiteral("system"))));
    connect(m_language, &QComboBox::activated, this, &GeneralSettingsTab::languagePicked);
    row->addWidget(m_language, 0, Qt::AlignVCenter);
    section->addRow(row);

    auto* restartLine = new QHBoxLayout();
    m_restartText = new Text(QString(), TextStyle::callout, section);
    m_restartText->setObjectName(QStringLiteral("restartText"));
    wrapToWidth(m_restartText);
    restartLine->addWidget(m_restartText, 1);
    m_restartButton = new KelvaroButton(QString(), KelvaroButton::Kind::primary, section);
    m_restartButton->setObjectName(QStringLiteral("restart"));
    connect(m_restartButton, &QAbstractButton::clicked, this, &GeneralSettingsTab::restart);
    restartLine->addWidget(m_restartButton, 0, Qt::AlignVCenter);
    m_restartRow = section->addRow(restartLine);
    m_restartRow->setObjectName(QStringLiteral("restartRow"));
    m_restartRow->hide();

    followLanguage(this, [this] {
        m_language->setItemText(0, L("Podle systému"));
        m_language->setAccessibleName(L("Jazyk aplikace"));
        m_restartButton->setText(L("Restartovat"));
        showRestartText();
    });
    // A change made elsewhere (the onboarding) shows here too.
    connect(&Settings::shared(), &Settings::changed, m_language, [this](const QString& key) {
        if (key == kLanguageKey)
            m_language->setCurrentIndex(m_language->findData(Settings::shared().stringOr(kLanguageKey, QStringLiteral("system"))));
    });
    return section;
}

void GeneralSettingsTab::languagePicked(int index)
{
    const QString raw = m_language->itemData(index).toString();
    if (index < 0 || raw == Settings::shared().stringOr(kLanguageKey, QStringLiteral("system")))
        return;
    L10n::apply(appLanguageFromRaw(raw).value_or(AppLanguage::system));
    m_restartRow->show();
    Settings::shared().setValue(kLanguageKey, raw); // retranslates every open window
}

void GeneralSettingsTab::restart()
{
    if (m_restart && m_restart())
        return; // this instance quits in a moment
    m_restartFailed = true;
    showRestartText();
}

void GeneralSettingsTab::showRestartText()
{
    m_restartText->setColor(m_restartFailed ? DynamicColor{Theme::rose(), Theme::rose()} : Theme::secondary());
    m_restartText->setText(m_restartFailed ? L("Kelvaro se nepodařilo znovu spustit. Zavři ho a otevři znovu sám.")
                                           : L("Restartuj Kelvaro, aby se přeložily i standardní dialogy a formáty čísel."));
}

// ---- Output folder --------------------------------------------------------------------------------

QWidget* GeneralSettingsTab::folderSection()
{
    auto* section = new SettingsSection([] { return L("Složka pro výsledky"); },
                                        [] { return L("Hotové soubory se ukládají sem. Originály zůstávají vždy nedotčené."); });
    auto* row = new QHBoxLayout();
    row->setSpacing(8);
    m_folderLabel = new SettingLabel(
        QStringLiteral("folder.fill"), tint::blue(),
        [this] { return m_folder ? NativePath::displayName(QFileInfo(*m_folder).fileName()) : L("Zatím nevybrána"); },
        [this] { return m_folder ? QFileInfo(*m_folder).absolutePath() : L("Vyber, kam se mají ukládat hotové fotky."); },
        section);
    m_folderLabel->setObjectName(QStringLiteral("folder"));
    row->addWidget(m_folderLabel, 1);
    auto* change = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, section);
    change->setObjectName(QStringLiteral("changeFolder"));
    connect(change, &QAbstractButton::clicked, this, &GeneralSettingsTab::chooseFolder);
    row->addWidget(change, 0, Qt::AlignVCenter);

    m_folderMore = new MoreButton(section);
    m_folderMore->setObjectName(QStringLiteral("folderMenu"));
    m_folderMenu = new QMenu(this);
    QAction* reveal = m_folderMenu->addAction(QString(), this, &GeneralSettingsTab::revealFolder);
    reveal->setObjectName(QStringLiteral("revealFolder"));
    m_folderMenu->addSeparator();
    QAction* forget = m_folderMenu->addAction(QString(), this, &GeneralSettingsTab::forgetFolder);
    forget->setObjectName(QStringLiteral("forgetFolder"));
    KelvaroStyle::markDestructive(forget);
    connect(m_folderMore, &QAbstractButton::clicked, this,
            [this] { m_folderMenu->popup(m_folderMore->mapToGlobal(QPoint(0, m_folderMore->height()))); });
    row->addWidget(m_folderMore, 0, Qt::AlignVCenter);
    section->addRow(row);

    followLanguage(this, [change, reveal, forget, this] {
        change->setText(L("Změnit…"));
        reveal->setText(L("Ukázat ve správci souborů"));
        forget->setText(L("Zapomenout složku"));
        m_folderMore->setAccessibleName(L("Další volby složky"));
    });
    showFolder();
    return section;
}

void GeneralSettingsTab::showFolder()
{
    m_folderLabel->refresh();
    m_folderMore->setEnabled(m_folder.has_value());
}

void GeneralSettingsTab::chooseFolder()
{
    m_folder = chooseOutputFolder(m_folder);
    showFolder();
}

void GeneralSettingsTab::revealFolder()
{
    if (m_folder && m_fileManager && !m_fileManager->reveal({*m_folder}))
        m_store.reportUnanswered(HandoffFailure::folder, {*m_folder});
}

void GeneralSettingsTab::forgetFolder()
{
    // Only the remembered choice goes; the folder and its files stay where they are.
    Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey));
    m_folder.reset();
    showFolder();
}

// ---- After a run ----------------------------------------------------------------------------------

QWidget* GeneralSettingsTab::afterRunSection()
{
    auto* section = new SettingsSection([] { return L("Po dokončení"); });
    section->addRow(toggleRow(new SettingLabel(QStringLiteral("textformat"), tint::purple(), [] { return L("Popisné názvy souborů"); },
                                               [] { return L("Ke jménu přidá, co se s fotkou stalo, třeba „dovolená komprese.jpg“."); },
                                               section),
                              QString::fromLatin1(describeNamesKey), true, section));
    section->addRow(toggleRow(new SettingLabel(QStringLiteral("macwindow"), tint::blue(),
                                               [] { return L("Ukázat výsledek ve správci souborů"); },
                                               [] { return L("Po každé akci otevře složku s hotovými soubory."); }, section),
                              QString::fromLatin1(autoRevealKey), false, section));
    return section;
}

// ---- Data -----------------------------------------------------------------------------------------

QWidget* GeneralSettingsTab::dataSection()
{
    auto* section = new SettingsSection([] { return L("Data"); });
    auto* sample = new QHBoxLayout();
    sample->addWidget(new SettingLabel(QStringLiteral("sparkles"), tint::orange(), [] { return L("Ukázková data"); },
                                       [] { return L("Vymyšlené statistiky a police na úvodní obrazovce. Tvoje soubory zůstanou."); },
                                       section),
                      1);
    auto* clear = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, section);
    clear->setObjectName(QStringLiteral("clearSampleData"));
    connect(clear, &QAbstractButton::clicked, this, &GeneralSettingsTab::confirmClearSampleData);
    sample->addWidget(clear, 0, Qt::AlignVCenter);
    section->addRow(sample);
    const auto follow = [clear, this] { clear->setEnabled(m_store.hasSampleData()); };
    follow();
    connect(&m_store, &KelvaroStore::activitiesChanged, clear, follow);
    connect(&m_store, &KelvaroStore::shelvesChanged, clear, follow);

    auto* welcome = new QHBoxLayout();
    welcome->addWidget(new SettingLabel(QStringLiteral("hand.wave.fill"), tint::green(), [] { return L("Uvítání"); },
                                        [] { return L("Znovu ukáže úvodní průvodce v hlavním okně."); }, section),
                       1);
    auto* show = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, section);
    show->setObjectName(QStringLiteral("showOnboarding"));
    connect(show, &QAbstractButton::clicked, this,
            [] { Settings::shared().setValue(QString::fromLatin1(onboardedKey), false); });
    welcome->addWidget(show, 0, Qt::AlignVCenter);
    section->addRow(welcome);

    followLanguage(section, [clear, show] {
        clear->setText(L("Vymazat…"));
        show->setText(L("Zobrazit"));
    });
    return section;
}

void GeneralSettingsTab::confirmClearSampleData()
{
    if (!m_store.hasSampleData())
        return;
    // Asked as every deletion is asked, over the window that asks.
    auto* sheet = new SheetFrame(LKey("Vymazat ukázková data?"), QStringLiteral("trash"), LKey("Vymazat"), window());
    sheet->setObjectName(QStringLiteral("clearSampleDataConfirmation"));
    sheet->setDestructive(true);
    QPointer<KelvaroStore> store(&m_store);
    sheet->setOnRun([store] {
        if (store)
            store->clearSampleData();
    });
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    Theme::follow(sheet);
    sheet->open();
}

} // namespace kelvaro::settings
