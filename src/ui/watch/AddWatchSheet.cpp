#include "ui/watch/AddWatchSheet.h"

#include <algorithm>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"
#include "store/UserPresets.h"
#include "store/WorkflowStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/watch/WatchService.h"

namespace kelvaro {
namespace {

// The numbered steps wear the brand orange itself, not a theme colour.
const QColor kBrandOrange = QColor::fromRgbF(0.93f, 0.36f, 0.16f);
constexpr int kActionRole = Qt::UserRole + 1;

QVBoxLayout* column(QWidget* widget, int spacing)
{
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

Text* wrapped(const QString& text, TextStyle style, QWidget* parent)
{
    auto* t = new Text(text, style, parent);
    t->setWrap(true);
    QSizePolicy grows(QSizePolicy::Preferred, QSizePolicy::Minimum);
    grows.setHeightForWidth(true);
    t->setSizePolicy(grows);
    return t;
}

// The white step number on an orange disc.
class StepNumber : public QWidget {
public:
    StepNumber(int number, QWidget* parent) : QWidget(parent), m_number(number) { setFixedSize(26, 26); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(kBrandOrange);
        p.drawEllipse(QRectF(rect()));
        p.setPen(Qt::white);
        p.setFont(Theme::font(TextStyle::callout, QFont::Bold));
        p.drawText(rect(), Qt::AlignCenter, Lf("%lld", qint64(m_number)));
    }

private:
    int m_number;
};

// From the name's bytes: a folder whose name is not UTF-8 is found through its links too.
QString canonicalFolder(const QString& path)
{
    const QString real = NativeFile::canonical(path);
    return (real.isEmpty() ? NativeFile::absolute(path) : real).normalized(QString::NormalizationForm_C);
}

} // namespace

AddWatchSheet::AddWatchSheet(const WatchAction& initial, std::shared_ptr<WatchService> service, Settings& settings,
                             QWidget* parent)
    : QDialog(parent)
    , m_service(std::move(service))
    , m_settings(settings)
    , m_workflows(std::make_unique<WorkflowStore>(settings))
    , m_presets(std::make_unique<UserPresets>(settings))
    , m_action(initial)
{
    setObjectName(QStringLiteral("addWatchSheet"));
    setWindowTitle(L("Nová hlídaná složka"));
    setFixedWidth(sheetWidth);
    m_column = column(this, 16);
    m_column->setContentsMargins(24, 24, 24, 24);
    m_column->addWidget(header());
    m_column->addWidget(stepCard(1, L("Kterou složku hlídat?"), folderStep()));
    m_column->addWidget(stepCard(2, L("Co udělat s každým novým obrázkem?"), actionStep()));
    m_column->addWidget(resultsRow());
    m_column->addWidget(problemRow());
    m_column->addWidget(buttons());

    connect(m_workflows.get(), &WorkflowStore::changed, this, &AddWatchSheet::rebuildPicker);
    connect(m_presets.get(), &UserPresets::changed, this, &AddWatchSheet::rebuildPicker);
    connect(&m_settings, &Settings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(OutputFolder::bookmarkKey))
            refreshNote();
    });
    refreshFolder();
    rebuildPicker();
    refreshNote();
    setProblem(std::nullopt);
}

AddWatchSheet::~AddWatchSheet() = default;

// ---- Pure parts -----------------------------------------------------------------------------------

const QList<WatchAction>& AddWatchSheet::quickActions()
{
    static const QList<WatchAction> list{
        WatchAction::convert(QStringLiteral("jpg")),
        WatchAction::convert(QStringLiteral("png")),
        WatchAction::convert(QStringLiteral("heic")),
        WatchAction::stripMetadata(),
        WatchAction::removeBackground(),
    };
    return list;
}

