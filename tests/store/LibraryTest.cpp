// The persisted library, demo mode, sample content and derived statistics.
#include <limits>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "StoreTestSupport.h"
#include "platform/NativePath.h"

namespace kelvaro::test {
namespace {

// The library on its own; the store's part of it (demo exit, signals) goes through the store.
class LibraryTest : public StoreTest {
protected:
    static QString storageKey() { return QString::fromLatin1(KelvaroStore::defaultStorageKey); }
};

TEST_F(LibraryTest, FirstStartLoadsSampleContentAndWritesItAtOnce)
{
    Library s(storageKey());
    EXPECT_EQ(s.activities().size(), SampleData::activities().size());
    EXPECT_EQ(s.shelves().size(), SampleData::shelves().size());
    EXPECT_TRUE(s.hasSampleData());

    const QJsonObject stored = QJsonDocument::fromJson(storedLibrary()).object();
    EXPECT_EQ(stored.value("activities").toArray().size(), s.activities().size());
    EXPECT_EQ(stored.value("shelves").toArray().size(), s.shelves().size());
}

TEST_F(LibraryTest, StoredLibraryRoundTripsUnchanged)
{
    const QList<ActivityItem> activities{entry("a.jpg")};
    {
        Library first(storageKey());
        first.setActivities(activities);
        first.setShelves({shelf("Léto", {"a.jpg", "b.jpg"})});
        first.save();
    }
    Library s(storageKey());
    ASSERT_EQ(s.activities().size(), 1);
    EXPECT_EQ(s.activities().first().id, activities.first().id);
    ASSERT_EQ(s.shelves().size(), 1);
    EXPECT_EQ(s.shelves().first().items.size(), 2);
    EXPECT_TRUE(s.canPersist());
}

// A file name that was not UTF-8 is kept and shown as valid text, the byte as the replacement
// mark, also after the history was saved and read again.
TEST_F(LibraryTest, AHistoryNameThatWasNotUtf8IsKeptAsValidText)
{
    const QString shown = QStringLiteral("c\uFFFDd.jpg");
    {
        Library first(storageKey());
        first.addHistoryEntries({entry(NativePath::decoded(QByteArray("c\xe9" "d.jpg")))});
        EXPECT_EQ(first.activities().first().fileName, shown);
    }
    Library s(storageKey());
    ASSERT_FALSE(s.activities().isEmpty());
    EXPECT_EQ(s.activities().first().fileName, shown);
}

class UnreadableLibraryTest : public StoreTest, public ::testing::WithParamInterface<QVariant> {};

TEST_P(UnreadableLibraryTest, IsLoggedLeftEmptyAndNeverOverwritten)
{
    const QVariant bad = GetParam();
    Settings::shared().setValue(KelvaroStore::defaultStorageKey, bad);
    KelvaroStore& s = makeStore(fakeProcess);
    EXPECT_TRUE(s.activities().isEmpty());
    EXPECT_TRUE(s.shelves().isEmpty());
    EXPECT_FALSE(s.canPersist());
    const QStringList log = recentLogLines();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.last().startsWith("Kelvaro: failed to decode library: ")) << log.last().toStdString();

