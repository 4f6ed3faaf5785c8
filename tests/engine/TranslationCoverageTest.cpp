// Every Czech text the code looks up directly must have an English translation.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include "TestPaths.h"
#include "engine/Localization.h"

using namespace kelvaro;

namespace {

// Undoes the C escapes that appear in our literals.
QString unescape(const QString& literal)
{
    QString out;
    for (qsizetype i = 0; i < literal.size(); ++i) {
        const QChar c = literal[i];
        if (c != QLatin1Char('\\') || i + 1 >= literal.size()) {
            out.append(c);
            continue;
        }
        const QChar e = literal[++i];
        switch (e.unicode()) {
        case 'n': out.append(QLatin1Char('\n')); break;
        case 't': out.append(QLatin1Char('\t')); break;
        case 'u':
            out.append(QChar(char16_t(literal.mid(i + 1, 4).toUShort(nullptr, 16))));
            i += 4;
            break;
        default: out.append(e); break;
        }
    }
    return out;
}

struct Use {
    QString text;
    QString where;
};

// The first literal argument of L(…) and Lf(…), adjacent literals joined.
QList<Use> literalUses(const QString& source, const QString& file)
{
    static const QRegularExpression call(QStringLiteral(R"re((?<![\w.:>])Lf?\(\s*((?:u8)?"(?:[^"\\\n]|\\.)*"(?:\s*(?:u8)?"(?:[^"\\\n]|\\.)*")*))re"));
    static const QRegularExpression piece(QStringLiteral(R"re("((?:[^"\\\n]|\\.)*)")re"));
    QList<Use> uses;
    auto it = call.globalMatch(source);
    while (it.hasNext()) {
        const auto m = it.next();
        QString text;
        auto pieces = piece.globalMatch(m.captured(1));
        while (pieces.hasNext())
            text += unescape(pieces.next().captured(1));
        const int line = source.left(m.capturedStart()).count(QLatin1Char('\n')) + 1;
        uses.append({text, file + QLatin1Char(':') + QString::number(line)});
    }
    // Lp(count, "one", "few", "many"): all three forms.
    static const QRegularExpression plural(QStringLiteral(R"re((?<![\w.:>])Lp\(\s*[^,;]+,((?:\s*"(?:[^"\\\n]|\\.)*"\s*,?){3}))re"));
    auto forms = plural.globalMatch(source);
    while (forms.hasNext()) {
        const auto m = forms.next();
        const int line = source.left(m.capturedStart()).count(QLatin1Char('\n')) + 1;
        auto pieces = piece.globalMatch(m.captured(1));
        while (pieces.hasNext())
            uses.append({unescape(pieces.next().captured(1)), file + QLatin1Char(':') + QString::number(line)});
    }
    return uses;
}

QList<Use> allUses()
{
    const QString root = QStringLiteral(KELVARO_SOURCE_DIR) + QStringLiteral("/src");
    QList<Use> uses;
    QDirIterator files(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        uses += literalUses(QString::fromUtf8(f.readAll()), QDir(root).relativeFilePath(path));
    }
    return uses;
}

} // namespace

TEST(TranslationCoverage, theScannerFindsLiteralCalls)
{
    const QString sample = QStringLiteral(R"src(
        L("Jedna"); Lf("Dvě %@", x); L(u8"Tři"); Lf("Čtyři "
            "a pět"); L("S \"uvozovkami\"\n"); QL("Ne"); x.L("Ne"); L(name); LParts("Ne");
        Lp(files.size(), "1 kus", "%lld kusy", "%lld kusů");
    )src");
    QStringList texts;
    for (const Use& u : literalUses(sample, QStringLiteral("x.cpp")))
        texts << u.text;
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Jedna"), QStringLiteral("Dvě %@"), QStringLiteral("Tři"),
                                  QStringLiteral("Čtyři a pět"), QStringLiteral("S \"uvozovkami\"\n"),
                                  QStringLiteral("1 kus"), QStringLiteral("%lld kusy"), QStringLiteral("%lld kusů")}));
}

TEST(TranslationCoverage, everyLookedUpTextHasEnglish)
{
    const QList<Use> uses = allUses();
    ASSERT_GT(uses.size(), 50) << "the scan found almost nothing; is KELVARO_SOURCE_DIR right?";
    QStringList missing;
    QSet<QString> reported;
    for (const Use& u : uses) {
        if (!L10n::hasEnglishTranslation(u.text) && !reported.contains(u.text)) {
            reported.insert(u.text);
            missing << QStringLiteral("%1: \"%2\"").arg(u.where, u.text);
        }
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.size() << " texts without English:\n"
                                   << qPrintable(missing.join(QLatin1Char('\n')));
}