QList<AddWatchSheet::PickerSection> AddWatchSheet::pickerSections(const WatchAction& action,
                                                                  const QList<Workflow>& workflows,
                                                                  const QList<PresetSpec>& presets)
{
    QList<PickerSection> listed;
    if (!workflows.isEmpty()) {
        PickerSection section{L("Moje postupy"), {}};
        for (const Workflow& workflow : workflows)
            section.items.append({L(workflow.name), WatchAction::workflow(workflow)});
        listed.append(section);
    }
    if (!presets.isEmpty()) {
        PickerSection section{L("Moje předvolby"), {}};
        for (const PresetSpec& preset : presets)
            section.items.append({L(preset.name), WatchAction::preset(preset)});
        listed.append(section);
    }
    // Group titles are names of platforms: shown as they are.
    for (const PlatformPresets& group : PlatformPresets::all()) {
        PickerSection section{group.title, {}};
        for (const PresetSpec& preset : group.presets)
            section.items.append({L(preset.name), WatchAction::preset(preset)});
        listed.append(section);
    }
    PickerSection quick{L("Rychlé úpravy"), {}};
    for (const WatchAction& quickAction : quickActions())
        quick.items.append({quickAction.title(), quickAction});
    listed.append(quick);

    const bool known = std::any_of(listed.cbegin(), listed.cend(), [&](const PickerSection& section) {
        return std::any_of(section.items.cbegin(), section.items.cend(),
                           [&](const PickerItem& item) { return item.action.isSameAs(action); });
    });
    if (!known)
        listed.prepend({L("Doporučeno"), {{action.title(), action}}});
    return listed;
}

bool AddWatchSheet::isSameFolder(const QString& a, const QString& b)
{
    return canonicalFolder(a) == canonicalFolder(b);
}

QString AddWatchSheet::resultsNote(const std::optional<QString>& outputFolder)
{
    if (!outputFolder)
        return L("Originály se nikdy nemění. Kelvaro se tě zeptá, kam výsledky ukládat.");
    const QString name = QFileInfo(QDir::cleanPath(*outputFolder)).fileName();
    // The quotes belong to the language, so they live in the looked-up text.
    return Lf("Originály se nikdy nemění. Výsledky se ukládají do „%@“.", name + QStringLiteral("/Automaticky"));
}

// ---- Layout ---------------------------------------------------------------------------------------

QWidget* AddWatchSheet::header()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(new IconBadge(QStringLiteral("eye.fill"), Theme::ember(), 42, true, box), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(2);
    auto* title = new Text(L("Nová hlídaná složka"), TextStyle::title3, box);
    title->setStyle(TextStyle::title3, QFont::Bold);
    texts->addWidget(title);
    auto* subtitle = new Text(L("Nové obrázky se zpracují samy."), TextStyle::caption, box);
    subtitle->setColor(Theme::secondary());
    texts->addWidget(subtitle);
    row->addLayout(texts, 1);
    return box;
}

QWidget* AddWatchSheet::stepCard(int number, const QString& title, QWidget* content)
{
    auto* card = new Card(14, this);
    card->setObjectName(QStringLiteral("step%1").arg(number));
    auto* row = new QHBoxLayout(card);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(12);
    row->addWidget(new StepNumber(number, card), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(8);
    auto* heading = new Text(title, TextStyle::callout, card);
    heading->setStyle(TextStyle::callout, QFont::DemiBold);
    texts->addWidget(heading);
    content->setParent(card);
    texts->addWidget(content);
    row->addLayout(texts, 1);
    return card;
}

QWidget* AddWatchSheet::folderStep()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    m_noFolder = new Text(L("Zatím nic nevybráno"), TextStyle::body, box);
    m_noFolder->setObjectName(QStringLiteral("noFolder"));
    m_noFolder->setColor(Theme::secondary());
    row->addWidget(m_noFolder, 1);

    m_folderLabel = new QWidget(box);
    QVBoxLayout* label = column(m_folderLabel, 2);
    auto* nameLine = new QHBoxLayout();
    nameLine->setSpacing(5);
    auto* glyph = new SymbolView(QStringLiteral("folder.fill"), 12, m_folderLabel);
    glyph->setColor(Theme::ember());
    nameLine->addWidget(glyph, 0, Qt::AlignVCenter);
    m_folderName = new Text(QString(), TextStyle::callout, m_folderLabel);
    m_folderName->setObjectName(QStringLiteral("folderName"));
    m_folderName->setStyle(TextStyle::callout, QFont::DemiBold);
    m_folderName->setElide(Qt::ElideRight);
    nameLine->addWidget(m_folderName, 1);
    label->addLayout(nameLine);
    m_folderPath = new Text(QString(), TextStyle::caption, m_folderLabel);
    m_folderPath->setObjectName(QStringLiteral("folderPath"));
    m_folderPath->setColor(Theme::secondary());
    m_folderPath->setElide(Qt::ElideMiddle);
    label->addWidget(m_folderPath);
    row->addWidget(m_folderLabel, 1);

    row->addSpacing(8);
    m_folderButton = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, box);
    m_folderButton->setObjectName(QStringLiteral("chooseFolder"));
    connect(m_folderButton, &QAbstractButton::clicked, this, &AddWatchSheet::chooseFolder);
    row->addWidget(m_folderButton, 0, Qt::AlignVCenter);
    return box;
}

