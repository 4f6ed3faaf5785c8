// The desktop trash seam on a temporary XDG data folder.
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/Trash.h"

namespace kelvaro::test {
namespace {

QString write(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("data");
    return path;
}

class TrashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = qgetenv("XDG_DATA_HOME");
        ASSERT_TRUE(temp.isValid());
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", m_saved); }
    QTemporaryDir temp;

private:
    QByteArray m_saved;
};

TEST_F(TrashTest, MissingDataFolderIsCreatedInsteadOfTrashingIntoTheCurrentFolder)
{
    const QString data = temp.filePath("not-yet/data");
    qputenv("XDG_DATA_HOME", data.toUtf8());
    QDir work(temp.filePath("work"));
    work.mkpath(".");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path()); // where the faulty fallback would put the file

    const QString file = write(temp.filePath("photo.jpg"));
    DesktopTrash trash;
    EXPECT_TRUE(trash.moveToTrash(file));
    QDir::setCurrent(previous);

    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(QFileInfo::exists(data + "/Trash/files/photo.jpg"));
    EXPECT_TRUE(QDir(work.path()).isEmpty());
    EXPECT_FALSE(trash.moveToTrash(file)) << "a missing file is a failure";
}

} // namespace
} // namespace kelvaro::test
