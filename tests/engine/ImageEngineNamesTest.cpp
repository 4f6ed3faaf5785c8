// Output names are claimed atomically: a free name is taken as it is (as an empty file), taken
// names get numbers before the extension, and threads racing for one name never share it.
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
#include "../support/TestSupport.h"

using namespace kelvaro;

namespace {

class UniqueURL : public ::testing::Test {
protected:
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    QString claim(const QString& base, const QString& extension) const
    {
        return QFileInfo(ImageEngine::uniqueURL(m_dir.path(), base, extension)).fileName();
    }
    QTemporaryDir m_dir;
};

TEST_F(UniqueURL, takenNamesGetNumbersBeforeTheExtension)
{
    const QString url = ImageEngine::uniqueURL(m_dir.path(), QStringLiteral("IMG_1"), QStringLiteral("jpg"));
    EXPECT_EQ(url, path(QStringLiteral("IMG_1.jpg")));
    // The claim is a real, empty file: a second run cannot get the same name.
    EXPECT_TRUE(QFileInfo(url).isFile());
    EXPECT_EQ(QFileInfo(url).size(), 0);
    EXPECT_EQ(claim(QStringLiteral("IMG_1"), QStringLiteral("jpg")), QStringLiteral("IMG_1 2.jpg"));
    EXPECT_EQ(claim(QStringLiteral("IMG_1"), QStringLiteral("jpg")), QStringLiteral("IMG_1 3.jpg"));
    // Only the exact name counts: another extension is free.
    EXPECT_EQ(claim(QStringLiteral("IMG_1"), QStringLiteral("png")), QStringLiteral("IMG_1.png"));
    // Folders and dangling links count as taken; no extension adds no dot.
    QDir(m_dir.path()).mkdir(QStringLiteral("README"));
    EXPECT_EQ(claim(QStringLiteral("README"), QString()), QStringLiteral("README 2"));
    ASSERT_EQ(::symlink("/nonexistent/target", QFile::encodeName(path(QStringLiteral("a.jpg"))).constData()), 0);
    EXPECT_EQ(claim(QStringLiteral("a"), QStringLiteral("jpg")), QStringLiteral("a 2.jpg"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/nonexistent/target")));
}

TEST_F(UniqueURL, slashesAndColonsBecomeDashesSoTheNameStaysInTheFolder)
{
    const std::pair<const char*, const char*> rows[] = {
        {"a/b:c", "a-b-c.jpg"}, {"../up", "..-up.jpg"}, {"12:30 / oběd", "12-30 - oběd.jpg"}, {"Dovolená", "Dovolená.jpg"}};
    for (const auto& [base, expected] : rows) {
        const QString url = ImageEngine::uniqueURL(m_dir.path(), QString::fromUtf8(base), QStringLiteral("jpg"));
        EXPECT_EQ(QFileInfo(url).fileName(), QString::fromUtf8(expected));
        EXPECT_EQ(QFileInfo(url).absolutePath(), QFileInfo(m_dir.path()).absoluteFilePath());
    }
    // A folder that refuses files still gets a name (the write then fails with it).
    const QString missing = path(QStringLiteral("gone"));
    EXPECT_EQ(ImageEngine::uniqueURL(missing, QStringLiteral("a"), QStringLiteral("jpg")), QDir(missing).filePath(QStringLiteral("a.jpg")));
}

TEST_F(UniqueURL, concurrentClaimsNeverShareAName)
{
    QMutex mutex;
    QStringList claimed;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 25; ++i) {
                const QString url = ImageEngine::uniqueURL(m_dir.path(), QStringLiteral("IMG_7 komprese"), QStringLiteral("jpg"));
                QMutexLocker lock(&mutex);
                claimed.append(url);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(QSet<QString>(claimed.begin(), claimed.end()).size(), 200);
    EXPECT_TRUE(claimed.contains(path(QStringLiteral("IMG_7 komprese.jpg"))));
    EXPECT_TRUE(claimed.contains(path(QStringLiteral("IMG_7 komprese 200.jpg"))));
}

} // namespace
