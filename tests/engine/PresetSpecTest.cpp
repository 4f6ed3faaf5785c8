#include <cmath>
#include <limits>

#include <cstdio>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

#include "engine/Localization.h"
#include "engine/PresetSpec.h"
#include "engine/WorkflowLibrary.h"
#include "platform/Settings.h"

using namespace kelvaro;

namespace {
void useLanguage(const char* code)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(code));
}

const PresetSpec& platformPreset(const char* name)
{
    for (const PlatformPresets& group : PlatformPresets::all())
        for (const PresetSpec& p : group.presets)
            if (p.name == QString::fromUtf8(name))
                return p;
    static PresetSpec none;
    ADD_FAILURE() << "no platform preset " << name;
    return none;
}

QByteArray arrayOf(std::initializer_list<QJsonObject> objects)
{
    QJsonArray a;
    for (const QJsonObject& o : objects)
        a.append(o);
    return QJsonDocument(a).toJson(QJsonDocument::Compact);
}
} // namespace

TEST(PresetSummary, builtInWeb)
{
    useLanguage("cs");
    EXPECT_EQ(PresetSpec::defaults().at(0).summary(), QStringLiteral("max 1600 px · JPG · kvalita 80 % · bez metadat"));
    useLanguage("en");
    EXPECT_EQ(PresetSpec::defaults().at(0).summary(), QStringLiteral("max 1600 px · JPG · quality 80 % · no metadata"));
}

TEST(PresetSummary, exactSizeWinsOverMaxSide)
{
    useLanguage("cs");
    EXPECT_EQ(platformPreset("Instagram profilovka").summary(),
              QStringLiteral("320×320 px · JPG · kvalita 90 % · bez metadat"));
}

TEST(PresetSummary, qualityAloneAndTruncation)
{
    useLanguage("cs");
    PresetSpec p;
    p.quality = 0.7;
    EXPECT_EQ(p.summary(), QStringLiteral("kvalita 70 %"));
    p.quality = 0.29; // 28.999… truncates toward zero
    EXPECT_EQ(p.summary(), QStringLiteral("kvalita 28 %"));
    p.quality = 0.57;
    EXPECT_EQ(p.summary(), QStringLiteral("kvalita 56 %"));
    p.targetWidth = 500; // one target alone is no exact size
    p.maxSide = 0;
    EXPECT_EQ(p.summary(), QStringLiteral("kvalita 56 %"));
}

TEST(PresetSummary, hostileQualityNeverCrashes)
{
    useLanguage("cs");
    PresetSpec p;
    for (double q : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1e300, 1e300}) {
        p.quality = q;
        EXPECT_TRUE(p.summary().startsWith(QStringLiteral("kvalita "))) << q;
    }
}

TEST(PresetDefaults, threeBuiltInsWithStableIds)
{
    const QList<PresetSpec>& a = PresetSpec::defaults();
    ASSERT_EQ(a.size(), 3);
    EXPECT_EQ(a[0].name, QStringLiteral("Web"));
    EXPECT_EQ(a[1].name, QStringLiteral("E-mail"));
    EXPECT_EQ(a[1].maxSide, 1200);
    EXPECT_DOUBLE_EQ(a[1].quality, 0.7);
    EXPECT_EQ(a[2].name, QStringLiteral("Sociální sítě"));
    EXPECT_FALSE(a[2].stripMetadata);
    EXPECT_FALSE(a[0].targetWidth);
    // The same ids within one run: screens find rows again by id.
    EXPECT_EQ(PresetSpec::defaults(), a);
    QSet<QUuid> ids;
    for (const PresetSpec& p : a)
        ids.insert(p.id);
    EXPECT_EQ(ids.size(), 3);
    EXPECT_FALSE(a[0].id.isNull());
}

// Every built-in's id in order: the presets, the platform presets, the workflows with their steps.
QStringList builtInIds()
{
    QStringList ids;
    for (const PresetSpec& p : PresetSpec::defaults())
        ids << p.id.toString();
    for (const PlatformPresets& group : PlatformPresets::all())
        for (const PresetSpec& p : group.presets)
            ids << p.id.toString();
    for (const Workflow& w : WorkflowLibrary::defaults()) {
        ids << w.id.toString();
        for (const WorkflowStep& step : w.steps)
            ids << step.id.toString();
    }
    return ids;
}

// A watch rule stored with a built-in finds it again after a restart only when every run gives
// the built-ins the same ids: another run of this program must report exactly these, all
// distinct.
TEST(BuiltInIds, areTheSameInEveryRunAndDistinct)
{
    const QStringList mine = builtInIds();
    const char* marker = "KELVARO_PRINT_BUILT_IN_IDS";
    if (qEnvironmentVariableIsSet(marker)) {
        std::printf("ids:%s\n", qPrintable(mine.join(QLatin1Char(','))));
        return;
    }
    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(marker), QStringLiteral("1"));
    other.setProcessEnvironment(env);
    other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=BuiltInIds.*")});
    ASSERT_TRUE(other.waitForFinished(60000));
    QString theirs;
    for (const QString& line : QString::fromUtf8(other.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("ids:")))
            theirs = line.mid(4);
    EXPECT_EQ(theirs, mine.join(QLatin1Char(',')));
    EXPECT_EQ(QSet<QString>(mine.begin(), mine.end()).size(), mine.size());
    EXPECT_FALSE(mine.contains(QUuid().toString()));
}

