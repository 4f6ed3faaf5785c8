// A stored document that does not decode is said so in the log, leaves its list empty and is
// never overwritten for the rest of the run, whatever the user does meanwhile (the library's
// own case is with the store's tests).
#include <gtest/gtest.h>

#include "ReliabilitySupport.h"
#include "model/WorkflowLibrary.h"
#include "platform/Log.h"
#include "platform/Settings.h"
#include "store/WorkflowStore.h"
#include "watch/FolderWatcher.h"

namespace kelvaro::reliability {
namespace {

bool logged(const QString& start)
{
    const QStringList lines = recentLogLines();
    return std::any_of(lines.begin(), lines.end(), [&](const QString& line) { return line.contains(start); });
}

// Cut short, not JSON, wrong type inside, a valid document of another shape.
const QList<QByteArray> kBroken{"{\"activities\":[{\"id\":", "not json", "[{\"id\": 1}]", "{}"};

class UndecodableDocument : public QuietDesktop<::testing::TestWithParam<QByteArray>> {
protected:
    void SetUp() override
    {
        QuietDesktop::SetUp();
        clearRecentLogLines();
    }
};

TEST_P(UndecodableDocument, WatchRulesAreNeverOverwritten)
{
    const QString key = QString::fromLatin1(FolderWatcher::rulesKey);
    Settings::shared().setValue(key, GetParam());
    FolderWatcher watcher;
    driveByHand(watcher);
    EXPECT_TRUE(watcher.rules().isEmpty());
    EXPECT_TRUE(logged(QStringLiteral("Kelvaro: failed to decode watch rules")));

    // A rule that could not be stored would be gone at the next start: it is refused.
    EXPECT_FALSE(watcher.add(temp.path(), WatchAction::stripMetadata()));
    EXPECT_TRUE(watcher.rules().isEmpty());
    EXPECT_EQ(Settings::shared().dataValue(key), std::optional<QByteArray>(GetParam()));
}

TEST_P(UndecodableDocument, WorkflowsAreNeverOverwritten)
{
    const QString key = QString::fromLatin1(WorkflowLibrary::key);
    Settings::shared().setValue(key, GetParam());
    EXPECT_FALSE(WorkflowLibrary::load().has_value());
    WorkflowStore workflows(Settings::shared());
    EXPECT_FALSE(workflows.upsert(WorkflowLibrary::defaults().first()));
    EXPECT_FALSE(workflows.remove(WorkflowLibrary::defaults().first().id));
    EXPECT_FALSE(workflows.duplicate(WorkflowLibrary::defaults().first()));
    EXPECT_EQ(Settings::shared().dataValue(key), std::optional<QByteArray>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Documents, UndecodableDocument, ::testing::ValuesIn(kBroken));

} // namespace
} // namespace kelvaro::reliability
