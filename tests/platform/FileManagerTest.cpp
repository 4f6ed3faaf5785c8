// The desktop's file manager as the application really asks it, on desktops where nobody or only
// a launcher answers.
#include <filesystem>
#include <functional>

#include <sys/stat.h>

#include <QDBusConnection>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include "FileManagerFakes.h"
#include "platform/FileManager.h"
#include "../support/TestSupport.h"

namespace kelvaro::test {
namespace {

// Files of the test, and no program on the path that could launch anything.
class FileManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        QDir(temp.path()).mkpath(QStringLiteral("bin"));
        QDir(temp.path()).mkpath(QStringLiteral("Výsledky"));
        writeFile(file, "x");
        ASSERT_EQ(::mkdir(NativePath::encoded(bytesFolder).constData(), 0777), 0);
        writeFile(bytesFile, "x");
        qputenv("PATH", QFile::encodeName(temp.filePath(QStringLiteral("bin"))));
    }
    void TearDown() override
    {
        qputenv("PATH", path);
        std::filesystem::remove_all(NativePath::encoded(bytesFolder).toStdString()); // Qt would not find it
    }

    const QByteArray path = qgetenv("PATH");

    QTemporaryDir temp;
    const QString folder = temp.filePath(QStringLiteral("Výsledky"));
    const QString file = temp.filePath(QStringLiteral("a.jpg"));
    // Names that are not UTF-8.
    const QString bytesFolder = NativePath::decoded(NativePath::encoded(temp.path()) + "/v\xfdsledky-\xe9");
    const QString bytesFile = bytesFolder + QStringLiteral("/") + NativePath::decoded("caf\xe9.jpg");
};

// Nothing may claim to have shown or opened anything when nobody was there to do it.
void expectNobodyAnswers(const QString& folder, const QString& file)
{
    DesktopFileManager files;
    EXPECT_FALSE(files.open(file));
    EXPECT_FALSE(files.openFolder(folder));
    EXPECT_FALSE(files.reveal({file}));
    EXPECT_FALSE(files.reveal({folder}));
}

TEST_F(FileManagerTest, WithoutABusOrALauncherNothingClaimsToHaveAnswered)
{
    ASSERT_FALSE(QDBusConnection::sessionBus().isConnected());
    expectNobodyAnswers(folder, file);
}

TEST_F(FileManagerTest, WithoutAFileManagerTheLauncherOpensTheFolderMeant)
{
    ASSERT_FALSE(QDBusConnection::sessionBus().isConnected());
    const QString subfolder = temp.filePath(QStringLiteral("Výsledky/Police"));
    QDir().mkpath(subfolder);
    const struct {
        const char* name;
        std::function<bool(FileManager&)> ask;
        QString opened;
    } rows[] = {
        {"a folder shown for itself", [&](FileManager& f) { return f.reveal({folder}); }, folder},
        {"a file shown in its folder", [&](FileManager& f) { return f.reveal({file}); }, temp.path()},
        {"several items in the first one's folder", [&](FileManager& f) { return f.reveal({subfolder, file}); }, folder},
        {"a folder opened", [&](FileManager& f) { return f.openFolder(folder); }, folder},
        {"a file opened", [&](FileManager& f) { return f.open(file); }, file},
        {"a folder not UTF-8 shown for itself", [&](FileManager& f) { return f.reveal({bytesFolder}); }, bytesFolder},
        {"a file not UTF-8 shown in its folder", [&](FileManager& f) { return f.reveal({bytesFile}); }, bytesFolder},
        {"a file not UTF-8 opened", [&](FileManager& f) { return f.open(bytesFile); }, bytesFile},
    };
    for (const auto& row : rows) {
        Launcher launcher;
        DesktopFileManager files;
        EXPECT_TRUE(row.ask(files)) << row.name;
        EXPECT_EQ(launcher.opened, QStringList{row.opened}) << row.name;
    }
}

TEST(FileManagerBusTest, OnAPrivateBus)
{
    if (!hasPrivateSessionBus())
        GTEST_SKIP() << "dbus-run-session is not installed";
    EXPECT_TRUE(passesOnPrivateSessionBus(QStringLiteral("FileManagerBusChild.*"), 2));
}

class FileManagerBusChild : public FileManagerTest {};

TEST_F(FileManagerBusChild, ABusWithoutAFileManagerAnswersNothing)
{
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    expectNobodyAnswers(folder, file);
    FileManagerOnBus refusing(true);
    ASSERT_TRUE(refusing.running);
    EXPECT_FALSE(DesktopFileManager().reveal({file}));
}

TEST_F(FileManagerBusChild, AFileManagerOnTheBusSelectsTheItems)
{
    FileManagerOnBus bus(false);
    ASSERT_TRUE(bus.running);
    Launcher launcher;
    EXPECT_TRUE(DesktopFileManager().reveal({folder, file, bytesFile}));
    EXPECT_EQ(bus.manager.shown, (QStringList{QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded),
                                              QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded),
                                              QString::fromLatin1("file://" + NativePath::encoded(bytesFile).toPercentEncoding("/"))}));
    EXPECT_TRUE(launcher.opened.isEmpty());
}

} // namespace
} // namespace kelvaro::test
