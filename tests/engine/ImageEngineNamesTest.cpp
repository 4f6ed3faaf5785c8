#include <thread>
#include <vector>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "engine/ImageEngine.h"
#include "platform/Settings.h"

// Readable failure messages for Qt strings.
[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace kelvaro;

namespace {

class UniqueURL : public ::testing::Test {
protected:
    QString dir() const { return m_dir.path(); }
    QString path(const QString& name) const { return QDir(dir()).filePath(name); }
    void touch(const QString& name) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    QTemporaryDir m_dir;
};

TEST_F(UniqueURL, freeNameIsTakenAsItIsAndReserved)
{
    const QString url = ImageEngine::uniqueURL(dir(), QStringLiteral("IMG_1"), QStringLiteral("jpg"));
    EXPECT_EQ(url, path(QStringLiteral("IMG_1.jpg")));
    // The claim is a real, empty file: a second run cannot get the same name.
    EXPECT_TRUE(QFileInfo(url).isFile());
    EXPECT_EQ(QFileInfo(url).size(), 0);
    EXPECT_EQ(ImageEngine::uniqueURL(dir(), QStringLiteral("IMG_1"), QStringLiteral("jpg")), path(QStringLiteral("IMG_1 2.jpg")));
}

TEST_F(UniqueURL, takenNamesGetNumbersBeforeTheExtension)
{
    touch(QStringLiteral("IMG_1.jpg"));
    touch(QStringLiteral("IMG_1 2.jpg"));
    EXPECT_EQ(ImageEngine::uniqueURL(dir(), QStringLiteral("IMG_1"), QStringLiteral("jpg")), path(QStringLiteral("IMG_1 3.jpg")));
    // Only the exact name counts: another extension is free.
    EXPECT_EQ(ImageEngine::uniqueURL(dir(), QStringLiteral("IMG_1"), QStringLiteral("png")), path(QStringLiteral("IMG_1.png")));
}

TEST_F(UniqueURL, emptyExtensionAndFoldersCountAsTaken)
{
    QDir(dir()).mkdir(QStringLiteral("README"));
    EXPECT_EQ(ImageEngine::uniqueURL(dir(), QStringLiteral("README"), QString()), path(QStringLiteral("README 2")));
}

TEST_F(UniqueURL, danglingSymbolicLinkIsTaken)
{
    ASSERT_EQ(::symlink("/nonexistent/target", QFile::encodeName(path(QStringLiteral("a.jpg"))).constData()), 0);
    EXPECT_EQ(ImageEngine::uniqueURL(dir(), QStringLiteral("a"), QStringLiteral("jpg")), path(QStringLiteral("a 2.jpg")));
    EXPECT_FALSE(QFileInfo(QStringLiteral("/nonexistent/target")).exists());
}

struct Sanitised {
    const char* base;
    const char* expected;
};

class UniqueURLNames : public UniqueURL, public ::testing::WithParamInterface<Sanitised> {};

TEST_P(UniqueURLNames, slashesAndColonsBecomeDashes)
{
    const QString url = ImageEngine::uniqueURL(dir(), QString::fromUtf8(GetParam().base), QStringLiteral("jpg"));
    EXPECT_EQ(QFileInfo(url).fileName(), QString::fromUtf8(GetParam().expected));
    EXPECT_EQ(QFileInfo(url).absolutePath(), QFileInfo(dir()).absoluteFilePath());
}

INSTANTIATE_TEST_SUITE_P(Bases, UniqueURLNames,
                         ::testing::Values(Sanitised{"a/b:c", "a-b-c.jpg"}, Sanitised{"../up", "..-up.jpg"},
                                           Sanitised{"12:30 / oběd", "12-30 - oběd.jpg"},
                                           Sanitised{"Dovolená", "Dovolená.jpg"}));

TEST_F(UniqueURL, concurrentClaimsNeverShareAName)
{
    QMutex mutex;
    QStringList claimed;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 25; ++i) {
                const QString url = ImageEngine::uniqueURL(dir(), QStringLiteral("IMG_7 komprese"), QStringLiteral("jpg"));
                QMutexLocker lock(&mutex);
                claimed.append(url);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(claimed.size(), 200);
    EXPECT_EQ(QSet<QString>(claimed.begin(), claimed.end()).size(), 200);
    EXPECT_TRUE(claimed.contains(path(QStringLiteral("IMG_7 komprese.jpg"))));
    EXPECT_TRUE(claimed.contains(path(QStringLiteral("IMG_7 komprese 200.jpg"))));
}

TEST_F(UniqueURL, folderThatRefusesFilesStillGetsAName)
{
    const QString missing = QDir(dir()).filePath(QStringLiteral("gone"));
    EXPECT_EQ(ImageEngine::uniqueURL(missing, QStringLiteral("a"), QStringLiteral("jpg")), QDir(missing).filePath(QStringLiteral("a.jpg")));
}

} // namespace
