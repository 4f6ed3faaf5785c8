#pragma once
// The JSON form of every stored record: members named after the fields, UUIDs as 36 upper-case
// characters, dates as seconds since 2001-01-01 00:00:00 UTC, data as Base64. An optional member
// is omitted when absent and reads as absent when missing or null; a missing or mistyped required
// member fails the record (strict: 1.5 is not an integer, a number is not a Boolean), and the
// caller fails the whole list or document with it. Members a decoder never asks for (a later
// version's) are kept by the record as read (Reader::unknownMembers) and written back under the
// ones it knows (Writer's constructor), so a save by this version loses none of them.
#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>
#include <QString>
#include <QUuid>

namespace kelvaro::json {

QString uuidText(const QUuid& id);               // "E621E1F8-C36C-495A-93FC-0C247A3E6E5F"
std::optional<QUuid> parseUuid(const QString& text);
double dateValue(const QDateTime& date);         // seconds since 2001-01-01 UTC
QDateTime dateFrom(double seconds);

// Reads members of one object; the first failure sticks, so a decoder reads every member and
// checks ok() once at the end.
class Reader {
public:
    explicit Reader(const QJsonObject& object) : m_object(object) {}
    explicit Reader(const QJsonValue& value);   // a non-object fails at once

    bool ok() const { return m_ok; }
    void fail() { m_ok = false; }
    const QJsonObject& object() const { return m_object; }
    bool has(const QString& key) const;          // present and not null
    // The members no read so far (has() included) asked for; taken once every member is read.
    QJsonObject unknownMembers() const;

    QString string(const QString& key);
    qint64 integer(const QString& key);
    double number(const QString& key);
    bool boolean(const QString& key);
    QUuid uuid(const QString& key);
    QDateTime date(const QString& key);
    QByteArray data(const QString& key);
    QJsonObject objectMember(const QString& key);
    QJsonArray array(const QString& key);

    std::optional<QString> optString(const QString& key);
    std::optional<qint64> optInteger(const QString& key);
    std::optional<double> optNumber(const QString& key);
    std::optional<bool> optBoolean(const QString& key);
    std::optional<QUuid> optUuid(const QString& key);
    std::optional<QDateTime> optDate(const QString& key);
    std::optional<QByteArray> optData(const QString& key);

private:
    QJsonValue required(const QString& key);
    QJsonObject m_object;
    bool m_ok = true;
    mutable QSet<QString> m_asked;
};

// Value conversions with the same strictness, for arrays of plain values.
std::optional<qint64> toInteger(const QJsonValue& v);
std::optional<double> toNumber(const QJsonValue& v);

// Writer helpers: optional members are left out when absent.
class Writer {
public:
    Writer() = default;
    // Starts from the members a record kept of a later version; the ones set afterwards win.
    explicit Writer(const QJsonObject& unknownMembers) : m_object(unknownMembers) {}
    Writer& set(const QString& key, const QJsonValue& value) { m_object.insert(key, value); return *this; }
    Writer& set(const QString& key, const QString& value) { m_object.insert(key, value); return *this; }
    Writer& set(const QString& key, const char* value) { m_object.insert(key, QString::fromUtf8(value)); return *this; }
    Writer& set(const QString& key, bool value) { m_object.insert(key, value); return *this; }
    Writer& set(const QString& key, int value) { m_object.insert(key, value); return *this; }
    Writer& set(const QString& key, qint64 value) { m_object.insert(key, value); return *this; }
    Writer& set(const QString& key, double value) { m_object.insert(key, value); return *this; }
    Writer& set(const QString& key, const QUuid& value) { m_object.insert(key, uuidText(value)); return *this; }
    Writer& set(const QString& key, const QDateTime& value) { m_object.insert(key, dateValue(value)); return *this; }
    Writer& setData(const QString& key, const QByteArray& value);
    template <typename T>
    Writer& setOptional(const QString& key, const std::optional<T>& value)
    {
        if (value)
            set(key, *value);
        return *this;
    }
    Writer& setOptionalData(const QString& key, const std::optional<QByteArray>& value);
    QJsonObject object() const { return m_object; }

private:
    QJsonObject m_object;
};

// Decodes a JSON array of records with `decode` (QJsonValue -> std::optional<T>); one failing
// element fails the whole list.
template <typename T, typename Decode>
std::optional<QList<T>> decodeList(const QByteArray& bytes, Decode decode);

QByteArray encodeArray(const QJsonArray& array);

} // namespace kelvaro::json

#include "platform/JsonList.inl"
