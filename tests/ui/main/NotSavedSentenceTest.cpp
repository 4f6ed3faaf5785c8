// Every sentence that says something was not saved, wherever it stands, goes (or says only what
// is still true) as soon as the retry of the failed save has put it on disk; the status line then
// says it as no error, and a status line cleared meanwhile stays clear.
#include <cerrno>
#include <functional>
#include <memory>
#include <ostream>

#include <QDir>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "UiTestSupport.h"
#include "l10n/Localization.h"
#include "l10n/SaveFailure.h"
#include "output/OutputFolder.h"
#include "platform/FileSystem.h"
#include "ui/main/StatusNotice.h"
#include "ui/presets/PresetsSheet.h"
#include "ui/wheel/DropWheelCard.h"
#include "ui/wheel/StatusLine.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

namespace {

class NotSavedSentence;

struct SentenceRow {
    const char* name;
    // Brings the place up and makes a change whose save the disk refuses.
    std::function<void(NotSavedSentence&)> refuse;
    // What the place says now; empty when it says nothing.
    std::function<QString(NotSavedSentence&)> shown;
    QString whileUnsaved;
    QString onceSaved;
};

void PrintTo(const SentenceRow& row, std::ostream* os)
{
    *os << row.name;
}

class NotSavedSentence : public ShownContentView, public ::testing::WithParamInterface<SentenceRow> {
public:
    using ShownContentView::store;
    using ShownContentView::view;

    void beforeView() override
    {
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("out"))));
        ASSERT_TRUE(OutputFolder::remember(path(QStringLiteral("out"))));
    }
    void TearDown() override
    {
        presets.reset();
        settingsContent.reset();
        FileSystem::setCurrent(nullptr);
        EXPECT_TRUE(Settings::shared().sync());
        ShownContentView::TearDown();
    }

    void loadPhoto()
    {
        store->receive(QStringList{testimages::writeJpeg(temp.path(), QStringLiteral("a.jpg"), testimages::plain(40, 30, Qt::darkGreen))}, false);
    }
    void showSection(SidebarItem item)
    {
        store->setSidebarSelection(item);
        passPostedEvents();
    }
    QString banner() const
    {
        const auto* card = view->findChild<wheel::DropWheelCard*>();
        return card && card->isBannerShown() ? card->bannerText() : QString();
    }
    QString statusLine() const
    {
        const auto* line = view->findChild<wheel::StatusLine*>();
        return line && line->isVisible() ? line->shownText() : QString();
    }

    FailingFileSystem disk;
    std::unique_ptr<QWidget> settingsContent;
    std::unique_ptr<PresetsSheet> presets;
};

TEST_P(NotSavedSentence, GoesOnceTheRetrySaved)
{
    const SentenceRow& row = GetParam();
    ASSERT_TRUE(Settings::shared().sync());
    disk.failing = {Settings::shared().filePath()};
    FileSystem::setCurrent(&disk);

    row.refuse(*this);
    ASSERT_TRUE(Settings::shared().hasUnsavedChanges());
    EXPECT_TRUE(waitFor([&] { return row.shown(*this) == row.whileUnsaved; })) << row.shown(*this).toStdString();

    disk.failing.clear();
    passTimersOf(Settings::failedRetryMs);
    ASSERT_FALSE(Settings::shared().hasUnsavedChanges()) << "the retry did not save";
    passPostedEvents();
    EXPECT_EQ(row.shown(*this), row.onceSaved);
}

const QString kReason = QStringLiteral("disk hlásí chybu čtení nebo zápisu");
const QString kSettingsSentence = QStringLiteral("Nastavení a historii se nepodařilo uložit: %1. Uložená verze zůstala beze změny.").arg(kReason);

void bookHistory(NotSavedSentence& t)
{
    t.store->addHistoryEntry(activity(QStringLiteral("a.jpg"), QDateTime::currentDateTime()));
}

QString footOfMainWindow(NotSavedSentence& t)
{
    return t.view->notice()->text();
}

