#pragma once
#include <QJsonDocument>

namespace kelvaro::json {

template <typename T, typename Decode>
std::optional<QList<T>> decodeList(const QByteArray& bytes, Decode decode)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    QList<T> out;
    const QJsonArray array = doc.array();
    out.reserve(array.size());
    for (const QJsonValue& v : array) {
        std::optional<T> item = decode(v);
        if (!item)
            return std::nullopt;
        out.append(std::move(*item));
    }
    return out;
}

} // namespace kelvaro::json
