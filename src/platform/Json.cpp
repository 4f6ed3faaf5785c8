#include "platform/Json.h"

#include <algorithm>
#include <cmath>

#include <QJsonDocument>
#include <QTimeZone>

namespace kelvaro::json {
namespace {
const QDateTime& referenceDate()
{
    static const QDateTime ref(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return ref;
}
} // namespace

QString uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> parseUuid(const QString& text)
{
    if (text.size() != 36)
        return std::nullopt;
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text != QStringLiteral("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    return id;
}

double dateValue(const QDateTime& date)
{
    return double(referenceDate().msecsTo(date)) / 1000.0;
}

QDateTime dateFrom(double seconds)
{
    // Beyond ±3 million years a stored number is garbage; clamping keeps llround defined.
    constexpr double limit = 1.0e14;
    const double clamped = std::isfinite(seconds) ? std::clamp(seconds, -limit, limit) : 0.0;
    return referenceDate().addMSecs(qint64(std::llround(clamped * 1000.0))).toUTC();
}

std::optional<qint64> toInteger(const QJsonValue& v)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d || std::fabs(d) > 9007199254740992.0)
        return std::nullopt;
    return qint64(d);
}

std::optional<double> toNumber(const QJsonValue& v)
{
    if (!v.isDouble())
        return std::nullopt;
    return v.toDouble();
}

Reader::Reader(const QJsonValue& value)
{
    if (value.isObject())
        m_object = value.toObject();
    else
        m_ok = false;
}

bool Reader::has(const QString& key) const
{
    m_asked.insert(key);
    const QJsonValue v = m_object.value(key);
    return !v.isUndefined() && !v.isNull();
}

QJsonObject Reader::unknownMembers() const
{
    QJsonObject unknown;
    for (auto it = m_object.constBegin(); it != m_object.constEnd(); ++it) {
        if (!m_asked.contains(it.key()))
            unknown.insert(it.key(), it.value());
    }
    return unknown;
}

QJsonValue Reader::required(const QString& key)
{
    m_asked.insert(key);
    const QJsonValue v = m_object.value(key);
    if (v.isUndefined() || v.isNull())
        m_ok = false;
    return v;
}

QString Reader::string(const QString& key)
{
    const QJsonValue v = required(key);
    if (!v.isString()) {
        m_ok = false;
        return {};
    }
    return v.toString();
}

qint64 Reader::integer(const QString& key)
{
    const auto n = toInteger(required(key));
    if (!n) {
        m_ok = false;
        return 0;
    }
    return *n;
}

double Reader::number(const QString& key)
{
    const auto n = toNumber(required(key));
    if (!n) {
        m_ok = false;
        return 0;
    }
    return *n;
}

bool Reader::boolean(const QString& key)
{
    const QJsonValue v = required(key);
    if (!v.isBool()) {
        m_ok = false;
        return false;
    }
    return v.toBool();
}

QUuid Reader::uuid(const QString& key)
{
    const auto id = parseUuid(string(key));
    if (!id) {
        m_ok = false;
        return {};
    }
    return *id;
}

QDateTime Reader::date(const QString& key)
{
    const double seconds = number(key);
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1.0e14) {
        m_ok = false;
        return {};
    }
    return dateFrom(seconds);
}

QByteArray Reader::data(const QString& key)
{
    const QString text = string(key);
    auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        m_ok = false;
        return {};
    }
    return *decoded;
}

QJsonObject Reader::objectMember(const QString& key)
{
    const QJsonValue v = required(key);
    if (!v.isObject()) {
        m_ok = false;
        return {};
    }
    return v.toObject();
}

QJsonArray Reader::array(const QString& key)
{
    const QJsonValue v = required(key);
    if (!v.isArray()) {
        m_ok = false;
        return {};
    }
    return v.toArray();
}

std::optional<QString> Reader::optString(const QString& key)
{
    if (!has(key))
        return std::nullopt;
    return string(key);
}

std::optional<qint64> Reader::optInteger(const QString& key)
{
    if (!has(key))
        return std::nullopt;
    return integer(key);
}

std::optional<double> Reader::optNumber(const QString& key)
{
    if (!has(key))
        return std::nullopt;
    return number(key);
}

std::optional<bool> Reader::optBoolean(const QString& key)
{
    if (!has(key))
        return std::nullopt;
    return boolean(key);
}

std::optional<QUuid> Reader::optUuid(const QString& key)
{
    if (!has(key))
        return std::nullopt;
    return uuid(key);
}

std::optional<QDateTime> Reader::optDate(const QString& key)
{
    if (!has(key))
        return std::nullopt;
    return date(key);
}

std::optional<QByteArray> Reader::optData(const QString& key)
{
    if (!has(key))
        return std::nullopt;
    return data(key);
}

Writer& Writer::setData(const QString& key, const QByteArray& value)
{
    m_object.insert(key, QString::fromLatin1(value.toBase64()));
    return *this;
}

Writer& Writer::setOptionalData(const QString& key, const std::optional<QByteArray>& value)
{
    if (value)
        setData(key, *value);
    return *this;
}

QByteArray encodeArray(const QJsonArray& array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

} // namespace kelvaro::json
