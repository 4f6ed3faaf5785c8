#include "ui/presets/PresetPanel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "model/WorkflowLibrary.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "store/UserPresets.h"
#include "store/WorkflowStore.h"
#include "ui/design/FocusRing.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Symbols.h"
#include "ui/presets/PresetTile.h"

namespace kelvaro {
namespace {

// Colours of the panel's own, not theme tokens: the workflow group's orange and the red of every
// platform but Instagram.
const QColor kWorkflowOrange = QColor::fromRgbF(0.93f, 0.36f, 0.16f);
const QColor kPlatformRed = QColor::fromRgbF(0.86f, 0.12f, 0.14f);
const QString kInstagram = QStringLiteral("instagram");

constexpr int kManageGlyph = 13;
constexpr int kManagePadding = 6;

// The header's round button: the symbol on the primary colour at 6 %, in the secondary colour.
class ManageButton : public QAbstractButton {
public:
    explicit ManageButton(QWidget* parent) : QAbstractButton(parent)
    {
        const int side = kManageGlyph + 2 * kManagePadding;
        setFixedSize(side, side);
        setCursor(Qt::PointingHandCursor);
        setToolTip(L("Spravovat vlastní předvolby"));
        setAccessibleName(toolTip());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled())
            p.setOpacity(0.45);
        const QRectF box(rect());
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::primaryAt(this, isDown() ? 0.12 : 0.06));
        p.drawEllipse(box);
        if (showsFocusRing(this)) {
            p.setPen(QPen(Theme::ember(), 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(box.adjusted(0.75, 0.75, -0.75, -0.75));
        }
        Symbols::paint(p, box.adjusted(kManagePadding, kManagePadding, -kManagePadding, -kManagePadding),
                       QStringLiteral("slider.horizontal.3"), Theme::secondary().on(this));
    }
};

// Over the lowest tenth of the scroll area: the card's fill from clear to opaque, so the list
// fades out at its foot instead of being cut.
class Fade : public QWidget {
public:
    explicit Fade(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        QColor card = Theme::cardFill().on(this);
        QLinearGradient gradient(0, 0, 0, height());
        card.setAlphaF(0);
        gradient.setColorAt(0, card);
        card.setAlphaF(1);
        gradient.setColorAt(1, card);
        p.fillRect(rect(), gradient);
    }
};

class FadingScroll : public QScrollArea {
public:
    explicit FadingScroll(QWidget* parent) : QScrollArea(parent), m_fade(new Fade(this)) {}

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QScrollArea::resizeEvent(event);
        const int tenth = height() / 10;
        m_fade->setGeometry(0, height() - tenth, width(), tenth);
        m_fade->raise();
    }

private:
    Fade* m_fade;
};

PresetTile::Glyph symbolGlyph(const QString& symbol, const QColor& color)
{
    return [symbol, color](QPainter& p, const QRectF& box) {
        constexpr qreal side = 17;
        Symbols::paint(p, QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side), symbol, color, 1.1);
    };
}

} // namespace

QString PresetPanel::platformTitle(const PlatformPresets& platform, const PresetSpec& preset)
{
    QString title = L(preset.name);
    title.remove(platform.title + QLatin1Char(' '));
    if (!title.isEmpty())
        title[0] = title.at(0).toUpper();
    return title;
}

QString PresetPanel::platformDetail(const PresetSpec& preset)
{
    return QStringLiteral("%1\u00D7%2 px").arg(preset.targetWidth.value_or(0)).arg(preset.targetHeight.value_or(0));
}

