#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "model/Workflow.h"
#include "platform/Settings.h"

using namespace kelvaro;

namespace {

QJsonObject parse(const char* json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

TEST(WorkflowJson, missingOrNullMembersTakeTheDefaultsAndFreshIds)
{
    for (const char* json : {R"({"name":"N","steps":[{"kind":"crop"}]})",
                             R"({"id":null,"name":"N","symbol":null,"steps":[{"kind":"crop"}],"format":null,"quality":null,"stripMetadata":null})"}) {
        const auto a = Workflow::fromJson(parse(json)), b = Workflow::fromJson(parse(json));
        ASSERT_TRUE(a && b) << json;
        EXPECT_EQ(a->symbol, QStringLiteral("wand.and.stars"));
        EXPECT_EQ(a->format, QString());
        EXPECT_DOUBLE_EQ(a->quality, 0.9);
        EXPECT_FALSE(a->stripMetadata);
        EXPECT_NE(a->id, b->id);
        EXPECT_FALSE(a->id.isNull());
        EXPECT_NE(a->steps[0].id, b->steps[0].id);
    }
}

TEST(WorkflowStepJson, defaultsOfAStepAndUnknownRatiosAndPositionsSurvive)
{
    const auto s = WorkflowStep::fromJson(parse(R"({"kind":"adjust"})"));
    ASSERT_TRUE(s);
    EXPECT_DOUBLE_EQ(s->contrast, 1.0); // a new step gets 1.1, a decoded one keeps 1
    EXPECT_DOUBLE_EQ(WorkflowStep::make(WorkflowStep::Kind::adjust).contrast, 1.1);
    EXPECT_EQ(s->ratio, QStringLiteral("square"));
    EXPECT_EQ(s->longEdge, 1600);
    EXPECT_EQ(s->position, QStringLiteral("bottomRight"));
    EXPECT_DOUBLE_EQ(s->opacity, 0.8);
    EXPECT_DOUBLE_EQ(s->sizePercent, 5.0);
    const auto crop = WorkflowStep::fromJson(parse(R"({"kind":"crop","ratio":"21:9","position":"middle"})"));
    ASSERT_TRUE(crop);
    EXPECT_EQ(crop->ratio, QStringLiteral("21:9"));
    EXPECT_EQ(QJsonObject(crop->toJson()).value(QStringLiteral("position")).toString(), QStringLiteral("middle"));
    // The default text follows the language at decoding; an empty one stays empty.
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    EXPECT_EQ(WorkflowStep::fromJson(parse(R"({"kind":"watermark"})"))->text, QStringLiteral("© Moje fotky"));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    EXPECT_EQ(WorkflowStep::fromJson(parse(R"({"kind":"watermark"})"))->text, QStringLiteral("© My photos"));
    EXPECT_EQ(WorkflowStep::fromJson(parse(R"({"kind":"watermark","text":""})"))->text, QString());
}

TEST(WorkflowJson, rejectsMistypedMembersAndUnknownStepKinds)
{
    for (const char* json : {R"({})", R"({"name":null})", R"({"name":5})", R"({"name":"A","quality":"0.9"})",
                             R"({"name":"A","stripMetadata":0})", R"({"name":"A","steps":{}})", R"({"name":"A","id":"nope"})",
                             R"({"name":"A","steps":[{"kind":"adjust"},{"kind":"sharpen"}]})", R"({"name":"A","steps":[{}]})",
                             R"({"name":"A","steps":[{"kind":"Adjust"}]})", R"({"name":"A","steps":[{"kind":"resize","longEdge":1600.5}]})",
                             R"({"name":"A","steps":[{"kind":"resize","longEdge":1e11}]})",
                             R"({"name":"A","steps":[{"kind":"adjust","mono":"true"}]})", R"({"name":"A","steps":[5]})"})
        EXPECT_FALSE(Workflow::fromJson(parse(json))) << json;
}

TEST(WorkflowJson, encodingWritesEveryKeyAndRoundTrips)
{
    Workflow w;
    w.id = QUuid::createUuid();
    w.name = QStringLiteral("Do tisku");
    w.symbol = QStringLiteral("printer");
    w.steps = {WorkflowStep::make(WorkflowStep::Kind::adjust), WorkflowStep::make(WorkflowStep::Kind::watermark)};
    w.format = QStringLiteral("tiff");
    w.quality = 0.85;
    const QJsonObject o = w.toJson();
    EXPECT_EQ(o.size(), 7);
    EXPECT_EQ(o.value(QStringLiteral("id")).toString(), w.id.toString(QUuid::WithoutBraces).toUpper());
    const QJsonObject step = o.value(QStringLiteral("steps")).toArray().at(0).toObject();
    EXPECT_EQ(step.size(), 11);
    EXPECT_EQ(step.value(QStringLiteral("kind")).toString(), QStringLiteral("adjust"));
    EXPECT_EQ(Workflow::fromJson(o), w);
}

} // namespace