QWidget* AddWatchSheet::actionStep()
{
    auto* box = new QWidget(this);
    QVBoxLayout* layout = column(box, 8);
    m_picker = new QComboBox(box);
    m_picker->setObjectName(QStringLiteral("action"));
    m_picker->setAccessibleName(L("Postup"));
    m_picker->setModel(new QStandardItemModel(m_picker));
    m_picker->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_picker->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_picker->setMaxVisibleItems(18);
    connect(m_picker, &QComboBox::activated, this, [this](int index) {
        const int slot = m_picker->itemData(index, kActionRole).toInt();
        if (slot < 0 || slot >= m_pickerActions.size())
            return;
        const WatchAction chosen = m_pickerActions.at(slot);
        // The list may lose its "Doporučeno" entry: rebuilt once the popup has finished.
        QMetaObject::invokeMethod(this, [this, chosen] { setAction(chosen); }, Qt::QueuedConnection);
    });
    layout->addWidget(m_picker);
    m_detail = wrapped(QString(), TextStyle::caption, box);
    m_detail->setObjectName(QStringLiteral("detail"));
    m_detail->setColor(Theme::secondary());
    layout->addWidget(m_detail);
    return box;
}

QWidget* AddWatchSheet::resultsRow()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    auto* shield = new SymbolView(QStringLiteral("checkmark.shield.fill"), 13, box);
    shield->setColor(Theme::tealText());
    row->addWidget(shield, 0, Qt::AlignTop);
    m_note = wrapped(QString(), TextStyle::caption, box);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setColor(Theme::secondary());
    row->addWidget(m_note, 1);
    return box;
}

QWidget* AddWatchSheet::problemRow()
{
    m_problemRow = new QWidget(this);
    auto* row = new QHBoxLayout(m_problemRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto* mark = new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 13, m_problemRow);
    mark->setColor(Theme::rose());
    row->addWidget(mark, 0, Qt::AlignTop);
    m_problemText = wrapped(QString(), TextStyle::callout, m_problemRow);
    m_problemText->setObjectName(QStringLiteral("problem"));
    m_problemText->setColor(Theme::rose());
    row->addWidget(m_problemText, 1);
    return m_problemRow;
}

