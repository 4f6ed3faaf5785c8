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
    const QList<Workflow>& builtIns = WorkflowLibrary::defaults(AppLanguage::czech);
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

// A list stored while the interface was Czech, read after a switch to English (and a restart
// in it): the built-in's own watermark text is the English one in every reader, the user's own
// text stays, and the stored bytes are not touched until a write.
TEST_F(WorkflowStoreTest, storedBuiltInsShowTheirOwnTextsInTheInterfaceLanguage)
{
    const auto watermarkOf = [](const WorkflowStore& store, const QUuid& id) {
        const std::optional<Workflow> workflow = store.workflow(id);
        return workflow ? workflow->steps.last().text : QStringLiteral("missing");
    };
    const QUuid portfolio = builtIns.at(0).id;
    Workflow mine = builtIns.at(0);
    mine.id = QUuid::createUuid();
    mine.steps.last().text = QString::fromUtf8("© Moje fotky");
    Workflow ownText = builtIns.at(0);
    ownText.steps.last().text = QString::fromUtf8("© Jana");
    {
        WorkflowStore czech(Settings::shared());
        ASSERT_TRUE(czech.upsert(mine));
    }
    const QVariant czechBytes = stored();
    WorkflowStore store(Settings::shared());
    int changes = 0;
    QObject::connect(&store, &WorkflowStore::changed, [&] { ++changes; });
    EXPECT_EQ(watermarkOf(store, portfolio), QString::fromUtf8("© Moje fotky"));

    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(watermarkOf(store, portfolio), QStringLiteral("© My photos"));
    EXPECT_EQ(watermarkOf(WorkflowStore(Settings::shared()), portfolio), QStringLiteral("© My photos"));
    // The user's workflow keeps what it says, even the default text of a new step.
    EXPECT_EQ(watermarkOf(store, mine.id), QString::fromUtf8("© Moje fotky"));
    EXPECT_EQ(stored(), czechBytes);

    // Saved from the English editor and read in Czech again: the built-in's text follows.
    ASSERT_TRUE(store.upsert(*store.workflow(portfolio)));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    EXPECT_EQ(watermarkOf(store, portfolio), QString::fromUtf8("© Moje fotky"));
    ASSERT_TRUE(store.upsert(ownText));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(watermarkOf(store, portfolio), QString::fromUtf8("© Jana"));
}

} // namespace
