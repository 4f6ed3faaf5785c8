#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "output/OutputFolder.h"
#include "platform/Bookmark.h"
#include "platform/FolderChooser.h"
#include "platform/Log.h"
#include "platform/Settings.h"

using namespace kelvaro;

namespace {

const QString kKey = QString::fromLatin1(OutputFolder::bookmarkKey);

class OutputFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        Settings::shared().remove(kKey);
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        chooser = std::make_shared<FakeFolderChooser>();
        FolderChooser::setShared(chooser);
        clearRecentLogLines();
    }
    void TearDown() override { FolderChooser::setShared(nullptr); }

    QString makeDir(const QString& relative)
    {
        const QString path = root.path() + QLatin1Char('/') + relative;
        EXPECT_TRUE(QDir().mkpath(path));
        return QDir::cleanPath(path);
    }
    QString userTrash() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
    }

    QTemporaryDir root;
    std::shared_ptr<FakeFolderChooser> chooser;
};

} // namespace

TEST_F(OutputFolderTest, obtainAsksWithTheMessageAndRemembersTheChoiceButACancelledOneLeavesTheSettingAbsent)
{
    EXPECT_FALSE(OutputFolder::resolve());
    chooser->answer = std::nullopt;
    EXPECT_FALSE(OutputFolder::obtain());
    FolderChooser::setShared(nullptr); // no chooser installed: every choice is cancelled
    EXPECT_FALSE(OutputFolder::obtain());
    EXPECT_FALSE(OutputFolder::choose(QStringLiteral("x")));
    EXPECT_FALSE(Settings::shared().contains(kKey));

    FolderChooser::setShared(chooser);
    const QString folder = makeDir(QStringLiteral("Výsledky"));
    const QString start = makeDir(QStringLiteral("Start"));
    chooser->answer = folder;
    EXPECT_EQ(OutputFolder::obtain(start), folder);
    ASSERT_EQ(chooser->requests.size(), 2);
    EXPECT_EQ(chooser->requests[1].message,
              QStringLiteral("Vyber složku, kam se budou ukládat výsledky. Originály zůstanou nedotčené."));
    EXPECT_EQ(chooser->requests[1].startAt, start);
    EXPECT_TRUE(Settings::shared().dataValue(kKey));
    // Remembered: the next obtain does not ask.
    EXPECT_EQ(OutputFolder::obtain(), folder);
    EXPECT_EQ(chooser->requests.size(), 2);
}

TEST_F(OutputFolderTest, chooseRefusesTheTrashAndFoldersBelowIt)
{
    QDir().mkpath(userTrash() + QStringLiteral("/files/Old"));
    for (const QString& path : {userTrash(), userTrash() + QStringLiteral("/files/Old"), makeDir(QStringLiteral(".Trash-1000/files/x"))}) {
        chooser->answer = path;
        EXPECT_FALSE(OutputFolder::choose(QStringLiteral("m"))) << qPrintable(path);
    }
    EXPECT_FALSE(OutputFolder::obtain());
    EXPECT_FALSE(Settings::shared().contains(kKey));
}

TEST_F(OutputFolderTest, aFolderMovedIntoTheTrashIsForgottenAndLogged)
{
    const QString folder = makeDir(QStringLiteral("Výsledky"));
    ASSERT_TRUE(OutputFolder::remember(folder));
    ASSERT_TRUE(QDir().mkpath(userTrash() + QStringLiteral("/files")));
    const QString trashed = userTrash() + QStringLiteral("/files/Výsledky");
    ASSERT_TRUE(QDir().rename(folder, trashed));
    EXPECT_FALSE(OutputFolder::resolve());
    EXPECT_FALSE(Settings::shared().contains(kKey));
    EXPECT_TRUE(recentLogLines().contains(QStringLiteral("Kelvaro: output folder is in the Trash, asking for a new one")));
    // Remembered inside the trash (chosen by path there) is forgotten the same way.
    Settings::shared().setValue(kKey, Bookmark::create(trashed));
    clearRecentLogLines();
    EXPECT_FALSE(OutputFolder::resolve());
    EXPECT_FALSE(Settings::shared().contains(kKey));
    EXPECT_EQ(recentLogLines().size(), 1);
    // A run then asks again.
    const QString fresh = makeDir(QStringLiteral("Nové"));
    chooser->answer = fresh;
    EXPECT_EQ(OutputFolder::obtain(), fresh);
    EXPECT_EQ(chooser->requests.size(), 1);
}

TEST_F(OutputFolderTest, aFolderRecreatedAtTheSamePathIsStaleAndRememberedAgain)
{
    const QString folder = makeDir(QStringLiteral("Výsledky"));
    ASSERT_TRUE(OutputFolder::remember(folder));
    const QByteArray before = *Settings::shared().dataValue(kKey);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    // Occupy the freed inode so the new folder cannot simply take it over.
    makeDir(QStringLiteral("Jiná"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(OutputFolder::resolve(), folder);
    const QByteArray after = *Settings::shared().dataValue(kKey);
    EXPECT_NE(after, before);
    EXPECT_FALSE(Bookmark::resolve(after)->stale);
}

TEST_F(OutputFolderTest, aDeletedFolderResolvesToNoneButItsBookmarkAndThePreviousChoiceAreKept)
{
    const QString folder = makeDir(QStringLiteral("Výsledky"));
    ASSERT_TRUE(OutputFolder::remember(folder));
    EXPECT_FALSE(OutputFolder::remember(root.path() + QStringLiteral("/missing")));
    EXPECT_EQ(OutputFolder::resolve(), folder);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_FALSE(OutputFolder::resolve());
    EXPECT_TRUE(Settings::shared().contains(kKey));
    test::writeFile(folder, {}); // a file where the folder was is no folder
    EXPECT_FALSE(OutputFolder::resolve());
}

TEST_F(OutputFolderTest, isInTrashByPathComponentsTheUsersDataFolderAndLinks)
{
    const std::pair<const char*, bool> rows[] = {
        {"/media/usb/.Trash-1000", true},      {"/media/usb/.Trash-1000/files/a", true}, {"/media/usb/.Trash/1000/files/a", true},
        {"/Volumes/x/.Trashes/501", true},     {"/home/u/.Trash", true},                 {"/home/u/photos/../.Trash/x", true},
        {"/home/u/.Trash-old", false},         {"/home/u/.Trash-", false},               {"/home/u/My.Trash/x", false},
        {"/home/u/Trash", false},              {"/home/u/.Trash/../Fotky", false},       {"", false}};
    for (const auto& [path, inTrash] : rows)
        EXPECT_EQ(OutputFolder::isInTrash(QString::fromUtf8(path)), inTrash) << path;
    EXPECT_TRUE(OutputFolder::isInTrash(userTrash()));
    EXPECT_TRUE(OutputFolder::isInTrash(userTrash() + QStringLiteral("/files/a/b")));
    EXPECT_FALSE(OutputFolder::isInTrash(userTrash() + QStringLiteral("Bin")));
    ASSERT_TRUE(QDir().mkpath(userTrash() + QStringLiteral("/files/Tajné")));
    const QString link = root.path() + QStringLiteral("/odkaz");
    ASSERT_TRUE(QFile::link(userTrash() + QStringLiteral("/files/Tajné"), link));
    EXPECT_TRUE(OutputFolder::isInTrash(link));
}
