// Short, deterministic runs of every fuzz target: each seed of its corpus (fuzz/corpus/<target>,
// crash inputs kept there after a fix included) and a bounded number of mutations of them with a
// fixed random seed. The long runs are `make fuzz`; this keeps what they found fixed.
#include <algorithm>
#include <random>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "TestPaths.h"
#include "../../fuzz/FuzzTarget.h"
#include "../support/TestSupport.h"

namespace kelvaro::fuzz {
namespace {

QString corpusRoot()
{
    return QStringLiteral(KELVARO_SOURCE_DIR) + QStringLiteral("/fuzz/corpus");
}

Entry entryOf(const QString& name)
{
    const auto& targets = registry();
    const auto found = std::find_if(targets.begin(), targets.end(), [&](const Target& t) { return name == QLatin1String(t.name); });
    return found == targets.end() ? nullptr : found->entry;
}

// The seeds of a target's corpus, in name order, with their file names.
QList<QByteArray> seedsOf(const QString& name, QStringList& names)
{
    QList<QByteArray> seeds;
    const QDir corpus(corpusRoot() + QLatin1Char('/') + name);
    names = corpus.entryList(QDir::Files, QDir::Name);
    for (const QString& file : names)
        seeds.append(test::readFile(corpus.filePath(file)));
    return seeds;
}

// libFuzzer's kinds of change, in small: flips, interesting bytes, tokens of the formats the
// targets read, cuts, copies and splices.
class Mutator {
public:
    Mutator(quint32 seed, QList<QByteArray> pool) : m_random(seed), m_pool(std::move(pool)) {}

    QByteArray next()
    {
        QByteArray data = m_pool.isEmpty() ? QByteArray() : m_pool[pick(m_pool.size())];
        const int rounds = 1 + pick(4);
        for (int i = 0; i < rounds; ++i)
            mutate(data);
        return data.left(64 * 1024);
    }

private:
    int pick(qsizetype n) { return n <= 0 ? 0 : int(m_random() % quint32(n)); }

    void mutate(QByteArray& data)
    {
        static const QList<QByteArray> tokens{
            "null", "true", "false", "-1", "0", "1e999", "-1e308", "4294967296", "9223372036854775808",
            "1.5", "\"", "{}", "[]", "{", "}", "[", "]", ",", ":", "\"_0\"", "\"\"", "\\u0000", "%@", "%1$@",
            "%99999$d", "%lld", "%.999f", "%n", "%", "..", "/", "out:Police/", "\n", "\xff\xfe", "\xc3\x28",
            "\xff\xd8\xff", "\x89PNG", "%PDF-1.4", "II*\0"};
        static const char interesting[] = {0, 1, '\x7f', '\x80', '\xff', '"', '{', '}', '[', ']', ',', ':', '%', '$', '/', '.'};
        const int kind = pick(8);
        const int at = pick(data.size() + 1);
        switch (kind) {
        case 0:
            if (!data.isEmpty())
                data[pick(data.size())] = char(data[pick(data.size())] ^ char(1 << pick(8)));
            break;
        case 1:
            if (!data.isEmpty())
                data[pick(data.size())] = interesting[pick(sizeof interesting)];
            break;
        case 2:
            data.insert(at, tokens[pick(tokens.size())]);
            break;
        case 3:
            data.remove(at, 1 + pick(16));
            break;
        case 4:
            data.truncate(pick(data.size() + 1));
            break;
        case 5: {
            const int from = pick(data.size() + 1);
            data.insert(at, data.mid(from, 1 + pick(32)));
            break;
        }
        case 6:
            if (!m_pool.isEmpty()) {
                const QByteArray& other = m_pool[pick(m_pool.size())];
                data = data.left(at) + other.mid(pick(other.size() + 1));
            }
            break;
        default:
            for (int i = pick(4); i >= 0 && !data.isEmpty(); --i)
                data[pick(data.size())] = char(m_random());
            break;
        }
    }

