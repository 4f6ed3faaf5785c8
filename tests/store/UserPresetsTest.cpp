#include <cmath>

#include <gtest/gtest.h>

#include "model/PresetSpec.h"
#include "platform/Log.h"
#include "platform/Settings.h"
#include "store/UserPresets.h"

using namespace kelvaro;

namespace {

const QString kKey = QString::fromLatin1(PresetStore::key);
const QByteArray kGood = R"({"id":"6F1C2A3B-0D4E-4F50-8A6B-7C8D9E0F1A2B","name":"Blog","maxSide":0,"format":"","quality":0.85,"stripMetadata":true})";

struct StoredCase {
    const char* what;
    QVariant stored; // invalid: nothing stored
    UserPresets::State state;
};

void PrintTo(const StoredCase& c, std::ostream* os)
{
    *os << c.what;
}

// The stored element with `from` replaced by `to`, as a one-element array.
QByteArray changed(const char* from, const char* to)
{
    return "[" + QByteArray(kGood).replace(from, to) + "]";
}

class StoredPresets : public ::testing::TestWithParam<StoredCase> {};

// What every reader makes of the stored value; an unreadable one is never written over.
TEST_P(StoredPresets, ReadAsTheirStateAndUnreadableOnesStayAsTheyAre)
{
    const StoredCase& c = GetParam();
    Settings& settings = Settings::shared();
    if (c.stored.isValid())
        settings.setValue(kKey, c.stored);
    else
        settings.remove(kKey);
    UserPresets presets(settings);
    EXPECT_EQ(presets.state(), c.state);
    if (c.state != UserPresets::State::unreadable)
        return;
    EXPECT_TRUE(presets.presets().isEmpty());
    EXPECT_FALSE(presets.append(PresetSpec::defaults().at(0)));
    EXPECT_FALSE(presets.remove(PresetSpec::defaults().at(0).id));
    EXPECT_EQ(settings.value(kKey), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Values, StoredPresets, ::testing::Values(
    StoredCase{"nothing stored", QVariant(), UserPresets::State::ok},
    StoredCase{"empty data", QByteArray(), UserPresets::State::ok},
    StoredCase{"an empty array", QByteArray("[]"), UserPresets::State::empty},
    StoredCase{"an object", QByteArray("{}"), UserPresets::State::unreadable},
    StoredCase{"no JSON", QByteArray("Web, E-mail"), UserPresets::State::unreadable},
    StoredCase{"a text instead of data", QStringLiteral("[]"), UserPresets::State::unreadable},
    StoredCase{"id not a UUID", changed(R"("id":"6F1C2A3B-0D4E-4F50-8A6B-7C8D9E0F1A2B")", R"("id":"nope")"),
               UserPresets::State::unreadable},
    StoredCase{"an unknown key", changed(R"("name")", R"("colour":"red","name")"), UserPresets::State::ok},
    StoredCase{"quality 1", changed(R"("quality":0.85)", R"("quality":1)"), UserPresets::State::ok}));

TEST(UserPresets, NothingStoredShowsTheBuiltInsWithTheSameIdsAndANewPresetGoesLast)
{
    Settings& settings = Settings::shared();
    settings.remove(kKey);
    UserPresets first(settings);
    UserPresets second(settings);
    EXPECT_EQ(first.presets(), PresetSpec::defaults());
    EXPECT_EQ(second.presets(), first.presets());
    EXPECT_FALSE(settings.contains(kKey)); // reading writes nothing

    const PresetSpec blog = PresetStore::decode("[" + kGood + "]")->first();
    ASSERT_TRUE(first.append(blog));
    EXPECT_EQ(second.presets(), PresetSpec::defaults() + QList<PresetSpec>{blog}); // the other reader follows
    const std::optional<QList<PresetSpec>> back = PresetStore::decode(*settings.dataValue(kKey));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->last(), blog);
    EXPECT_EQ(PresetStore::decode(changed(R"("name")", R"("targetWidth":null,"name")"))->first(), blog); // null: absent
}

// JSON has no NaN or infinity: such a list would come back as another one, so nothing is stored.
TEST(UserPresets, AListThatDoesNotEncodeLeavesTheStoredBytesAsTheyWere)
{
    Settings& settings = Settings::shared();
    const QByteArray stored = "[" + kGood + "]";
    settings.setValue(kKey, stored);
    UserPresets presets(settings);
    clearRecentLogLines();
    for (double bad : {std::nan(""), HUGE_VAL}) {
        PresetSpec broken = PresetSpec::defaults().at(0);
        broken.quality = bad;
        EXPECT_FALSE(presets.append(broken));
        broken = PresetSpec::defaults().at(0);
        broken.cropOffsetY = bad;
        EXPECT_FALSE(presets.append(broken));
        EXPECT_EQ(settings.value(kKey), QVariant(stored));
        EXPECT_EQ(presets.presets().size(), 1);
    }
    EXPECT_EQ(recentLogLines().filter(QStringLiteral("presets not saved")).size(), 4);
}

} // namespace
