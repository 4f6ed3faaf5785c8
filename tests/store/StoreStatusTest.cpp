// What the status says after a sentence that changes were not saved: once they are, its saved
// sentence as no error; a sentence set meanwhile (an error too) stays as set; a status line
// cleared meanwhile stays clear, the old sentence never coming back with the next save.
#include <optional>
#include <ostream>

#include <QString>

#include <gtest/gtest.h>

#include "store/StoreStatus.h"

namespace kelvaro {
namespace {

struct Step {
    enum class Kind { unsaved, saved, status, cleared } kind;
    QString message;
    bool isError = false;
    std::optional<QString> whenSaved;
};

Step unsaved(const QString& message, const std::optional<QString>& whenSaved)
{
    return {Step::Kind::unsaved, message, true, whenSaved};
}
Step saved()
{
    return {Step::Kind::saved, {}, false, {}};
}
Step status(const QString& message, bool isError)
{
    return {Step::Kind::status, message, isError, {}};
}
Step cleared()
{
    return {Step::Kind::cleared, {}, false, {}};
}

struct StatusRow {
    const char* name;
    QList<Step> steps;
    std::optional<QString> message;
    std::optional<bool> isError; // none: no message, the flag shows nowhere
};

void PrintTo(const StatusRow& row, std::ostream* os)
{
    *os << row.name;
}

class StatusAfterSave : public ::testing::TestWithParam<StatusRow> {};

const QString kPut = QStringLiteral("Odloženo na polici „Léto“.");
const QString kPutUnsaved = QStringLiteral("Odloženo na polici „Léto“. Police se nepodařilo uložit.");
const QString kSettings = QStringLiteral("Nastavení a historii se nepodařilo uložit: disk je plný. Uložená verze zůstala beze změny.");
const QString kNext = QStringLiteral("Odloženo na polici „Zima“.");
const QString kDone = QStringLiteral("Hotovo – 1 soubor ve složce „out“.");
const QString kFailed = QStringLiteral("Soubor „a.jpg“ se nepodařilo přečíst.");

TEST_P(StatusAfterSave, SaysWhatIsTrue)
{
    const StatusRow& row = GetParam();
    StoreStatus s;
    for (const Step& step : row.steps) {
        switch (step.kind) {
        case Step::Kind::unsaved: s.setUnsavedStatus(step.message, step.isError, step.whenSaved); break;
        case Step::Kind::saved: s.changesSaved(); break;
        case Step::Kind::status: s.setStatus(step.message, step.isError); break;
        case Step::Kind::cleared: s.setStatusMessage(std::nullopt); break;
        }
    }
    EXPECT_EQ(s.statusMessage(), row.message) << s.statusMessage().value_or(QStringLiteral("(none)")).toStdString();
    if (row.isError) {
        EXPECT_EQ(s.statusIsError(), *row.isError);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, StatusAfterSave,
    ::testing::Values(StatusRow{"theShelfOnceSaved", {unsaved(kPutUnsaved, kPut), saved()}, kPut, false},
                      StatusRow{"theSettingsOnceSaved", {unsaved(kSettings, std::nullopt), saved()}, std::nullopt, std::nullopt},
                      StatusRow{"aSavedSentenceAfterAFailedOne", {unsaved(kPutUnsaved, kPut), status(kNext, false)}, kNext, false},
                      StatusRow{"aSavedSentenceAfterTheRetry",
                                {unsaved(kPutUnsaved, kPut), saved(), status(kNext, false), saved()},
                                kNext,
                                false},
                      StatusRow{"aRunsEndBeforeTheRetry", {unsaved(kSettings, std::nullopt), status(kDone, false), saved()}, kDone, false},
                      StatusRow{"anErrorBeforeTheRetryStays", {unsaved(kPutUnsaved, kPut), status(kFailed, true), saved()}, kFailed, true},
                      StatusRow{"clearedBeforeTheRetry", {unsaved(kPutUnsaved, kPut), cleared(), saved()}, std::nullopt, std::nullopt},
                      StatusRow{"clearedBeforeTheNextSave",
                                {unsaved(kPutUnsaved, kPut), cleared(), saved(), status(kNext, false), saved()},
                                kNext,
                                false}),
    [](const ::testing::TestParamInfo<StatusRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace kelvaro
