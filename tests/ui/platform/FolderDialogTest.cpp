// The folder dialog the output folder is chosen with: where it opens, what it says, a typed
// folder that does not exist yet, and a folder made in the dialog.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/widgets/FileDialogFolderChooser.h"

using namespace kelvaro;

namespace {

TEST(FolderDialog, OpensInThePicturesFolderAndSaysWhatItIsFor)
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    ASSERT_TRUE(QDir().mkpath(pictures));
    FolderDialog dialog(nullptr, QStringLiteral("Vyber složku pro výsledky."), std::nullopt);
    EXPECT_EQ(QDir::cleanPath(dialog.directory().absolutePath()), QDir::cleanPath(pictures));
    const auto* purpose = dialog.findChild<QLabel*>(QStringLiteral("purpose"));
    ASSERT_NE(purpose, nullptr);
    EXPECT_EQ(purpose->text(), QStringLiteral("Vyber složku pro výsledky."));
}

TEST(FolderDialog, ATypedFolderThatDoesNotExistIsCreatedAndChosen)
{
    QTemporaryDir base;
    FolderDialog dialog(nullptr, QStringLiteral("x"), base.path());
    dialog.setTypedText(QStringLiteral("Výsledky/2026"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosen(), QDir::cleanPath(base.filePath(QStringLiteral("Výsledky/2026"))));
    EXPECT_TRUE(QFileInfo(base.filePath(QStringLiteral("Výsledky/2026"))).isDir());
}

TEST(FolderDialog, AFolderMadeInTheDialogReplacesWhatWasTyped)
{
    QTemporaryDir base;
    FolderDialog dialog(nullptr, QStringLiteral("x"), base.path());
    dialog.show();
    QApplication::processEvents();
    dialog.setTypedText(QStringLiteral("stará cesta"));
    auto* newFolder = dialog.findChild<QAbstractButton*>(QStringLiteral("newFolderButton"));
    ASSERT_NE(newFolder, nullptr);
    newFolder->click();
    QApplication::processEvents();
    const QStringList made = QDir(base.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(dialog.typedText(), made.first());
    dialog.accept();
    EXPECT_EQ(dialog.chosen(), QDir::cleanPath(base.filePath(made.first())));
    EXPECT_FALSE(QFileInfo::exists(base.filePath(QStringLiteral("stará cesta"))));
}

} // namespace
