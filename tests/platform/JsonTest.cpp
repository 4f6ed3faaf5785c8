#include <limits>

#include <QJsonArray>
#include <QTimeZone>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include "platform/Json.h"

using namespace kelvaro;

namespace {
QJsonObject parse(const char* json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}
} // namespace

TEST(JsonUuid, writtenUpperCaseReadInEitherCase)
{
    const QUuid id = QUuid::fromString(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));
    EXPECT_EQ(json::uuidText(id), QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
    EXPECT_EQ(json::parseUuid(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e")), id);
    EXPECT_EQ(json::parseUuid(QStringLiteral("00000000-0000-0000-0000-000000000000")), QUuid());
    for (const char* bad : {"{0F8FAD5B-D9CB-469F-A165-70867728950E}", "0F8FAD5BD9CB469FA16570867728950E", "",
                            "0F8FAD5B-D9CB-469F-A165-70867728950G", "0F8FAD5B-D9CB-469F-A165+70867728950E"})
        EXPECT_FALSE(json::parseUuid(QString::fromLatin1(bad))) << bad;
}

TEST(JsonDate, secondsSince2001)
{
    const QDateTime ref(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(json::dateValue(ref), 0.0);
    EXPECT_EQ(json::dateFrom(0), ref);
    EXPECT_EQ(json::dateFrom(-86400.5), ref.addMSecs(-86400500));
    const QDateTime local(QDate(2026, 7, 1), QTime(12, 30, 0, 250), QTimeZone("Europe/Prague"));
    EXPECT_EQ(json::dateFrom(json::dateValue(local)), local); // same instant, whatever the zone
    // Out-of-range numbers stay defined.
    EXPECT_TRUE(json::dateFrom(1e300).isValid());
    EXPECT_TRUE(json::dateFrom(std::numeric_limits<double>::quiet_NaN()).isValid());
}

TEST(JsonReader, requiredMembersAreStrict)
{
    struct Case {
        const char* json;
        bool ok;
    };
    const auto readsInteger = [](const char* j) { json::Reader r(parse(j)); r.integer(QStringLiteral("v")); return r.ok(); };
    for (const Case& c : {Case{R"({"v":3})", true}, Case{R"({"v":-0})", true}, Case{R"({"v":3.0})", true},
                          Case{R"({"v":1.5})", false}, Case{R"({"v":"3"})", false}, Case{R"({"v":true})", false},
                          Case{R"({"v":null})", false}, Case{R"({})", false}, Case{R"({"v":1e20})", false}})
        EXPECT_EQ(readsInteger(c.json), c.ok) << c.json;
    const auto readsBool = [](const char* j) { json::Reader r(parse(j)); r.boolean(QStringLiteral("v")); return r.ok(); };
    for (const Case& c : {Case{R"({"v":false})", true}, Case{R"({"v":0})", false}, Case{R"({"v":"true"})", false}})
        EXPECT_EQ(readsBool(c.json), c.ok) << c.json;
    const auto readsNumber = [](const char* j) { json::Reader r(parse(j)); r.number(QStringLiteral("v")); return r.ok(); };
    for (const Case& c : {Case{R"({"v":0.5})", true}, Case{R"({"v":7})", true}, Case{R"({"v":false})", false},
                          Case{R"({"v":"0.5"})", false}})
        EXPECT_EQ(readsNumber(c.json), c.ok) << c.json;
    const auto readsDate = [](const char* j) { json::Reader r(parse(j)); r.date(QStringLiteral("v")); return r.ok(); };
    for (const Case& c : {Case{R"({"v":795193766.5})", true}, Case{R"({"v":1e300})", false}, Case{R"({"v":"2026"})", false}})
        EXPECT_EQ(readsDate(c.json), c.ok) << c.json;
    // Non-objects fail at once.
    EXPECT_FALSE(json::Reader(QJsonValue(3)).ok());
    EXPECT_FALSE(json::Reader(QJsonValue(QJsonArray())).ok());
    EXPECT_TRUE(json::Reader(QJsonValue(QJsonObject())).ok());
}

TEST(JsonReader, optionalsAreAbsentWhenMissingOrNullButStrictWhenPresentAndTheFirstFailureSticks)
{
    json::Reader r(parse(R"({"n":null,"s":"t","bad":5,"b":1})"));
    EXPECT_FALSE(r.optString(QStringLiteral("n")));
    EXPECT_FALSE(r.optInteger(QStringLiteral("missing")));
    EXPECT_EQ(r.optString(QStringLiteral("s")), QStringLiteral("t"));
    EXPECT_TRUE(r.ok());
    r.optString(QStringLiteral("bad"));
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.integer(QStringLiteral("b")), 1);
    EXPECT_FALSE(r.ok());
}

TEST(JsonWriter, optionalsLeftOutWhenAbsentAndDataAsBase64BothWays)
{
    const QByteArray bytes("\x00\xff\x10 kelvaro", 11);
    const QJsonObject o = json::Writer()
                              .setOptional(QStringLiteral("a"), std::optional<QString>())
                              .setOptional(QStringLiteral("b"), std::optional<int>(2))
                              .setOptionalData(QStringLiteral("c"), std::nullopt)
                              .set(QStringLiteral("d"), QUuid::fromString(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e")))
                              .setData(QStringLiteral("e"), bytes)
                              .object();
    EXPECT_FALSE(o.contains(QStringLiteral("a")));
    EXPECT_EQ(o.value(QStringLiteral("b")).toInt(), 2);
    EXPECT_FALSE(o.contains(QStringLiteral("c")));
    EXPECT_EQ(o.value(QStringLiteral("d")).toString(), QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
    json::Reader r(o);
    EXPECT_EQ(r.data(QStringLiteral("e")), bytes);
    EXPECT_TRUE(r.ok());
    json::Reader bad(parse(R"({"d":"!!not base64!!"})"));
    bad.data(QStringLiteral("d"));
    EXPECT_FALSE(bad.ok());
}

TEST(JsonDecodeList, oneBadElementFailsTheWholeList)
{
    const auto decodeInt = [](const QJsonValue& v) { return json::toInteger(v); };
    EXPECT_EQ(json::decodeList<qint64>("[1,2,3]", decodeInt), (QList<qint64>{1, 2, 3}));
    EXPECT_EQ(json::decodeList<qint64>("[]", decodeInt), QList<qint64>());
    EXPECT_FALSE(json::decodeList<qint64>("[1,2.5,3]", decodeInt));
    EXPECT_FALSE(json::decodeList<qint64>("{\"a\":1}", decodeInt));
    EXPECT_FALSE(json::decodeList<qint64>("[1,2", decodeInt));
    EXPECT_FALSE(json::decodeList<qint64>("", decodeInt));
    EXPECT_EQ(json::encodeArray(QJsonArray{1, 2}), QByteArray("[1,2]"));
}