TEST(PlatformPresets, twoGroupsOfExactSizes)
{
    const QList<PlatformPresets>& groups = PlatformPresets::all();
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[0].id, QStringLiteral("instagram"));
    EXPECT_EQ(groups[0].symbol, QStringLiteral("camera.fill"));
    EXPECT_EQ(groups[1].title, QStringLiteral("YouTube"));
    EXPECT_EQ(groups[0].presets.size(), 5);
    EXPECT_EQ(groups[1].presets.size(), 3);
    QSet<QUuid> ids;
    for (const PlatformPresets& g : groups) {
        for (const PresetSpec& p : g.presets) {
            ASSERT_TRUE(p.targetWidth && p.targetHeight) << qPrintable(p.name);
            EXPECT_EQ(p.maxSide, std::max(*p.targetWidth, *p.targetHeight));
            EXPECT_EQ(p.format, QStringLiteral("jpg"));
            EXPECT_DOUBLE_EQ(p.quality, 0.9);
            EXPECT_TRUE(p.stripMetadata);
            EXPECT_FALSE(p.cropOffsetX);
            ids.insert(p.id);
        }
    }
    EXPECT_EQ(ids.size(), 8);
    EXPECT_EQ(PlatformPresets::all().at(0).presets.at(0).id, groups[0].presets[0].id);
    EXPECT_EQ(*groups[0].presets[2].targetHeight, 566);
}

TEST(PresetNames, builtInNamesHaveEnglish)
{
    QList<PresetSpec> all = PresetSpec::defaults();
    for (const PlatformPresets& g : PlatformPresets::all())
        all += g.presets;
    for (const PresetSpec& p : all)
        EXPECT_TRUE(L10n::hasEnglishTranslation(p.name)) << qPrintable(p.name);
}

TEST(PresetJson, memberCountsFollowWhatIsPresent)
{
    EXPECT_EQ(PresetSpec::defaults().at(0).toJson().size(), 6);
    PresetSpec platform = platformPreset("YouTube banner kanálu");
    EXPECT_EQ(platform.toJson().size(), 8);
    platform.cropOffsetX = 0.25;
    platform.cropOffsetY = 1.0;
    const QJsonObject o = platform.toJson();
    EXPECT_EQ(o.size(), 10);
    EXPECT_EQ(o.value(QStringLiteral("id")).toString(), platform.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(PresetSpec::fromJson(o), platform);
}

TEST(PresetStore, emptyDataGivesTheDefaultsAndAnEmptyArrayStaysEmpty)
{
    EXPECT_EQ(PresetStore::decode({}), PresetSpec::defaults());
    const auto none = PresetStore::decode("[]");
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());
}

TEST(PresetStore, roundTrip)
{
    QList<PresetSpec> list = PresetSpec::defaults();
    list.prepend(platformPreset("Instagram čtverec (1x1)"));
    const auto back = PresetStore::decode(PresetStore::encode(list));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, list);
}

struct BadPreset {
    const char* what;
    const char* member;
    QJsonValue value; // undefined: remove the member
};

class PresetStoreRejects : public ::testing::TestWithParam<BadPreset> {};

TEST_P(PresetStoreRejects, theWholeArray)
{
    QJsonObject good = PresetSpec::defaults().at(0).toJson();
    QJsonObject bad = good;
    if (GetParam().value.isUndefined())
        bad.remove(QString::fromLatin1(GetParam().member));
    else
        bad.insert(QString::fromLatin1(GetParam().member), GetParam().value);
    EXPECT_FALSE(PresetStore::decode(arrayOf({good, bad}))) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Members, PresetStoreRejects, ::testing::Values(
    BadPreset{"no quality", "quality", QJsonValue(QJsonValue::Undefined)},
    BadPreset{"no id", "id", QJsonValue(QJsonValue::Undefined)},
    BadPreset{"null name", "name", QJsonValue(QJsonValue::Null)},
    BadPreset{"fractional maxSide", "maxSide", QJsonValue(1600.5)},
    BadPreset{"huge maxSide", "maxSide", QJsonValue(1e12)},
    BadPreset{"number for bool", "stripMetadata", QJsonValue(1)},
    BadPreset{"text for number", "quality", QJsonValue(QStringLiteral("0.8"))},
    BadPreset{"bad uuid", "id", QJsonValue(QStringLiteral("not-a-uuid"))},
    BadPreset{"fractional target", "targetWidth", QJsonValue(10.5)},
    BadPreset{"text offset", "cropOffsetX", QJsonValue(QStringLiteral("0.5"))}));

TEST(PresetStore, garbageAndNonArraysGiveNone)
{
    EXPECT_FALSE(PresetStore::decode("not json"));
    EXPECT_FALSE(PresetStore::decode("{}"));
    EXPECT_FALSE(PresetStore::decode("[1]"));
}

TEST(PresetJson, optionalsMissingOrNullAndUnknownMembers)
{
    QJsonObject o = PresetSpec::defaults().at(0).toJson();
    o.insert(QStringLiteral("targetWidth"), 1080);
    o.insert(QStringLiteral("targetHeight"), QJsonValue::Null);
    o.insert(QStringLiteral("future"), QStringLiteral("ignored"));
    const auto p = PresetSpec::fromJson(o);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->targetWidth, 1080);
    EXPECT_FALSE(p->targetHeight);
    EXPECT_EQ(p->toJson().size(), 7);
}
