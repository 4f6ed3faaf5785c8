// The desktop trash seam on a temporary XDG data folder.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/Trash.h"
#include "../support/TestSupport.h"

namespace kelvaro::test {
namespace {

TEST(TrashTest, MissingDataFolderIsCreatedInsteadOfTrashingIntoTheCurrentFolder)
{
    QTemporaryDir temp;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const QString data = temp.filePath("not-yet/data");
    qputenv("XDG_DATA_HOME", data.toUtf8());
    QDir work(temp.filePath("work"));
    work.mkpath(".");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path()); // where the faulty fallback would put the file

    const QString file = temp.filePath("photo.jpg");
    writeFile(file, "data");
    DesktopTrash trash;
    EXPECT_TRUE(trash.moveToTrash(file));
    QDir::setCurrent(previous);

    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(QFileInfo::exists(data + "/Trash/files/photo.jpg"));
    EXPECT_TRUE(QDir(work.path()).isEmpty());
    EXPECT_FALSE(trash.moveToTrash(file)) << "a missing file is a failure";
    qputenv("XDG_DATA_HOME", saved);
}

} // namespace
} // namespace kelvaro::test
