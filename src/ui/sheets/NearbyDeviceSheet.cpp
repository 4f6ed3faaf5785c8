#include "ui/sheets/NearbyDeviceSheet.h"

#include <memory>

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"

namespace kelvaro {
namespace {

// One device: its glyph, its name, and a round mark that fills when it is the picked one, on a
// faint brand tint.
class DeviceRow : public HoverButton {
public:
    DeviceRow(const NearbyDevice& device, QWidget* parent) : HoverButton(8, parent)
    {
        setCheckable(true);
        setAccessibleName(device.name);
        contentLayout()->setContentsMargins(10, 8, 10, 8);
        contentLayout()->setSpacing(10);
        auto* glyph = new SymbolView(QStringLiteral("iphone"), 16, this);
        contentLayout()->addWidget(glyph);
        auto* name = new Text(device.name, TextStyle::body, this);
        name->setElide(Qt::ElideRight);
        contentLayout()->addWidget(name, 1);
        m_mark = new SymbolView(QStringLiteral("circle"), 16, this);
        contentLayout()->addWidget(m_mark);
        connect(this, &QAbstractButton::toggled, this, [this](bool on) {
            m_mark->setSymbol(on ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"));
            if (on)
                m_mark->setColor(Theme::ember());
            else
                m_mark->setColor(Theme::tertiary());
        });
        m_mark->setColor(Theme::tertiary());
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (isChecked()) {
            QPainter p(this);
            p.setRenderHint(QPainter::Antialiasing);
            QColor tint = Theme::ember();
            tint.setAlphaF(0.12f);
            QPainterPath path;
            path.addRoundedRect(QRectF(rect()), 8, 8);
            p.fillPath(path, tint);
        }
        HoverButton::paintEvent(event);
    }

private:
    SymbolView* m_mark = nullptr;
};

} // namespace

NearbyDeviceSheet::NearbyDeviceSheet(KelvaroStore& store, const QList<NearbyDevice>& devices, QWidget* parent)
    : SheetFrame(LKey("Poslat přes KDE Connect"), QStringLiteral("airplayaudio"), LKey("Poslat"), parent)
    , m_devices(devices)
{
    auto* hint = new Text(L("Připojených zařízení je víc. Vyber, kam se soubory pošlou."), TextStyle::callout, this);
    hint->setColor(Theme::secondary());
    hint->setWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    hint->setSizePolicy(policy);
    addContent(hint);

    auto* list = new QVBoxLayout();
    list->setSpacing(2);
    m_group = new QButtonGroup(this);
    m_group->setExclusive(true);
    for (int i = 0; i < devices.size(); ++i) {
        auto* row = new DeviceRow(devices[i], this);
        m_group->addButton(row, i);
        list->addWidget(row);
    }
    addContent(list);
    if (!devices.isEmpty()) {
        m_group->button(0)->setChecked(true);
        m_group->button(0)->setFocus();
    }
    setCanRun(!devices.isEmpty());

    // The sheet is gone by the time the run closure is called: the pick travels with it.
    auto picked = std::make_shared<QString>(selectedDevice());
    connect(m_group, &QButtonGroup::idToggled, this, [this, picked](int, bool) { *picked = selectedDevice(); });
    // The store outlives any sheet in the application; a test may not keep it that long.
    QPointer<KelvaroStore> target(&store);
    setOnRun([target, picked] {
        if (target)
            target->sendToDevice(*picked);
    });
}

QString NearbyDeviceSheet::selectedDevice() const
{
    const int index = m_group->checkedId();
    return index >= 0 ? m_devices.value(index).id : QString();
}

QList<QAbstractButton*> NearbyDeviceSheet::rows() const
{
    return m_group->buttons();
}

void presentNearbyChoices(KelvaroStore& store, QWidget* host)
{
    auto sheet = std::make_shared<QPointer<NearbyDeviceSheet>>();
    QObject::connect(&store, &KelvaroStore::nearbyChoiceChanged, host, [&store, host, sheet] {
        const QList<NearbyDevice> devices = store.nearbyChoice();
        if (devices.isEmpty()) {
            if (*sheet)
                (*sheet)->reject();
            return;
        }
        if (*sheet)
            return;
        auto* dialog = new NearbyDeviceSheet(store, devices, host->window());
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        Theme::follow(dialog); // a window does not inherit its parent's palette
        QObject::connect(dialog, &QDialog::rejected, &store, &KelvaroStore::dismissNearbyChoice);
        *sheet = dialog;
        dialog->open();
    });
}

} // namespace kelvaro
