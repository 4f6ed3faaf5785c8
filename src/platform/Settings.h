#pragma once
// The application's stored settings ("user defaults"): one JSON file in the XDG config folder,
// keys verbatim ("kelvaro.jpegQuality", "kelvaro.presets.v1", …). Values keep their JSON type
// (bool, number, string, data, list), so rules like "any value that is not a Boolean counts as
// absent" can be followed. One shared instance; readable and writable from any thread; changed()
// is emitted (from the writing thread) only when a value really changes. A file that is not a
// JSON object is renamed to "kelvaro.json.unreadable-<yyyyMMdd-HHmmss>" beside it and logged, and
// the settings start empty, so the next write never lands on the user's data.
#include <optional>

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace kelvaro {

class Settings : public QObject {
    Q_OBJECT
public:
    static Settings& shared();

    // The stored value with its type, or an invalid QVariant when absent.
    QVariant value(const QString& key) const;
    bool contains(const QString& key) const;
    // Every stored key.
    QStringList keys() const;
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // Typed reads: present only when the stored value has exactly that type.
    std::optional<bool> boolValue(const QString& key) const;
    std::optional<double> numberValue(const QString& key) const;
    std::optional<QString> stringValue(const QString& key) const;
    std::optional<QByteArray> dataValue(const QString& key) const;
    std::optional<QStringList> stringListValue(const QString& key) const;

    bool boolOr(const QString& key, bool fallback) const { return boolValue(key).value_or(fallback); }
    QString stringOr(const QString& key, const QString& fallback) const { return stringValue(key).value_or(fallback); }

    // Writes pending changes to disk now (also done on destruction and by Qt's own timer).
    void sync();
    QString filePath() const;

Q_SIGNALS:
    void changed(const QString& key);

private:
    Settings();
    mutable QMutex m_mutex;
    QSettings* m_settings = nullptr;
};

} // namespace kelvaro
