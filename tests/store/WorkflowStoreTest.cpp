#include <cmath>

#include <gtest/gtest.h>

#include "model/WorkflowLibrary.h"
#include "platform/Settings.h"
#include "store/WorkflowStore.h"

using namespace kelvaro;

namespace {

const QString kKey = QString::fromLatin1(WorkflowLibrary::key);

QVariant stored()
{
    return Settings::shared().value(kKey);
}

QByteArray bytesOf(const QList<Workflow>& list)
{
    return WorkflowStore::encode(list).value_or("encoding failed");
}

class WorkflowStoreTest : public ::testing::Test {
protected:
    void SetUp() override { Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs")); }
    const QList<Workflow>& builtIns = WorkflowLibrary::defaults();
};

TEST_F(WorkflowStoreTest, firstWritesStartFromTheBuiltInsAndMatchByIdAlone)
{
    WorkflowStore store(Settings::shared());
    EXPECT_EQ(store.state(), WorkflowStore::State::ok);
    EXPECT_EQ(store.workflows(), builtIns);
    EXPECT_FALSE(stored().isValid()); // reading writes nothing

    ASSERT_TRUE(store.remove(builtIns.at(1).id));
    EXPECT_EQ(stored(), QVariant(bytesOf({builtIns.at(0), builtIns.at(2)})));

    Workflow edited = builtIns.at(0);
    edited.name = QStringLiteral("Portfolio 2");
    edited.steps.removeLast();
    ASSERT_TRUE(store.upsert(edited));
    EXPECT_EQ(stored(), QVariant(bytesOf({edited, builtIns.at(2)})));

    const std::optional<Workflow> copy = store.duplicate(builtIns.at(0));
    ASSERT_TRUE(copy);
    ASSERT_EQ(store.workflows().size(), 3);
    EXPECT_EQ(store.workflows().last(), *copy);
    EXPECT_EQ(copy->name, QStringLiteral("Portfolio (kopie)"));
    EXPECT_NE(copy->id, builtIns.at(0).id);
    Workflow sameIds = *copy; // apart from its ids, the copy is the original
    sameIds.id = builtIns.at(0).id;
    sameIds.name = builtIns.at(0).name;
    for (int i = 0; i < sameIds.steps.size(); ++i) {
        EXPECT_NE(sameIds.steps[i].id, builtIns.at(0).steps.value(i).id);
        sameIds.steps[i].id = builtIns.at(0).steps.value(i).id;
    }
    EXPECT_EQ(sameIds, builtIns.at(0));
    EXPECT_EQ(stored(), QVariant(bytesOf({edited, builtIns.at(2), *copy})));
}

TEST_F(WorkflowStoreTest, aWorkflowThatDoesNotEncodeLeavesTheStoredListAsItWas)
{
    Settings::shared().setValue(kKey, bytesOf({builtIns.at(2)}));
    WorkflowStore store(Settings::shared());
    for (double bad : {std::nan(""), HUGE_VAL}) {
        Workflow broken = WorkflowStore::newTemplate();
        broken.steps.first().opacity = bad;
        EXPECT_FALSE(store.upsert(broken));
        broken = builtIns.at(2);
        broken.quality = bad;
        EXPECT_FALSE(store.upsert(broken));
        EXPECT_EQ(stored(), QVariant(bytesOf({builtIns.at(2)})));
        EXPECT_EQ(store.workflows(), QList<Workflow>{builtIns.at(2)});
    }
}

TEST_F(WorkflowStoreTest, everyReaderFollowsWritesMadeElsewhere)
{
    WorkflowStore writer(Settings::shared());
    WorkflowStore reader(Settings::shared());
    int changes = 0;
    QObject::connect(&reader, &WorkflowStore::changed, [&] { ++changes; });

    ASSERT_TRUE(writer.remove(builtIns.at(0).id));
    EXPECT_EQ(reader.workflows(), writer.workflows());
    EXPECT_EQ(changes, 1);

    Settings::shared().setValue(kKey, QByteArray("garbage"));
    EXPECT_EQ(reader.state(), WorkflowStore::State::unreadable);
    EXPECT_TRUE(reader.workflows().isEmpty());
    EXPECT_EQ(changes, 2);
}

} // namespace
