#include "ui/sheets/PlatformCropSheet.h"

#include <QVBoxLayout>

#include "engine/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/PlatformCropPreview.h"

namespace kelvaro {
namespace {
constexpr int kColumnSpacing = 12;

int side(const std::optional<int>& value)
{
    return value && *value >= 1 ? *value : 1;
}

QString sheetTitle(const std::optional<PresetSpec>& pending)
{
    return pending ? pending->name : LKey("Předvolba"); // the frame looks it up
}
} // namespace

std::optional<KelvaroOp> PlatformCropSheet::operation(const std::optional<PresetSpec>& pending, double offsetX,
                                                      double offsetY)
{
    if (!pending)
        return std::nullopt;
    PresetSpec copy = *pending;
    copy.cropOffsetX = offsetX;
    copy.cropOffsetY = offsetY;
    return KelvaroOp::preset(copy);
}

double PlatformCropSheet::targetAspect(const std::optional<PresetSpec>& pending)
{
    if (!pending)
        return 1;
    return double(side(pending->targetWidth)) / side(pending->targetHeight);
}

QString PlatformCropSheet::hint(const std::optional<PresetSpec>& pending, qsizetype fileCount)
{
    QString text = Lf("Výsledek: %ld×%ld px. Výřez posuneš přetažením.", pending ? side(pending->targetWidth) : 1,
                      pending ? side(pending->targetHeight) : 1);
    if (fileCount >= 2)
        text += QLatin1Char(' ') + Lf("Stejná poloha se použije pro všech %ld fotek.", fileCount);
    return text;
}

PlatformCropSheet::PlatformCropSheet(KelvaroStore& store, QWidget* parent)
    : SheetFrame(sheetTitle(store.pendingPreset()), QStringLiteral("crop"), LKey("Uložit"), parent),
      m_store(&store)
{
    auto* column = new QVBoxLayout();
    column->setSpacing(kColumnSpacing);

    const QStringList& files = store.droppedFiles();
    m_preview = new PlatformCropPreview(files.isEmpty() ? std::nullopt : std::optional<QString>(files.first()),
                                        sheetWidth - 2 * sheetPadding, targetAspect(store.pendingPreset()), this);
    column->addWidget(m_preview);
    connect(m_preview, &PlatformCropPreview::dragged, this, &PlatformCropSheet::setOffsets);

    m_hint = new Text(hint(store.pendingPreset(), files.size()), TextStyle::callout, this);
    m_hint->setColor(Theme::secondary());
    m_hint->setWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    m_hint->setSizePolicy(policy);
    column->addWidget(m_hint);

    m_centre = new KelvaroButton(L("Vycentrovat"), KelvaroButton::Kind::secondary, this);
    column->addWidget(m_centre, 0, Qt::AlignLeft);
    connect(m_centre, &QAbstractButton::clicked, this, [this] { setOffsets(0.5, 0.5); });

    addContent(column);
    setCanRun(store.pendingPreset().has_value());
    // The picture is what the sheet is about; Return still runs the action from there.
    m_preview->setFocusPolicy(Qt::ClickFocus);
    m_preview->setFocus();
}

std::optional<KelvaroOp> PlatformCropSheet::currentOp() const
{
    return operation(m_store ? m_store->pendingPreset() : std::nullopt, m_offsetX, m_offsetY);
}

std::function<void()> PlatformCropSheet::runClosure() const
{
    return [target = m_store, op = currentOp()] {
        if (target && op)
            target->run(*op);
    };
}

void PlatformCropSheet::setOffsets(double offsetX, double offsetY)
{
    m_offsetX = offsetX;
    m_offsetY = offsetY;
    m_preview->setOffsets(offsetX, offsetY);
}

} // namespace kelvaro