    std::mt19937 m_random;
    QList<QByteArray> m_pool;
};

struct TargetCase {
    const char* name;
    int mutations; // bounded by each input's cost (settings and files written per input)
};

void PrintTo(const TargetCase& c, std::ostream* os)
{
    *os << c.name;
}

const TargetCase kTargets[] = {
    {"presets", 400},     {"workflows", 400},   {"library", 80},      {"watch_rules", 400},
    {"watch_action", 400}, {"watch_seen", 80},  {"shelf_token", 400}, {"lf_format", 400},
    {"zip_names", 60},    {"bookmark", 400},    {"engine_load", 120}, {"update_feed", 400},
};

class FuzzSeeds : public ::testing::TestWithParam<TargetCase> {
protected:
    void SetUp() override
    {
        m_previousHandler = failureHandler();
        failureHandler() = [this](const char* what, const char* file, int line) {
            ADD_FAILURE_AT(file, line) << "invariant broken: " << what << " on input " << m_current.toStdString();
            m_failed = true;
        };
    }
    void TearDown() override { failureHandler() = m_previousHandler; }

    // Runs one input; on a failure keeps it next to the test's home for reproducing.
    void feed(Entry entry, const QByteArray& input, const QString& label)
    {
        m_current = label;
        m_failed = false;
        try {
            entry(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size()));
        } catch (const std::exception& error) {
            ADD_FAILURE() << "exception escaped on " << label.toStdString() << ": " << error.what();
            m_failed = true;
        } catch (...) {
            ADD_FAILURE() << "unknown exception escaped on " << label.toStdString();
            m_failed = true;
        }
        if (m_failed) {
            QFile keep(QDir::tempPath() + QStringLiteral("/kelvaro-fuzz-failure-") + QString::fromLatin1(GetParam().name));
            if (keep.open(QIODevice::WriteOnly))
                keep.write(input);
        }
    }

    std::function<void(const char*, const char*, int)> m_previousHandler;
    QString m_current;
    bool m_failed = false;
};

TEST_P(FuzzSeeds, SeedsAndMutationsKeepEveryInvariant)
{
    const test::MemoryLimit limit; // a mutation may claim any size
    const QString name = QString::fromLatin1(GetParam().name);
    const Entry entry = entryOf(name);
    ASSERT_NE(entry, nullptr) << "no registered target " << GetParam().name;
    QStringList names;
    const QList<QByteArray> seeds = seedsOf(name, names);
    ASSERT_FALSE(seeds.isEmpty()) << "no seeds in fuzz/corpus/" << GetParam().name;
    for (int i = 0; i < seeds.size(); ++i)
        feed(entry, seeds[i], QStringLiteral("seed ") + names[i]);

    Mutator mutator(quint32(qHash(name)) ^ 0x5eedu, seeds);
    for (int i = 0; i < GetParam().mutations; ++i)
        feed(entry, mutator.next(), QStringLiteral("mutation %1").arg(i));
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzSeeds, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.name); });

// Every target in fuzz/ is compiled into this suite and replayed above.
TEST(FuzzSeedsCoverage, EveryFuzzTargetIsReplayed)
{
    QStringList sources = QDir(QStringLiteral(KELVARO_SOURCE_DIR) + QStringLiteral("/fuzz"))
                              .entryList({QStringLiteral("*.cpp")}, QDir::Files, QDir::Name);
    sources.removeAll(QStringLiteral("FuzzStandalone.cpp"));
    ASSERT_FALSE(sources.isEmpty());
    for (const QString& source : sources) {
        const QString name = QFileInfo(source).completeBaseName();
        EXPECT_NE(entryOf(name), nullptr) << "fuzz/" << source.toStdString() << " is not compiled into the suite";
        const bool listed = std::any_of(std::begin(kTargets), std::end(kTargets),
                                        [&](const TargetCase& c) { return name == QLatin1String(c.name); });
        EXPECT_TRUE(listed) << name.toStdString() << " has no entry in kTargets";
    }
}

} // namespace
} // namespace kelvaro::fuzz
