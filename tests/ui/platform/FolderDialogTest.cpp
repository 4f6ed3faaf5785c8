// The folder dialog the output folder is chosen with: where it opens, what it says, and a typed
// folder that does not exist yet.
#include <QDir>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/widgets/FileDialogFolderChooser.h"

using namespace kelvaro;

namespace {

// The folder given when it exists, else the pictures folder; the message above the file list.
TEST(FolderDialog, OpensInTheGivenFolderElseInThePicturesFolderAndSaysWhatItIsFor)
{
    QTemporaryDir base;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    ASSERT_TRUE(QDir().mkpath(pictures));
    const struct {
        std::optional<QString> startAt;
        QString opened;
    } rows[] = {{std::nullopt, pictures}, {base.path(), base.path()}, {base.filePath(QStringLiteral("smazaná")), pictures}};
    for (const auto& row : rows) {
        FolderDialog dialog(nullptr, QStringLiteral("Vyber složku pro výsledky."), row.startAt);
        EXPECT_EQ(QDir::cleanPath(dialog.directory().absolutePath()), QDir::cleanPath(row.opened))
            << row.startAt.value_or(QStringLiteral("none")).toStdString();
        const auto* purpose = dialog.findChild<QLabel*>(QStringLiteral("purpose"));
        ASSERT_NE(purpose, nullptr);
        EXPECT_EQ(purpose->text(), QStringLiteral("Vyber složku pro výsledky."));
    }
}

TEST(FolderDialog, ATypedFolderThatDoesNotExistIsCreatedAndChosen)
{
    QTemporaryDir base;
    FolderDialog dialog(nullptr, QStringLiteral("x"), base.path());
    EXPECT_FALSE(dialog.chosen());
    dialog.setTypedText(QStringLiteral("Výsledky/2026"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosen(), QDir::cleanPath(base.filePath(QStringLiteral("Výsledky/2026"))));
    EXPECT_TRUE(QFileInfo(base.filePath(QStringLiteral("Výsledky/2026"))).isDir());
}

} // namespace