    // A whole run later the stored bytes are still the bad ones.
    rememberOutput();
    ASSERT_TRUE(runOn({image("in/a.png")}, KelvaroOp::convert(ImageFormat::png)));
    EXPECT_EQ(s.activities().size(), 1); // the run goes on in memory
    s.addHistoryEntry(entry("b.jpg"));
    s.createShelf(QStringLiteral("Nová"));
    s.save();
    EXPECT_EQ(Settings::shared().value(KelvaroStore::defaultStorageKey), bad);
}

INSTANTIATE_TEST_SUITE_P(Documents, UnreadableLibraryTest,
                         ::testing::Values(QByteArray(R"({"activities":[]})"), QByteArray(R"({"shelves":[]})"),
                                           QByteArray("not json"), QByteArray(R"({"activities":[{"id":"x"}],"shelves":[]})"),
                                           QByteArray(R"({"activities":[{"id":)"), QByteArray(R"([{"id": 1}])"),
                                           QByteArray("{}"), QStringLiteral("a value of another type")));

TEST_F(LibraryTest, DemoContentIsNeverSavedAndTheRealLibraryComesBack)
{
    KelvaroStore& s = makeStore();
    const QList<ActivityItem> real = s.activities();
    const QList<Shelf> realShelves = s.shelves();
    const QByteArray before = storedLibrary();

    s.enterDemo({entry("demo1.jpg")}, {shelf("Demo")});
    s.enterDemo({entry("demo2.jpg")}, {});
    EXPECT_EQ(s.activities().first().fileName, "demo2.jpg");
    s.addHistoryEntry(entry("during.jpg"));
    s.save();
    EXPECT_EQ(storedLibrary(), before);

    s.setStudioCompare(true);
    s.setActiveSheet(ToolSheet::crop);
    s.exitDemo();
    EXPECT_EQ(s.activities(), real);
    EXPECT_EQ(s.shelves(), realShelves);
    EXPECT_FALSE(s.studioCompare());
    EXPECT_FALSE(s.activeSheet().has_value());
    EXPECT_FALSE(s.isShowingDemo());
    EXPECT_EQ(storedLibrary(), before);
}

TEST_F(LibraryTest, ClearSampleDataKeepsTheUsersOwnThings)
{
    Library s(storageKey());
    QList<Shelf> shelves = s.shelves();
    shelves[1].items = shelf("x", {"a.jpg"}).items; // the user put a file on a sample shelf
    shelves.append(shelf("Moje"));
    s.setShelves(shelves);
    s.addHistoryEntry(entry("mine.jpg"));

    s.clearSampleData();
    ASSERT_EQ(s.activities().size(), 1);
    EXPECT_EQ(s.activities().first().fileName, "mine.jpg");
    ASSERT_EQ(s.shelves().size(), 2);
    EXPECT_EQ(s.shelves()[0].name, shelves[1].name);
    EXPECT_EQ(s.shelves()[0].fileCount, 0);
    EXPECT_EQ(s.shelves()[1].name, "Moje");
    EXPECT_FALSE(s.hasSampleData());
    EXPECT_EQ(QJsonDocument::fromJson(storedLibrary()).object().value("shelves").toArray().size(), 2);
}

TEST_F(LibraryTest, DailyStatsCountTheLastSevenDaysOnly)
{
    Library s(storageKey());
    const QDateTime noon = QDateTime(QDate::currentDate(), QTime(12, 0));
    s.setActivities({entry("today1", noon), entry("today2", noon), entry("sixAgo", noon.addDays(-6)),
                     entry("sevenAgo", noon.addDays(-7)), entry("future", noon.addDays(1))});
    const QList<DailyStat> stats = s.dailyStats();
    ASSERT_EQ(stats.size(), 7);
    EXPECT_EQ(stats.last().date, QDate::currentDate().startOfDay());
    EXPECT_EQ(stats.first().date, QDate::currentDate().addDays(-6).startOfDay());
    EXPECT_EQ(stats.last().count, 2);
    EXPECT_EQ(stats.first().count, 1);
    EXPECT_EQ(s.weekCount(), 3);
}

TEST_F(LibraryTest, RecentActivitiesAreStableNewestSix)
{
    Library s(storageKey());
    const QDateTime t = QDateTime::currentDateTimeUtc();
    s.setActivities({entry("old", t.addSecs(-100)), entry("sameA", t), entry("sameB", t), entry("newest", t.addSecs(5))});
    QList<ActivityItem> recent = s.recentActivities();
    ASSERT_EQ(recent.size(), 4);
    EXPECT_EQ(recent[0].fileName, "newest");
    EXPECT_EQ(recent[1].fileName, "sameA");
    EXPECT_EQ(recent[2].fileName, "sameB");
    EXPECT_EQ(recent[3].fileName, "old");

    QList<ActivityItem> many;
    for (int i = 0; i < 9; ++i)
        many.append(entry(QString::number(i), t.addSecs(-i)));
    s.setActivities(many);
    recent = s.recentActivities();
    ASSERT_EQ(recent.size(), 6);
    EXPECT_EQ(recent.last().fileName, "5");
}

// Stored counts come from a file anyone may have written: negative ones add nothing and huge ones
// do not wrap around.
TEST_F(LibraryTest, ShelvedFilesStayInRangeWhateverTheStoredCounts)
{
    const int most = std::numeric_limits<int>::max();
    Library s(storageKey());
    s.setShelves({shelf("a", {"a.jpg"}, most), shelf("b", {}, most), shelf("c", {"a.jpg", "b.jpg"}, -5)});
    EXPECT_EQ(s.shelvedFiles(), most);

    s.setShelves({shelf("c", {"a.jpg", "b.jpg"}, -5), shelf("d", {"a.jpg"}, 1000), shelf("e", {}, std::numeric_limits<int>::min())});
    EXPECT_EQ(s.shelvedFiles(), 1003);
    s.setShelves({shelf("f", {}, most - 1), shelf("g", {}, -1)});
    EXPECT_EQ(s.shelvedFiles(), most - 1);
    s.setShelves({shelf("f", {"a.jpg"}, most - 1)});
    EXPECT_EQ(s.shelvedFiles(), most);
    s.setShelves({});
    EXPECT_EQ(s.shelvedFiles(), 0);
}

TEST_F(LibraryTest, EqualValuesNotifyNobody)
{
    KelvaroStore& s = makeStore();
    SignalCounter mode(&s, &KelvaroStore::wheelModeChanged);
    SignalCounter status(&s, &KelvaroStore::statusMessageChanged);
    s.setWheelMode(WheelMode::convert);
    s.setStatusMessage(std::nullopt);
    EXPECT_EQ(mode.count, 0);
    EXPECT_EQ(status.count, 0);
    s.setWheelMode(WheelMode::tools);
    s.setWheelMode(WheelMode::tools);
    EXPECT_EQ(mode.count, 1);
}

// One run, clipboard copy, shelf addition or watched batch is booked as one change and one save,
// after all its entries are in; the stored history is the one the store holds, cut at 500.
enum class Booking { run, clipboard, shelf, watchedBatch };

std::string bookingName(const ::testing::TestParamInfo<Booking>& info)
{
    static const char* const names[] = {"run", "clipboard", "shelf", "watchedBatch"};
    return names[int(info.param)];
}

class BookingTest : public StoreTest, public ::testing::WithParamInterface<Booking> {};

TEST_P(BookingTest, IsSavedOnceWithAllItsEntries)
{
    rememberOutput();
    KelvaroStore& s = makeStore(fakeProcess);
    QList<ActivityItem> old;
    for (int i = 0; i < 450; ++i)
        old.append(entry(QStringLiteral("old%1").arg(i)));
    s.setActivities(old);
    QStringList files;
    for (int i = 0; i < 80; ++i)
        files.append(touch(QStringLiteral("in/f%1.jpg").arg(i, 2, 10, QLatin1Char('0'))));
    s.receive(files, false);

    int saves = 0;
    QObject::connect(&Settings::shared(), &Settings::changed, &s, [&](const QString& key) {
        saves += key == QLatin1String(KelvaroStore::defaultStorageKey);
    });
    SignalCounter changes(&s, &KelvaroStore::activitiesChanged);
    switch (GetParam()) {
    case Booking::run:
        s.run(KelvaroOp::convert(ImageFormat::png));
        ASSERT_TRUE(finished());
        break;
    case Booking::clipboard: s.copyToClipboard(ClipboardMode::names); break;
    case Booking::shelf: ASSERT_TRUE(s.addToShelf(std::nullopt, QStringLiteral("Výběr"))); break;
    case Booking::watchedBatch: {
        QList<ActivityItem> batch;
        for (const QString& file : files)
            batch.append(entry(QFileInfo(file).fileName()));
        s.addHistoryEntries(batch);
        break;
    }
    }
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(changes.count, 1);
    ASSERT_EQ(s.activities().size(), 500);
    EXPECT_EQ(s.activities().first().fileName, "f79.jpg");
    EXPECT_EQ(s.activities()[79].fileName, "f00.jpg");
    EXPECT_EQ(s.activities().last().fileName, "old419");
    const QJsonArray stored = QJsonDocument::fromJson(storedLibrary()).object().value("activities").toArray();
    ASSERT_EQ(stored.size(), 500);
    for (int i = 0; i < stored.size(); ++i)
        ASSERT_EQ(stored[i], s.activities()[i].toJson()) << i;
}

INSTANTIATE_TEST_SUITE_P(Bookings, BookingTest,
                         ::testing::Values(Booking::run, Booking::clipboard, Booking::shelf, Booking::watchedBatch),
                         bookingName);

} // namespace
} // namespace kelvaro::test