QWidget* AddWatchSheet::buttons()
{
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addStretch(1);
    m_cancel = new KelvaroButton(L("Zrušit"), KelvaroButton::Kind::secondary, box);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    connect(m_cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    row->addWidget(m_cancel);
    m_start = new KelvaroButton(L("Začít sledovat"), KelvaroButton::Kind::primary, box);
    m_start->setObjectName(QStringLiteral("start"));
    connect(m_start, &QAbstractButton::clicked, this, &AddWatchSheet::start);
    row->addWidget(m_start);
    return box;
}

// ---- State ----------------------------------------------------------------------------------------

void AddWatchSheet::setAction(const WatchAction& action)
{
    m_action = action;
    rebuildPicker();
}

void AddWatchSheet::chooseFolder()
{
    const auto chosen = OutputFolder::choose(L("Vyber složku, kterou má Kelvaro hlídat."), m_folder);
    if (!chosen)
        return;
    m_folder = QDir::cleanPath(QFileInfo(*chosen).absoluteFilePath());
    refreshFolder();
    setProblem(std::nullopt);
}

void AddWatchSheet::start()
{
    if (!m_folder)
        return;
    const QString folder = *m_folder;
    const QList<WatchRule> rules = m_service->rules();
    const bool duplicate = std::any_of(rules.cbegin(), rules.cend(), [&](const WatchRule& rule) {
        return rule.action.isSameAs(m_action) && isSameFolder(rule.folderPath, folder);
    });
    if (duplicate) {
        setProblem(L("Tuhle složku s tímto postupem už hlídám."));
        return;
    }
    // Only has to exist before the rule does: the watcher resolves it for every run.
    const auto results = OutputFolder::obtain();
    refreshNote();
    if (!results) {
        setProblem(L("Bez složky pro výsledky to nepůjde."));
        return;
    }
    const WatchAddResult added = m_service->add(folder, m_action);
    if (!added) {
        setProblem(*added.refusal);
        return;
    }
    accept();
}

void AddWatchSheet::refreshFolder()
{
    m_noFolder->setVisible(!m_folder);
    m_folderLabel->setVisible(m_folder.has_value());
    if (m_folder) {
        // The user's own names: never looked up.
        m_folderName->setText(NativePath::displayName(QFileInfo(*m_folder).fileName()));
        m_folderPath->setText(*m_folder);
        m_folderPath->setToolTip(*m_folder);
    }
    m_folderButton->setText(m_folder ? L("Změnit…") : L("Vybrat…"));
    m_folderButton->updateGeometry();
    m_start->setEnabled(m_folder.has_value());
}

void AddWatchSheet::rebuildPicker()
{
    const QList<PickerSection> sections = pickerSections(m_action, m_workflows->workflows(), m_presets->presets());
    auto* model = static_cast<QStandardItemModel*>(m_picker->model());
    const QSignalBlocker blocker(m_picker);
    model->clear();
    m_pickerActions.clear();
    int current = -1;
    QFont headerFont = m_picker->font();
    headerFont.setBold(true);
    for (const PickerSection& section : sections) {
        auto* head = new QStandardItem(section.title);
        head->setFlags(Qt::NoItemFlags);
        head->setFont(headerFont);
        head->setData(-1, kActionRole);
        model->appendRow(head);
        for (const PickerItem& item : section.items) {
            auto* row = new QStandardItem(item.text);
            row->setData(int(m_pickerActions.size()), kActionRole);
            row->setToolTip(item.action.detail());
            if (current < 0 && item.action.isSameAs(m_action))
                current = model->rowCount();
            m_pickerActions.append(item.action);
            model->appendRow(row);
        }
    }
    m_picker->setCurrentIndex(current);
    m_detail->setText(m_action.detail());
}

void AddWatchSheet::refreshNote()
{
    m_note->setText(resultsNote(OutputFolder::resolve()));
}

void AddWatchSheet::setProblem(const std::optional<QString>& problem)
{
    m_problem = problem;
    m_problemRow->setVisible(problem.has_value());
    m_problemText->setText(problem.value_or(QString()));
}

// ---- Window ---------------------------------------------------------------------------------------

void AddWatchSheet::keyPressEvent(QKeyEvent* event)
{
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (m_start->isEnabled())
            start();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event); // Escape rejects
}

bool AddWatchSheet::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show)
        fitHeight();
    return handled;
}

// Wrapped texts only know their height for a width; a top-level window never asks, so the sheet
// asks for its own fixed width.
void AddWatchSheet::fitHeight()
{
    const int height = m_column->hasHeightForWidth() ? m_column->totalHeightForWidth(sheetWidth) : m_column->sizeHint().height();
    if (height > 0 && height != this->height())
        setFixedHeight(height);
}

} // namespace kelvaro