INSTANTIATE_TEST_SUITE_P(
    Places, NotSavedSentence,
    ::testing::Values(
        SentenceRow{"settingsOnTheHomeBanner", bookHistory, &NotSavedSentence::banner, kSettingsSentence, QString()},
        SentenceRow{"settingsOnTheStatusLine",
                    [](NotSavedSentence& t) {
                        t.loadPhoto();
                        bookHistory(t);
                    },
                    &NotSavedSentence::statusLine, kSettingsSentence,
                    QStringLiteral("Najeď na výseč a klikni")},
        SentenceRow{"settingsAtTheFootOfAScreen",
                    [](NotSavedSentence& t) {
                        t.showSection(SidebarItem::history);
                        bookHistory(t);
                    },
                    footOfMainWindow, kSettingsSentence, QString()},
        SentenceRow{"settingsAtTheFootOfTheSettingsWindow",
                    [](NotSavedSentence& t) {
                        t.settingsContent.reset(ScreenFactory::build(Screen::settings, *t.store, nullptr));
                        bookHistory(t);
                    },
                    [](NotSavedSentence& t) { return t.settingsContent->findChild<StatusNotice*>()->text(); },
                    kSettingsSentence, QString()},
        SentenceRow{"aRunsEndOnTheStatusLine",
                    [](NotSavedSentence& t) {
                        t.loadPhoto();
                        t.store->run(KelvaroOp::convert(ImageFormat::png));
                        ASSERT_TRUE(waitFor([&] { return !t.store->isWorking(); }));
                    },
                    &NotSavedSentence::statusLine,
                    QStringLiteral("Hotovo – 1 soubor ve složce „out“. Historii se nepodařilo uložit."),
                    QStringLiteral("Hotovo – 1 soubor ve složce „out“.")},
        SentenceRow{"filesPutOnAShelfOnTheStatusLine",
                    [](NotSavedSentence& t) {
                        t.loadPhoto();
                        EXPECT_TRUE(t.store->addToShelf(std::nullopt, QStringLiteral("Léto")));
                    },
                    &NotSavedSentence::statusLine, QStringLiteral("Odloženo na polici „Léto“. Police se nepodařilo uložit."),
                    QStringLiteral("Odloženo na polici „Léto“.")},
        SentenceRow{"aShelfItemMovedAtTheFootOfTheShelves",
                    [](NotSavedSentence& t) {
                        const Shelf from = shelf(QStringLiteral("Jaro"), 0, 0, 1);
                        const Shelf to = shelf(QStringLiteral("Zima"), 1, 0);
                        t.store->setShelves({from, to});
                        t.showSection(SidebarItem::shelves);
                        t.store->moveItem(from.items.at(0).id, from.id, to.id);
                    },
                    footOfMainWindow, QStringLiteral("„f0.jpg“ je na polici „Zima“. Police se nepodařilo uložit."), QString()},
        SentenceRow{"aNewShelfAtTheFootOfTheShelves",
                    [](NotSavedSentence& t) {
                        t.showSection(SidebarItem::shelves);
                        t.store->createShelf(QStringLiteral("Zima"));
                    },
                    footOfMainWindow, QStringLiteral("Police se nepodařilo uložit."), QString()},
        SentenceRow{"aPresetInItsSheet",
                    [](NotSavedSentence& t) {
                        t.presets = std::make_unique<PresetsSheet>(Settings::shared());
                        t.presets->nameField()->setText(QStringLiteral("Blog"));
                        t.presets->addButton()->click();
                    },
                    [](NotSavedSentence& t) {
                        return t.presets->notSavedText()->isHidden() ? QString() : t.presets->notSavedText()->text();
                    },
                    QStringLiteral("Předvolbu se zatím nepodařilo uložit: %1.").arg(kReason), QString()}),
    test::RowName());

// After files were put on a shelf that could not be saved: what the wheel's status line says, and
// whether in the error's rose, once a later save succeeded.
class StatusLineAfterSave;

struct AfterSaveRow {
    const char* name;
    // What the user does once the disk takes writes again (nothing: the retry saves).
    std::function<void(StatusLineAfterSave&)> then;
    QString shown;
};

void PrintTo(const AfterSaveRow& row, std::ostream* os)
{
    *os << row.name;
}

class StatusLineAfterSave : public ShownContentView, public ::testing::WithParamInterface<AfterSaveRow> {
public:
    using ShownContentView::store;

    void beforeView() override
    {
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("out"))));
        ASSERT_TRUE(OutputFolder::remember(path(QStringLiteral("out"))));
    }
    void TearDown() override
    {
        FileSystem::setCurrent(nullptr);
        EXPECT_TRUE(Settings::shared().sync());
        ShownContentView::TearDown();
    }
    QString photo(const QString& name)
    {
        return testimages::writeJpeg(temp.path(), name, testimages::plain(40, 30, Qt::darkGreen));
    }
    wheel::StatusLine* line() const { return view->findChild<wheel::StatusLine*>(); }

    FailingFileSystem disk;
};

TEST_P(StatusLineAfterSave, SaysWhatIsTrueAndNoError)
{
    const AfterSaveRow& row = GetParam();
    ASSERT_TRUE(Settings::shared().sync());
    store->receive(QStringList{photo(QStringLiteral("a.jpg"))}, false);
    disk.failing = {Settings::shared().filePath()};
    FileSystem::setCurrent(&disk);
    ASSERT_TRUE(store->addToShelf(std::nullopt, QStringLiteral("Léto")));
    ASSERT_TRUE(waitFor([&] { return line() && line()->tone() == wheel::StatusTone::error; }));

    disk.failing.clear();
    if (row.then)
        row.then(*this);
    passTimersOf(Settings::failedRetryMs);
    ASSERT_FALSE(Settings::shared().hasUnsavedChanges()) << "nothing saved";
    passPostedEvents();
    EXPECT_EQ(line()->shownText(), row.shown);
    EXPECT_NE(line()->tone(), wheel::StatusTone::error) << line()->shownText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Saves, StatusLineAfterSave,
    ::testing::Values(AfterSaveRow{"theRetry", nullptr, QStringLiteral("Odloženo na polici „Léto“.")},
                      AfterSaveRow{"theNextShelf",
                                   [](StatusLineAfterSave& t) { EXPECT_TRUE(t.store->addToShelf(std::nullopt, QStringLiteral("Zima"))); },
                                   QStringLiteral("Odloženo na polici „Zima“.")},
                      AfterSaveRow{"aNewSelectionBeforeTheRetry",
                                   [](StatusLineAfterSave& t) { t.store->receive(QStringList{t.photo(QStringLiteral("b.jpg"))}, false); },
                                   QStringLiteral("Najeď na výseč a klikni")}),
    test::RowName());

} // namespace
