// The printf-style filler behind Lf, fed hostile formats (a translation is data) and arguments
// of any type and count. The input is a format, then arguments: a type byte ('i', 'd', 's') and
// eight bytes of payload each (text arguments take their bytes as UTF-8).
#include <cmath>
#include <cstring>

#include "FuzzTarget.h"

#include "l10n/Localization.h"

KELVARO_FUZZ_TARGET(lf_format)
{
    using namespace kelvaro;
    const auto [formatBytes, argBytes] = fuzz::splitInput(data, size);
    const QString format = QString::fromUtf8(formatBytes);
    QList<LfArg> args;
    qsizetype longest = 0;
    for (qsizetype i = 0; i + 9 <= argBytes.size() && args.size() < 16; i += 9) {
        const char type = argBytes[i];
        char payload[8];
        std::memcpy(payload, argBytes.constData() + i + 1, 8);
        if (type == 'i') {
            qint64 v;
            std::memcpy(&v, payload, 8);
            args.append(v);
        } else if (type == 'd') {
            double v;
            std::memcpy(&v, payload, 8);
            args.append(v);
        } else {
            const QString text = QString::fromUtf8(payload, 8);
            longest = std::max(longest, text.size());
            args.append(text);
        }
    }
    const QString out = formatText(format, args);
    // Each conversion yields at most its (capped) width, its argument or a number's digits:
    // nothing a format can do grows the text without bound.
    const qsizetype perConversion = 256 + std::max<qsizetype>(longest, 400);
    FUZZ_CHECK(out.size() <= format.size() * perConversion + 1);
    (void)LParts(format);
    if (size >= 8) {
        qint64 count;
        std::memcpy(&count, data, 8);
        (void)photosWord(count);
    }
    return 0;
}
