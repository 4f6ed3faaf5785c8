// printf-style filling of translated formats. Our own parser, so a translated format with a
// wrong or hostile conversion can never read a missing argument or overflow anything.
#include <algorithm>
#include <cmath>

#include <QLocale>

#include "l10n/Localization.h"

namespace kelvaro {
namespace {

constexpr int kMaxWidth = 256;

QString padded(QString text, int width, bool leftAlign, QChar fill)
{
    if (text.size() >= width)
        return text;
    const QString pad(width - text.size(), fill);
    if (leftAlign)
        return text + QString(width - text.size(), QLatin1Char(' '));
    // Zero padding goes after the sign.
    if (fill == QLatin1Char('0') && !text.isEmpty() && (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+')))
        return text.left(1) + pad + text.mid(1);
    return pad + text;
}

QString asText(const LfArg& arg)
{
    if (const auto* s = std::get_if<QString>(&arg))
        return *s;
    if (const auto* i = std::get_if<qint64>(&arg))
        return QString::number(*i);
    return QLocale().toString(std::get<double>(arg), 'g', 6);
}

std::optional<qint64> asInteger(const LfArg& arg)
{
    if (const auto* i = std::get_if<qint64>(&arg))
        return *i;
    if (const auto* d = std::get_if<double>(&arg)) {
        if (!std::isfinite(*d))
            return std::nullopt;
        // Truncated like printf's cast, clamped: converting an out-of-range double is undefined.
        constexpr double limit = 9.2e18;
        return qint64(std::clamp(*d, -limit, limit));
    }
    return std::nullopt;
}

std::optional<double> asDouble(const LfArg& arg)
{
    if (const auto* d = std::get_if<double>(&arg))
        return *d;
    if (const auto* i = std::get_if<qint64>(&arg))
        return double(*i);
    return std::nullopt;
}

} // namespace

QString formatText(const QString& format, const QList<LfArg>& args)
{
    QString out;
    out.reserve(format.size() + 16);
    qsizetype next = 0; // next sequential argument
    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out.append(c);
            ++i;
            continue;
        }
        const qsizetype start = i++;
        if (i < n && format[i] == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            ++i;
            continue;
        }
        // positional index "N$"
        qsizetype argIndex = -1;
        {
            qsizetype j = i;
            qint64 number = 0;
            while (j < n && format[j].isDigit() && number < 1000)
                number = number * 10 + format[j++].digitValue();
            if (j > i && j < n && format[j] == QLatin1Char('$') && number >= 1) {
                argIndex = number - 1;
                i = j + 1;
            }
        }
        bool leftAlign = false, plus = false, space = false, zero = false;
        while (i < n) {
            const QChar f = format[i];
            if (f == QLatin1Char('-')) leftAlign = true;
            else if (f == QLatin1Char('+')) plus = true;
            else if (f == QLatin1Char(' ')) space = true;
            else if (f == QLatin1Char('0')) zero = true;
            else if (f == QLatin1Char('#') || f == QLatin1Char('\'')) {}
            else break;
            ++i;
        }
        int width = 0;
        while (i < n && format[i].isDigit())
            width = std::min(kMaxWidth, width * 10 + format[i++].digitValue());
        int precision = -1;
        if (i < n && format[i] == QLatin1Char('.')) {
            ++i;
            precision = 0;
            while (i < n && format[i].isDigit())
                precision = std::min(kMaxWidth, precision * 10 + format[i++].digitValue());
        }
        while (i < n && QStringLiteral("hlqLzjt").contains(format[i]))
            ++i;
        if (i >= n) {
            out.append(format.mid(start));
            break;
        }
        const QChar conv = format[i++];
        const QString known = QStringLiteral("diuxXofFeEgG@sc");
        if (!known.contains(conv)) {
            out.append(format.mid(start, i - start));
            continue;
        }
        const qsizetype index = argIndex >= 0 ? argIndex : next++;
        const LfArg arg = (index >= 0 && index < args.size()) ? args[index] : LfArg(QString());
        const QChar fill = (zero && !leftAlign) ? QLatin1Char('0') : QLatin1Char(' ');
        QString piece;
        switch (conv.unicode()) {
        case 'd': case 'i': case 'u': {
            const auto v = asInteger(arg);
            if (!v) { piece = asText(arg); break; }
            piece = QString::number(*v);
            if (*v >= 0 && plus) piece.prepend(QLatin1Char('+'));
            else if (*v >= 0 && space) piece.prepend(QLatin1Char(' '));
            break;
        }
        case 'x': case 'X': case 'o': {
            const auto v = asInteger(arg);
            if (!v) { piece = asText(arg); break; }
            piece = QString::number(quint64(*v), conv == QLatin1Char('o') ? 8 : 16);
            if (conv == QLatin1Char('X')) piece = piece.toUpper();
            break;
        }
        case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': {
            const auto v = asDouble(arg);
            if (!v) { piece = asText(arg); break; }
            const char mode = char(conv.toLower().unicode());
            piece = QLocale().toString(*v, mode, precision < 0 ? 6 : precision);
            piece.remove(QLocale().groupSeparator());
            if (conv.isUpper()) piece = piece.toUpper();
            if (*v >= 0 && plus) piece.prepend(QLatin1Char('+'));
            break;
        }
        default: // @ s c
            piece = asText(arg);
            if (precision >= 0 && conv != QLatin1Char('@'))
                piece.truncate(precision);
            break;
        }
        out.append(padded(piece, width, leftAlign, (conv == QLatin1Char('@') || conv == QLatin1Char('s')) ? QLatin1Char(' ') : fill));
    }
    return out;
}

} // namespace kelvaro
