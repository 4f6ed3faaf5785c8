// Who listens to a run's files hears of each one on its worker: its start before its work, its end
// once it is made or has failed, never the end of a file a stop left; the files of one combined
// result start together and end once that result is in place.
#include <mutex>

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "engine/BatchLoop.h"
#include "engine/ImageEngine.h"
#include "engine/RunHooks.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;

namespace {

// What the listener heard, in order: "s0" for file 0's start, "e0" for its end.
class HeardFiles {
public:
    RunHooks::FileListener listener(std::function<void(const QString&)> also = {})
    {
        return {[this, also](int index) { note(QStringLiteral("s%1").arg(index), also); },
                [this, also](int index) { note(QStringLiteral("e%1").arg(index), also); }};
    }
    QStringList heard() const
    {
        const std::lock_guard lock(m_mutex);
        return m_heard;
    }
    bool has(const QString& event) const { return heard().contains(event); }

private:
    void note(const QString& event, const std::function<void(const QString&)>& also)
    {
        if (also)
            also(event);
        const std::lock_guard lock(m_mutex);
        m_heard.append(event);
    }

    mutable std::mutex m_mutex;
    QStringList m_heard;
};

struct WorkersRow {
    const char* name;
    int workers;
};

void PrintTo(const WorkersRow& row, std::ostream* os)
{
    *os << row.name;
}

class FileListening : public ::testing::TestWithParam<WorkersRow> {};

// File 1 fails and file 2 is stopped part way; 0 and 3 are made.
TEST_P(FileListening, eachFileStartsBeforeItsWorkAndEndsOnceMadeOrFailed)
{
    HeardFiles files;
    const auto hooks = std::make_shared<RunHooks>(RunHooks::Progress(), files.listener());
    std::mutex mutex;
    QStringList startedBeforeWork;
    ImageEngine::BatchWork work;
    work.total = 4;
    work.memoryCost = [](int) { return qint64(0); };
    work.run = [&](int index) {
        if (files.has(QStringLiteral("s%1").arg(index)) && !files.has(QStringLiteral("e%1").arg(index))) {
            const std::lock_guard lock(mutex);
            startedBeforeWork.append(QString::number(index));
        }
        ImageEngine::FileOutcome outcome;
        if (index == 1)
            outcome.error = QStringLiteral("broken");
        else if (index == 2)
            outcome.stopped = true;
        else
            outcome.one = ImageEngine::One{QStringLiteral("/made/%1").arg(index)};
        return outcome;
    };
    ImageEngine::runBatch(work, GetParam().workers, hooks);

    startedBeforeWork.sort();
    EXPECT_EQ(startedBeforeWork, (QStringList{"0", "1", "2", "3"}));
    const QStringList heard = files.heard();
    for (int index = 0; index < 4; ++index) {
        SCOPED_TRACE(index);
        const QString start = QStringLiteral("s%1").arg(index);
        const QString end = QStringLiteral("e%1").arg(index);
        EXPECT_EQ(heard.count(start), 1);
        EXPECT_EQ(heard.count(end), index == 2 ? 0 : 1) << heard.join(QLatin1Char(' ')).toStdString();
        if (index != 2) {
            EXPECT_LT(heard.indexOf(start), heard.indexOf(end));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FileListening,
                         ::testing::Values(WorkersRow{"oneAfterAnother", 1}, WorkersRow{"threeWorkers", 3}),
                         test::RowName());

struct CombinedRow {
    const char* name;
    KelvaroOp op;
    const char* extension; // of the one result
};

void PrintTo(const CombinedRow& row, std::ostream* os)
{
    *os << row.name;
}

class CombinedFiles : public ::testing::TestWithParam<CombinedRow> {};

// Every file is in hand from the start, the scan's pages included, and each ends only once the one
// result has its name.
TEST_P(CombinedFiles, startTogetherAndEndOnceTheResultIsInPlace)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString in = temp.filePath(QStringLiteral("in"));
    const QString out = temp.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(in) && QDir().mkpath(out));
    const QStringList sources{testimages::writeJpeg(in, QStringLiteral("a.jpg"), testimages::quadrants(40, 30)),
                              testimages::writeJpeg(in, QStringLiteral("b.jpg"), testimages::quadrants(30, 40))};
    QStringList resultsAtEnds;
    HeardFiles files;
    const auto hooks = std::make_shared<RunHooks>(RunHooks::Progress(), files.listener([&](const QString& event) {
        if (event.startsWith(QLatin1Char('e')))
            resultsAtEnds.append(QDir(out).entryList({QStringLiteral("*.") + QString::fromLatin1(GetParam().extension)}, QDir::Files));
    }));
    const OpResult result = ImageEngine::process(GetParam().op, sources, out, hooks, EngineSettings());
    ASSERT_EQ(result.outputs.size(), 1);

    EXPECT_EQ(files.heard(), (QStringList{"s0", "s1", "e0", "e1"}));
    const QString made = QFileInfo(result.outputs.first()).fileName();
    EXPECT_EQ(resultsAtEnds, (QStringList{made, made}));
}

INSTANTIATE_TEST_SUITE_P(Rows, CombinedFiles,
                         ::testing::Values(CombinedRow{"pdf", KelvaroOp::convert(ImageFormat::pdf), "pdf"},
                                           CombinedRow{"zip", KelvaroOp::convert(ImageFormat::zip), "zip"},
                                           CombinedRow{"scan", KelvaroOp::scan(), "pdf"}),
                         test::RowName());

} // namespace
