#include <cstdio>
#include <limits>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "model/PresetSpec.h"
#include "model/WorkflowLibrary.h"
#include "platform/Settings.h"

using namespace kelvaro;

namespace {

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

TEST(PresetSummary, namesSizeFormatQualityAndMetadataInTheLanguage)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    EXPECT_EQ(PresetSpec::defaults().at(0).summary(), QStringLiteral("max 1600 px · JPG · kvalita 80 % · bez metadat"));
    // An exact size wins over the long side.
    EXPECT_EQ(platformPreset("Instagram profilovka").summary(), QStringLiteral("320×320 px · JPG · kvalita 90 % · bez metadat"));
    PresetSpec p;
    p.quality = 0.29; // 28.999… truncates toward zero
    EXPECT_EQ(p.summary(), QStringLiteral("kvalita 28 %"));
    p.targetWidth = 500; // one target alone is no exact size
    p.maxSide = 0;
    EXPECT_EQ(p.summary(), QStringLiteral("kvalita 28 %"));
    for (double q : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1e300, 1e300}) {
        p.quality = q; // never crashes
        EXPECT_TRUE(p.summary().startsWith(QStringLiteral("kvalita "))) << q;
    }
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(PresetSpec::defaults().at(0).summary(), QStringLiteral("max 1600 px · JPG · quality 80% · no metadata"));
}

TEST(PresetDefaults, builtInsKeepTheirIdsAndPlatformPresetsAreExactSizes)
{
    const QList<PresetSpec>& a = PresetSpec::defaults();
    ASSERT_EQ(a.size(), 3);
    EXPECT_EQ(PresetSpec::defaults(), a); // the same ids within one run: screens find rows again by id
    QList<PresetSpec> all = a;
    for (const PlatformPresets& g : PlatformPresets::all())
        for (const PresetSpec& p : g.presets) {
            ASSERT_TRUE(p.targetWidth && p.targetHeight) << qPrintable(p.name);
            EXPECT_EQ(p.maxSide, std::max(*p.targetWidth, *p.targetHeight));
            all << p;
        }
    EXPECT_EQ(all.size(), 3 + 8);
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

TEST(PresetJson, writesOnlyWhatIsPresentAndRoundTrips)
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
    // Optionals may be missing or null; unknown members are written back as read.
    QJsonObject other = PresetSpec::defaults().at(0).toJson();
    other.insert(QStringLiteral("targetWidth"), 1080);
    other.insert(QStringLiteral("targetHeight"), QJsonValue::Null);
    other.insert(QStringLiteral("future"), QStringLiteral("kept"));
    const auto p = PresetSpec::fromJson(other);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->targetWidth, 1080);
    EXPECT_FALSE(p->targetHeight);
    EXPECT_EQ(p->toJson().size(), 8);
    EXPECT_EQ(p->toJson().value(QStringLiteral("future")), QJsonValue(QStringLiteral("kept")));
}

// Only the crop's target and offsets may be missing: a record without any other member is refused.
TEST(PresetJson, aRecordWithoutARequiredMemberIsRefused)
{
    const QJsonObject good = PresetSpec::defaults().at(0).toJson();
    ASSERT_TRUE(PresetSpec::fromJson(good));
    for (const char* member : {"id", "name", "maxSide", "format", "quality", "stripMetadata"}) {
        QJsonObject bad = good;
        ASSERT_TRUE(bad.contains(QLatin1String(member))) << member;
        bad.remove(QLatin1String(member));
        EXPECT_FALSE(PresetSpec::fromJson(bad)) << member;
    }
}

TEST(PresetStore, emptyDataGivesTheDefaultsAndAListRoundTrips)
{
    EXPECT_EQ(PresetStore::decode({}), PresetSpec::defaults());
    const auto none = PresetStore::decode("[]");
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());
    QList<PresetSpec> list = PresetSpec::defaults();
    list.prepend(platformPreset("Instagram čtverec (1x1)"));
    EXPECT_EQ(PresetStore::decode(PresetStore::encode(list)), list);
    for (const char* garbage : {"not json", "{}", "[1]"})
        EXPECT_FALSE(PresetStore::decode(garbage)) << garbage;
}

TEST(PresetStore, oneBadRecordRejectsTheWholeArray)
{
    const struct {
        const char* name;
        const char* member;
        QJsonValue value; // undefined: remove the member
    } rows[] = {
        {"no quality", "quality", QJsonValue(QJsonValue::Undefined)},
        {"no id", "id", QJsonValue(QJsonValue::Undefined)},
        {"null name", "name", QJsonValue(QJsonValue::Null)},
        {"fractional maxSide", "maxSide", QJsonValue(1600.5)},
        {"huge maxSide", "maxSide", QJsonValue(1e12)},
        {"number for bool", "stripMetadata", QJsonValue(1)},
        {"text for number", "quality", QJsonValue(QStringLiteral("0.8"))},
        {"bad uuid", "id", QJsonValue(QStringLiteral("not-a-uuid"))},
        {"fractional target", "targetWidth", QJsonValue(10.5)},
        {"text offset", "cropOffsetX", QJsonValue(QStringLiteral("0.5"))},
    };
    const QJsonObject good = PresetSpec::defaults().at(0).toJson();
    for (const auto& row : rows) {
        QJsonObject bad = good;
        if (row.value.isUndefined())
            bad.remove(QString::fromLatin1(row.member));
        else
            bad.insert(QString::fromLatin1(row.member), row.value);
        EXPECT_FALSE(PresetStore::decode(QJsonDocument(QJsonArray{good, bad}).toJson())) << row.name;
    }
}

} // namespace