namespace kelvaro::test {
namespace {

// A settings file that could not be read is no first start: it is kept aside untouched, the
// history starts empty without sample rows (an empty one is stored, so the next start is none
// either), and the status line says where the file went. The settings open there for the first
// time, in a process of its own.
TEST(LibraryKeptAside, AnUnreadableSettingsFileIsNoFirstStart)
{
    EXPECT_TRUE(passesInFreshProcess(QStringLiteral("LibraryKeptAsideChild.*"), 1));
}

TEST(LibraryKeptAsideChild, anUnreadableSettingsFileIsNoFirstStart)
{
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kelvaro");
    QDir().mkpath(folder);
    const QByteArray piece = QByteArray(R"({"kelvaro.library.v1": {"data": ")") + QByteArray(4096 - 32, 'A');
    writeFile(folder + QStringLiteral("/kelvaro.json"), piece);

    KelvaroStore store(StoreServices{}, QString::fromLatin1(KelvaroStore::defaultStorageKey));
    EXPECT_TRUE(store.activities().isEmpty());
    EXPECT_TRUE(store.shelves().isEmpty());
    EXPECT_TRUE(store.canPersist());
    const QString aside = store.libraryKeptAside();
    ASSERT_FALSE(aside.isEmpty());
    EXPECT_EQ(readFile(aside), piece);
    ASSERT_TRUE(store.statusMessage());
    EXPECT_TRUE(store.statusMessage()->contains(aside)) << store.statusMessage()->toStdString();
    EXPECT_TRUE(store.statusIsError());
    EXPECT_EQ(QJsonDocument::fromJson(*Settings::shared().dataValue(QString::fromLatin1(KelvaroStore::defaultStorageKey))).object(),
              (QJsonObject{{"activities", QJsonArray()}, {"shelves", QJsonArray()}}));
}

// A history save the disk refuses is told on the status line in the user's words, once until a
// save succeeds again.
TEST_F(LibraryTest, AFailedSaveIsToldOncePerStreak)
{
    KelvaroStore& s = makeStore();
    SignalCounter errors(&s, &KelvaroStore::errorReported);
    FailingFileSystem disk;
    disk.writeBudget = 100;
    FileSystem::setCurrent(&disk);
    s.addHistoryEntry(entry("a.jpg"));
    s.addHistoryEntry(entry("b.jpg"));
    EXPECT_EQ(errors.count, 1);
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Nastavení a historii se nepodařilo uložit: na disku není místo. Uložená verze zůstala beze změny."));
    EXPECT_TRUE(s.statusIsError());

    disk.writeBudget = -1;
    s.addHistoryEntry(entry("c.jpg"));
    disk.writeBudget = 0;
    s.addHistoryEntry(entry("d.jpg"));
    EXPECT_EQ(errors.count, 2);
    FileSystem::setCurrent(nullptr);
}

// A streak of failed saves that began before the store listened (a language or window setting
// written at start) is told when the store comes up, not only after the next save succeeds and
// fails again.
TEST_F(LibraryTest, AFailedSaveBeforeTheStoreCameUpIsTold)
{
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    EXPECT_FALSE(Settings::shared().setValue(QStringLiteral("kelvaro.settingsTab"), QStringLiteral("export")));
    KelvaroStore& s = makeStore();
    s.addHistoryEntry(entry("a.jpg"));
    FileSystem::setCurrent(nullptr);
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Nastavení a historii se nepodařilo uložit: na disku není místo. Uložená verze zůstala beze změny."));
    EXPECT_TRUE(s.statusIsError());
}

} // namespace
} // namespace kelvaro::test
