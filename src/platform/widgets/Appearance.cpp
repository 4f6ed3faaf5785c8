#include "platform/widgets/Appearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QEvent>
#include <QGuiApplication>

namespace kelvaro {
namespace {

const char* const kPortalService = "org.freedesktop.portal.Desktop";
const char* const kPortalPath = "/org/freedesktop/portal/desktop";
const char* const kSettingsInterface = "org.freedesktop.portal.Settings";
const char* const kAppearanceNamespace = "org.freedesktop.appearance";
const char* const kColorSchemeKey = "color-scheme";

// The portal wraps the value in one or two variants depending on its version.
QVariant unwrap(QVariant value)
{
    for (int i = 0; i < 3 && value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>(); ++i)
        value = value.value<QDBusVariant>().variant();
    return value;
}

} // namespace

Appearance& Appearance::shared()
{
    static Appearance* instance = new Appearance();
    return *instance;
}

Appearance::Appearance()
{
    if (qApp)
        qApp->installEventFilter(this);
    readPortal();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.connect(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
                    QString::fromLatin1(kSettingsInterface), QStringLiteral("SettingChanged"), this,
                    SLOT(portalSettingChanged(QString, QString, QDBusVariant)));
    recompute();
}

std::optional<bool> Appearance::darkFromPortalValue(uint value)
{
    if (value == 1)
        return true;
    if (value == 2)
        return false;
    return std::nullopt;
}

bool Appearance::darkFromPalette(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const QColor text = palette.color(QPalette::Active, QPalette::WindowText);
    return window.lightnessF() < text.lightnessF();
}

void Appearance::setOverride(std::optional<bool> dark)
{
    const bool overridden = m_override.has_value();
    m_override = dark;
    recompute();
    if (m_override.has_value() != overridden)
        Q_EMIT overrideChanged();
}

void Appearance::readPortal()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
                                                       QString::fromLatin1(kSettingsInterface), QStringLiteral("Read"));
    call << QString::fromLatin1(kAppearanceNamespace) << QString::fromLatin1(kColorSchemeKey);
    // A missing portal answers at once; a hung one must not stall the start for long.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 1500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return;
    const QVariant value = unwrap(reply.arguments().constFirst());
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    if (ok)
        m_portal = darkFromPortalValue(scheme);
}

void Appearance::portalSettingChanged(const QString& ns, const QString& key, const QDBusVariant& value)
{
    if (ns != QLatin1String(kAppearanceNamespace) || key != QLatin1String(kColorSchemeKey))
        return;
    bool ok = false;
    const uint scheme = unwrap(value.variant()).toUInt(&ok);
    m_portal = ok ? darkFromPortalValue(scheme) : std::nullopt;
    recompute();
}

bool Appearance::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        recompute();
    return QObject::eventFilter(watched, event);
}

void Appearance::recompute()
{
    bool dark = false;
    if (m_override)
        dark = *m_override;
    else if (m_portal)
        dark = *m_portal;
    else if (qApp)
        dark = darkFromPalette(QGuiApplication::palette());
    if (dark == m_dark)
        return;
    m_dark = dark;
    Q_EMIT changed(m_dark);
}

} // namespace kelvaro
