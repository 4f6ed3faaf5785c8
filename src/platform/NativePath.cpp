#include "platform/NativePath.h"

namespace kelvaro::NativePath {
namespace {

constexpr char16_t kEscape = 0xDC00;

// The length of the valid UTF-8 sequence at `at`, or 0 when the byte there starts none.
int sequenceAt(const QByteArray& bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return i < bytes.size() ? uchar(bytes[i]) : 0u; };
    const uint lead = byte(at);
    if (lead < 0x80)
        return 1;
    const auto continuation = [&](qsizetype i) { return (byte(i) & 0xC0) == 0x80; };
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const uint second = byte(at + 1);
        // No overlong forms, no surrogates.
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F))
            return 0;
        return continuation(at + 1) && continuation(at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const uint second = byte(at + 1);
        if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return 0;
        return continuation(at + 1) && continuation(at + 2) && continuation(at + 3) ? 4 : 0;
    }
    return 0;
}

} // namespace

QString decoded(const QByteArray& native)
{
    QString text;
    text.reserve(native.size());
    qsizetype run = 0; // start of the valid bytes not yet decoded
    qsizetype at = 0;
    while (at < native.size()) {
        const int length = sequenceAt(native, at);
        if (length > 0) {
            at += length;
            continue;
        }
        text += QString::fromUtf8(native.constData() + run, at - run);
        text += QChar(char16_t(kEscape + uchar(native[at])));
        run = ++at;
    }
    text += QString::fromUtf8(native.constData() + run, at - run);
    return text;
}

QByteArray encoded(const QString& path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        if (path[i].isHighSurrogate() && i + 1 < path.size() && path[i + 1].isLowSurrogate()) {
            ++i; // a character outside the basic plane
            continue;
        }
        if (unit < kEscape + 0x80 || unit > kEscape + 0xFF)
            continue;
        bytes += QStringView(path).mid(run, i - run).toUtf8();
        bytes += char(unit - kEscape);
        run = i + 1;
    }
    bytes += QStringView(path).mid(run).toUtf8();
    return bytes;
}

QString localFile(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    const QString local = url.toLocalFile();
    // A host's share ("//server/…") keeps Qt's reading.
    if (local.isEmpty() || (!url.host().isEmpty() && url.host() != QLatin1String("localhost")))
        return local;
    return decoded(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QUrl localUrl(const QString& path)
{
    const QByteArray native = encoded(path);
    if (native == path.toUtf8() || !path.startsWith(QLatin1Char('/')))
        return QUrl::fromLocalFile(path);
    return QUrl::fromEncoded("file://" + native.toPercentEncoding("/"), QUrl::StrictMode);
}

QString displayName(const QString& path)
{
    QString text = path;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace kelvaro::NativePath
