// The English table and the code agree: every Czech text the code looks up (L, Lf, LParts),
// marks where it is defined (LKey) or counts (the three forms of Lp), with the disambiguation
// L and LKey may give it, has one finished English entry with the same placeholders, and the
// table holds nothing the code no longer uses.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include "TestPaths.h"
#include "l10n/Localization.h"

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
    QString disambiguation;
};

// How the table tells apart entries of one source.
QString entryKey(const QString& source, const QString& disambiguation)
{
    return disambiguation.isEmpty() ? source : source + QStringLiteral(" [") + disambiguation + QLatin1Char(']');
}

// The literal first argument of L, Lf, LParts and LKey (adjacent literals joined), or the second
// after a language, with the literal disambiguation after it for L and LKey, and the three forms
// of Lp; comments left out.
QList<Use> literalUses(const QString& source, const QString& file)
{
    static const QRegularExpression call(QStringLiteral(
        R"re((?<![\w.:>])(Lf|LParts|LKey|L)\(\s*(?:[A-Za-z_][\w.]*\s*,\s*)?((?:u8)?"(?:[^"\\\n]|\\.)*"(?:\s*(?:u8)?"(?:[^"\\\n]|\\.)*")*)(?:\s*,\s*"((?:[^"\\\n]|\\.)*)"\s*\))?)re"));
    static const QRegularExpression piece(QStringLiteral(R"re("((?:[^"\\\n]|\\.)*)")re"));
    // Comments are blanked out (keeping lines); a "//" inside a literal is no comment.
    QString code = source;
    static const QRegularExpression stringOrComment(QStringLiteral(R"re("(?:[^"\\\n]|\\.)*"|//[^\n]*|/\*.*?\*/)re"),
                                                    QRegularExpression::DotMatchesEverythingOption);
    for (auto it = stringOrComment.globalMatch(source); it.hasNext();) {
        const auto m = it.next();
        if (!m.captured().startsWith(QLatin1Char('"')))
            for (qsizetype i = m.capturedStart(); i < m.capturedEnd(); ++i)
                if (code[i] != QLatin1Char('\n'))
                    code[i] = QLatin1Char(' ');
    }
    QList<Use> uses;
    for (auto it = call.globalMatch(code); it.hasNext();) {
        const auto m = it.next();
        QString text;
        for (auto pieces = piece.globalMatch(m.captured(2)); pieces.hasNext();)
            text += unescape(pieces.next().captured(1));
        const int line = int(code.left(m.capturedStart()).count(QLatin1Char('\n'))) + 1;
        const bool disambiguates = m.captured(1) == QLatin1String("L") || m.captured(1) == QLatin1String("LKey");
        uses.append({text, file + QLatin1Char(':') + QString::number(line), disambiguates ? m.captured(3) : QString()});
    }
    // Lp([language, ]count, "one", "few", "many"): all three forms.
    static const QRegularExpression plural(QStringLiteral(R"re((?<![\w.:>])Lp\(\s*(?:[^,;"]+,\s*)?[^,;"]+,((?:\s*"(?:[^"\\\n]|\\.)*"\s*,?){3}))re"));
    for (auto it = plural.globalMatch(code); it.hasNext();) {
        const auto m = it.next();
        const int line = int(code.left(m.capturedStart()).count(QLatin1Char('\n'))) + 1;
        for (auto pieces = piece.globalMatch(m.captured(1)); pieces.hasNext();)
            uses.append({unescape(pieces.next().captured(1)), file + QLatin1Char(':') + QString::number(line)});
    }
    return uses;
}

QList<Use> allUses()
{
    QList<Use> uses;
    for (const char* folder : {"/src", "/tools"}) {
        const QString root = QStringLiteral(KELVARO_SOURCE_DIR) + QString::fromLatin1(folder);
        QDirIterator files(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                uses += literalUses(QString::fromUtf8(f.readAll()), QDir(QStringLiteral(KELVARO_SOURCE_DIR)).relativeFilePath(path));
        }
    }
    return uses;
}

struct Entry {
    QStringList sources;      // more than one: two messages glued into one
    QString disambiguation;   // the message's comment
    QString translation;
    QString type;             // "unfinished", "obsolete", "vanished" or empty
    qint64 line = 0;
};

QList<Entry> readTable(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open ") + path;
        return {};
    }
    QList<Entry> entries;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("message")) {
            entries.append(Entry{});
            entries.last().line = xml.lineNumber();
        } else if (xml.name() == QLatin1String("source") && !entries.isEmpty()) {
            entries.last().sources << xml.readElementText();
        } else if (xml.name() == QLatin1String("comment") && !entries.isEmpty()) {
            entries.last().disambiguation = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation") && !entries.isEmpty()) {
            entries.last().type = xml.attributes().value(QLatin1String("type")).toString();
            entries.last().translation = xml.readElementText();
        }
    }
    if (xml.hasError())
        *error = xml.errorString() + QStringLiteral(" at line ") + QString::number(xml.lineNumber());
    return entries;
}

// The printf-style placeholders of a format, sorted (English may put them in another order only
// when they are positional, and then the sorted lists still agree).
QStringList placeholders(const QString& format)
{
    static const QRegularExpression spec(QStringLiteral(R"re(%(?:\d+\$)?[-0-9.]*(?:ll|l)?[@dfs%])re"));
    QStringList found;
    for (auto it = spec.globalMatch(format); it.hasNext();) {
        QString p = it.next().captured();
        p.remove(QRegularExpression(QStringLiteral(R"re(^%\d+\$)re")));
        found << p;
    }
    found.sort();
    return found;
}

QString tablePath()
{
    return QStringLiteral(KELVARO_SOURCE_DIR) + QStringLiteral("/translations/kelvaro_en.ts");
}

} // namespace

TEST(TranslationCoverage, TheScannerFindsLiteralLookupsAndMarkers)
{
    const QString sample = QStringLiteral(R"src(
        L("Jedna"); Lf("Dvě %@", x); L(u8"Tři"); Lf("Čtyři "
            "a pět"); L("S \"uvozovkami\"\n"); QL("Ne"); x.L("Ne"); L(name); LParts("Šest");
        {"a", LKey("Sedm")}; // L("Ne v komentáři")
        /* LKey("Ani tady") */ QStringLiteral("http://x"); L("Osm");
        Lp(files.size(), "1 kus", "%lld kusy", "%lld kusů");
        L(language, "Devět"); Lf(settings.language, "Deset %@", x); Lp(language, n, "1 den", "%lld dny", "%lld dnů");
        L("Jedenáct", "místo"); {LKey("Dvanáct", "jinde")}; Lf("Třináct %@", "ne");
    )src");
    QStringList texts;
    for (const Use& u : literalUses(sample, QStringLiteral("x.cpp")))
        texts << entryKey(u.text, u.disambiguation);
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Jedna"), QStringLiteral("Dvě %@"), QStringLiteral("Tři"),
                                  QStringLiteral("Čtyři a pět"), QStringLiteral("S \"uvozovkami\"\n"), QStringLiteral("Šest"),
                                  QStringLiteral("Sedm"), QStringLiteral("Osm"), QStringLiteral("Devět"),
                                  QStringLiteral("Deset %@"), QStringLiteral("Jedenáct [místo]"), QStringLiteral("Dvanáct [jinde]"),
                                  QStringLiteral("Třináct %@"), QStringLiteral("1 kus"), QStringLiteral("%lld kusy"),
                                  QStringLiteral("%lld kusů"), QStringLiteral("1 den"), QStringLiteral("%lld dny"),
                                  QStringLiteral("%lld dnů")}));
}

TEST(TranslationCoverage, EveryTextHasOneFinishedEnglishEntry)
{
    QString error;
    const QList<Entry> table = readTable(tablePath(), &error);
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
    QHash<QString, const Entry*> bySource;
    QStringList broken;
    for (const Entry& e : table) {
        if (e.sources.size() != 1) {
            broken << QStringLiteral("line %1: a message with %2 sources").arg(e.line).arg(e.sources.size());
            continue;
        }
        const QString key = entryKey(e.sources.first(), e.disambiguation);
        if (bySource.contains(key))
            broken << QStringLiteral("line %1: \"%2\" appears twice").arg(e.line).arg(key);
        bySource.insert(key, &e);
    }
    EXPECT_TRUE(broken.isEmpty()) << qPrintable(broken.join(QLatin1Char('\n')));

    const QList<Use> uses = allUses();
    ASSERT_GT(uses.size(), 300) << "the scan found almost nothing; is KELVARO_SOURCE_DIR right?";
    QStringList missing;
    QSet<QString> used;
    for (const Use& u : uses) {
        const QString key = entryKey(u.text, u.disambiguation);
        if (used.contains(key))
            continue;
        used.insert(key);
        const Entry* e = bySource.value(key);
        if (!e)
            missing << QStringLiteral("%1: \"%2\" has no entry").arg(u.where, key);
        else if (!e->type.isEmpty() || e->translation.trimmed().isEmpty())
            missing << QStringLiteral("%1: \"%2\" is not finished").arg(u.where, key);
        else if (placeholders(u.text) != placeholders(e->translation))
            missing << QStringLiteral("%1: \"%2\" and \"%3\" differ in placeholders").arg(u.where, u.text, e->translation);
        else if (!L10n::hasEnglishTranslation(u.text))
            missing << QStringLiteral("%1: \"%2\" is not in the compiled table").arg(u.where, u.text);
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.size() << " texts without English:\n" << qPrintable(missing.join(QLatin1Char('\n')));

    QStringList unused;
    for (auto it = bySource.cbegin(); it != bySource.cend(); ++it)
        if (!used.contains(it.key()))
            unused << QStringLiteral("line %1: \"%2\"").arg(it.value()->line).arg(it.key());
    unused.sort();
    EXPECT_TRUE(unused.isEmpty()) << unused.size() << " entries no source uses:\n" << qPrintable(unused.join(QLatin1Char('\n')));
}

TEST(TranslationCoverage, EnglishWritesPercentagesWithoutASpace)
{
    QString error;
    const QList<Entry> table = readTable(tablePath(), &error);
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
    // A number or a number's placeholder, a space, then a per-cent sign that is not itself a placeholder.
    static const QRegularExpression spaced(QStringLiteral(R"((\d|%l?l?d)\s+%(%|[^@l]|$))"));
    QStringList spacedOut;
    for (const Entry& e : table)
        if (spaced.match(e.translation).hasMatch())
            spacedOut << QStringLiteral("line %1: \"%2\"").arg(e.line).arg(e.translation);
    EXPECT_TRUE(spacedOut.isEmpty()) << qPrintable(spacedOut.join(QLatin1Char('\n')));
}

// The watched folders' results go into a folder named "Automaticky" in every language: a text that
// names that folder names it so in English too, or the user looks for a folder that is not there.
TEST(TranslationCoverage, EnglishNamesTheAutomaticResultsFolderAsItIsOnDisk)
{
    QString error;
    const QList<Entry> table = readTable(tablePath(), &error);
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
    static const QRegularExpression namesFolder(QStringLiteral(R"((složk\w*\s+|/)Automaticky\b)"));
    int naming = 0;
    QStringList renamed;
    for (const Entry& e : table) {
        if (!namesFolder.match(e.sources.join(QLatin1Char(' '))).hasMatch())
            continue;
        ++naming;
        if (!e.translation.contains(QLatin1String("Automaticky")))
            renamed << QStringLiteral("line %1: \"%2\"").arg(e.line).arg(e.translation);
    }
    EXPECT_GE(naming, 1) << "no text names the folder any more";
    EXPECT_TRUE(renamed.isEmpty()) << qPrintable(renamed.join(QLatin1Char('\n')));
}
