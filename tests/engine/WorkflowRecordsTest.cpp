#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include "engine/Workflow.h"
#include "platform/Settings.h"

using namespace kelvaro;

namespace {
void useLanguage(const char* code)
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(code));
}

QJsonObject parse(const char* json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}
} // namespace

TEST(WorkflowJson, onlyANameTakesTheDefaults)
{
    const auto w = Workflow::fromJson(parse(R"({"name":"Web"})"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->name, QStringLiteral("Web"));
    EXPECT_EQ(w->symbol, QStringLiteral("wand.and.stars"));
    EXPECT_TRUE(w->steps.isEmpty());
    EXPECT_EQ(w->format, QString());
    EXPECT_DOUBLE_EQ(w->quality, 0.9);
    EXPECT_FALSE(w->stripMetadata);
    EXPECT_FALSE(w->id.isNull());
}

TEST(WorkflowJson, missingIdsAreFreshEachTime)
{
    const auto a = Workflow::fromJson(parse(R"({"name":"A","steps":[{"kind":"crop"}]})"));
    const auto b = Workflow::fromJson(parse(R"({"name":"A","steps":[{"kind":"crop"}]})"));
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->id, b->id);
    EXPECT_NE(a->steps[0].id, b->steps[0].id);
}

TEST(WorkflowJson, nullMembersReadAsDefaults)
{
    const auto w = Workflow::fromJson(parse(
        R"({"id":null,"name":"N","symbol":null,"steps":null,"format":null,"quality":null,"stripMetadata":null})"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->symbol, QStringLiteral("wand.and.stars"));
    EXPECT_DOUBLE_EQ(w->quality, 0.9);
    EXPECT_FALSE(w->id.isNull());
}

TEST(WorkflowStepJson, onlyAdjustKindKeepsContrastOne)
{
    const auto s = WorkflowStep::fromJson(parse(R"({"kind":"adjust"})"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->kind, WorkflowStep::Kind::adjust);
    EXPECT_DOUBLE_EQ(s->contrast, 1.0);
    EXPECT_DOUBLE_EQ(s->brightness, 0.0);
    EXPECT_EQ(s->ratio, QStringLiteral("square"));
    EXPECT_EQ(s->longEdge, 1600);
    EXPECT_EQ(s->position, QStringLiteral("bottomRight"));
    EXPECT_DOUBLE_EQ(s->opacity, 0.8);
    EXPECT_DOUBLE_EQ(s->sizePercent, 5.0);
}

TEST(WorkflowStepJson, defaultTextFollowsTheLanguageAtDecoding)
{
    useLanguage("cs");
    EXPECT_EQ(WorkflowStep::fromJson(parse(R"({"kind":"watermark"})"))->text, QStringLiteral("© Moje fotky"));
    useLanguage("en");
    EXPECT_EQ(WorkflowStep::fromJson(parse(R"({"kind":"watermark"})"))->text, QStringLiteral("© My photos"));
    EXPECT_EQ(WorkflowStep::fromJson(parse(R"({"kind":"watermark","text":""})"))->text, QString());
}

TEST(WorkflowStepJson, unknownRatioAndPositionSurvive)
{
    const auto s = WorkflowStep::fromJson(parse(R"({"kind":"crop","ratio":"21:9","position":"middle"})"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ratio, QStringLiteral("21:9"));
    EXPECT_EQ(QJsonObject(s->toJson()).value(QStringLiteral("position")).toString(), QStringLiteral("middle"));
}

class WorkflowRejects : public ::testing::TestWithParam<const char*> {};

TEST_P(WorkflowRejects, record)
{
    EXPECT_FALSE(Workflow::fromJson(parse(GetParam()))) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkflowRejects, ::testing::Values(
    R"({})",
    R"({"name":null})",
    R"({"name":5})",
    R"({"name":"A","quality":"0.9"})",
    R"({"name":"A","stripMetadata":0})",
    R"({"name":"A","steps":{}})",
    R"({"name":"A","id":"nope"})",
    R"({"name":"A","steps":[{"kind":"adjust"},{"kind":"sharpen"}]})",
    R"({"name":"A","steps":[{}]})",
    R"({"name":"A","steps":[{"kind":"Adjust"}]})",
    R"({"name":"A","steps":[{"kind":"resize","longEdge":1600.5}]})",
    R"({"name":"A","steps":[{"kind":"resize","longEdge":1e11}]})",
    R"({"name":"A","steps":[{"kind":"adjust","mono":"true"}]})",
    R"({"name":"A","steps":[5]})"));

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

TEST(WorkflowStep, newStepDefaults)
{
    useLanguage("cs");
    const WorkflowStep a = WorkflowStep::make(WorkflowStep::Kind::adjust);
    const WorkflowStep c = WorkflowStep::make(WorkflowStep::Kind::crop);
    EXPECT_DOUBLE_EQ(a.contrast, 1.1);
    EXPECT_DOUBLE_EQ(c.contrast, 1.0);
    EXPECT_NE(a.id, c.id);
    EXPECT_EQ(c.text, QStringLiteral("© Moje fotky"));
    EXPECT_EQ(c.longEdge, 1600);
}

TEST(WorkflowStepKind, rawValuesAndTitles)
{
    ASSERT_EQ(allWorkflowStepKinds().size(), 6);
    for (WorkflowStep::Kind k : allWorkflowStepKinds())
        EXPECT_EQ(workflowStepKindFromRaw(rawValue(k)), k);
    EXPECT_EQ(rawValue(WorkflowStep::Kind::removeBackground), QStringLiteral("removeBackground"));
    useLanguage("cs");
    EXPECT_EQ(title(WorkflowStep::Kind::crop), QStringLiteral("Oříznout na poměr"));
    useLanguage("en");
    EXPECT_EQ(title(WorkflowStep::Kind::resize), QStringLiteral("Shrink"));
}
