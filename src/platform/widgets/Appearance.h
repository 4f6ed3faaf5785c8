#pragma once
// Whether the desktop wants dark windows. Reads the freedesktop portal's
// org.freedesktop.appearance color-scheme (and follows its SettingChanged signal); without a
// portal or session bus it infers the answer from the application palette's window colour.
// Lives on the main thread; created on first use by shared(). Tests and the gallery force an
// answer with setOverride().
#include <optional>

#include <QDBusVariant>
#include <QObject>
#include <QPalette>

namespace kelvaro {

class Appearance : public QObject {
    Q_OBJECT
public:
    static Appearance& shared();

    bool isDark() const { return m_dark; }
    // True while the answer is inferred from the application palette (no override, no portal):
    // that palette is then the desktop's, and nobody may replace it without blinding the answer.
    bool followsPalette() const { return !m_override && !m_portal; }
    // Forces dark (true) or light (false); nullopt follows the desktop again.
    void setOverride(std::optional<bool> dark);

    // Portal values: 0 no preference, 1 prefer dark, 2 prefer light. nullopt when unknown.
    static std::optional<bool> darkFromPortalValue(uint value);
    static bool darkFromPalette(const QPalette& palette);

Q_SIGNALS:
    void changed(bool dark); // only when the answer really changes
    // An override was set or lifted, after `changed` when the answer changed with it. Once lifted
    // the answer may come from the application palette the appearance's own palette replaced:
    // whoever set that palette gives the desktop's back, and the answer follows it.
    void overrideChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void portalSettingChanged(const QString& ns, const QString& key, const QDBusVariant& value);

private:
    Appearance();
    void readPortal();
    void recompute();

    std::optional<bool> m_override;
    std::optional<bool> m_portal;
    bool m_dark = false;
};

} // namespace kelvaro