PresetPanel::PresetPanel(KelvaroStore& store, Settings& settings, QWidget* parent)
    : QWidget(parent), m_store(store), m_workflows(new WorkflowStore(settings, this)),
      m_presets(new UserPresets(settings, this))
{
    setObjectName(QStringLiteral("presetPanel"));
    setFixedWidth(panelWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    auto* header = new QHBoxLayout();
    header->setSpacing(6);
    auto* bolt = new SymbolView(QStringLiteral("bolt.fill"), 12, this);
    bolt->setColor(Theme::ember());
    header->addWidget(bolt, 0, Qt::AlignVCenter);
    auto* title = new Text(L("Rychlé předvolby"), TextStyle::callout, this);
    title->setStyle(TextStyle::callout, QFont::DemiBold);
    header->addWidget(title, 0, Qt::AlignVCenter);
    header->addStretch(1);
    m_manage = new ManageButton(this);
    m_manage->setObjectName(QStringLiteral("managePresets"));
    connect(m_manage, &QAbstractButton::clicked, this, [this] {
        if (!m_store.isWorking())
            m_store.setActiveSheet(ToolSheet::presets);
    });
    header->addWidget(m_manage, 0, Qt::AlignVCenter);
    column->addLayout(header);

    m_scroll = new FadingScroll(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_scroll->viewport()->setAutoFillBackground(false);
    column->addWidget(m_scroll);

    connect(m_workflows, &WorkflowStore::changed, this, &PresetPanel::rebuild);
    connect(m_presets, &UserPresets::changed, this, &PresetPanel::rebuild);
    connect(&store, &KelvaroStore::isWorkingChanged, this, [this] { setEnabled(!m_store.isWorking()); });
    setEnabled(!store.isWorking());
    rebuild();
}

QSize PresetPanel::minimumSizeHint() const
{
    return {panelWidth, QWidget::minimumSizeHint().height()};
}

QVBoxLayout* PresetPanel::addGroup(QWidget* content, QVBoxLayout* column, const QString& title, const QString& symbol,
                                   const QList<QColor>& fill)
{
    auto* box = new QVBoxLayout();
    box->setSpacing(6);
    column->addLayout(box);
    Group group;
    group.title = title;
    group.header = new GroupHeader(title, symbol, fill, content);
    box->addWidget(group.header, 0, Qt::AlignLeft);
    m_groups << group;
    return box;
}

void PresetPanel::rebuild()
{
    // Nothing in the panel changes the lists, so no tile is in its click when this runs; the old
    // content still goes later, with the events that may already be queued for it.
    const int scrolled = m_scroll->verticalScrollBar()->value();
    if (QWidget* old = m_scroll->takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    m_groups.clear();
    m_workflowsLink = nullptr;

    auto* content = new QWidget();
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 2, 0, 2);
    column->setSpacing(16);
    auto addTile = [this](QVBoxLayout* group, PresetTile* tile) {
        group->addWidget(tile);
        m_groups.last().tiles << tile;
    };

    if (const QList<Workflow>& workflows = m_workflows->workflows(); !workflows.isEmpty()) {
        QVBoxLayout* group = addGroup(content, column, LKey("Postupy"), QStringLiteral("wand.and.stars"), {kWorkflowOrange});
        for (const Workflow& workflow : workflows) {
            auto* tile = new PresetTile(L(workflow.name), WorkflowLibrary::summary(workflow),
                                        symbolGlyph(workflow.symbol, Theme::ember()), content);
            connect(tile, &QAbstractButton::clicked, this, [this, workflow] {
                if (!m_store.isWorking())
                    m_store.run(KelvaroOp::workflow(workflow));
            });
            addTile(group, tile);
        }
        m_workflowsLink = new LinkButton(L("Spravovat postupy…"), TextStyle::caption, content);
        m_workflowsLink->setObjectName(QStringLiteral("manageWorkflows"));
        connect(m_workflowsLink, &QAbstractButton::clicked, this, [this] {
            if (!m_store.isWorking())
                m_store.setSidebarSelection(SidebarItem::workflows);
        });
        group->addWidget(m_workflowsLink, 0, Qt::AlignLeft);
    }

    for (const PlatformPresets& platform : PlatformPresets::all()) {
        const bool instagram = platform.id == kInstagram;
        const QList<QColor> fill = instagram ? QList<QColor>{Theme::violet(), Theme::rose(), Theme::gold()}
                                             : QList<QColor>{kPlatformRed};
        const QColor tint = instagram ? Theme::rose() : kPlatformRed;
        QVBoxLayout* group = addGroup(content, column, platform.title, platform.symbol, fill);
        for (const PresetSpec& preset : platform.presets) {
            const int w = preset.targetWidth.value_or(1);
            const int h = preset.targetHeight.value_or(1);
            auto* tile = new PresetTile(platformTitle(platform, preset), platformDetail(preset),
                                        [w, h, tint](QPainter& p, const QRectF& box) { AspectGlyph::paint(p, box, w, h, tint); },
                                        content);
            connect(tile, &QAbstractButton::clicked, this, [this, preset] {
                if (m_store.isWorking())
                    return;
                m_store.setPendingPreset(preset);
                m_store.setActiveSheet(ToolSheet::platformCrop);
            });
            addTile(group, tile);
        }
    }

    if (const QList<PresetSpec>& presets = m_presets->presets(); !presets.isEmpty()) {
        QVBoxLayout* group = addGroup(content, column, LKey("Moje"), QStringLiteral("star.fill"), {Theme::teal()});
        for (const PresetSpec& preset : presets) {
            auto* tile = new PresetTile(L(preset.name), preset.summary(), symbolGlyph(QStringLiteral("bolt.fill"), Theme::teal()),
                                        content);
            connect(tile, &QAbstractButton::clicked, this, [this, preset] {
                if (!m_store.isWorking())
                    m_store.run(KelvaroOp::preset(preset));
            });
            addTile(group, tile);
        }
    }
    column->addStretch(1);

    m_scroll->setWidget(content);
    content->setAutoFillBackground(false); // the list lies on the card: no backdrop of its own
    const int contentHeight = column->hasHeightForWidth() ? column->totalHeightForWidth(panelWidth) : column->sizeHint().height();
    m_scroll->setFixedSize(panelWidth, std::min(contentHeight, scrollMaxHeight));
    m_scroll->verticalScrollBar()->setValue(scrolled);
}

} // namespace kelvaro
