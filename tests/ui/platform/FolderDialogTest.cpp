// The folder dialog the output folder is chosen with: where it opens, what it says, the listing
// in the interface language, and a typed folder that does not exist yet.
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "platform/widgets/FileDialogFolderChooser.h"
#include "../main/UiTestSupport.h"

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

// A folder's kind and date read in the interface language, whatever the desktop's; at the
// dialog's own size no column and no place beside the listing is cut short.
TEST(FolderDialog, TheListingSpeaksTheInterfaceLanguageAndShowsItsTextsWhole)
{
    const struct {
        const char* language;
        AppLanguage app;
        const char* kind;
    } rows[] = {{"cs", AppLanguage::czech, "Složka"}, {"en", AppLanguage::english, "Folder"}};
    QTemporaryDir base;
    ASSERT_TRUE(QDir(base.path()).mkpath(QStringLiteral("Dovolená")));
    const QDateTime modified = QFileInfo(base.filePath(QStringLiteral("Dovolená"))).lastModified();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.language);
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(row.language));
        FolderDialog dialog(nullptr, QStringLiteral("x"), base.path());
        dialog.show();
        auto* listing = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(listing, nullptr);
        QAbstractItemModel* model = listing->model();
        const auto folderRow = [&]() -> QModelIndex {
            const QModelIndex root = listing->rootIndex();
            for (int r = 0; r < model->rowCount(root); ++r)
                if (model->index(r, 0, root).data().toString() == QStringLiteral("Dovolená"))
                    return model->index(r, 0, root);
            return {};
        };
        ASSERT_TRUE(uitest::waitFor([&] { return folderRow().isValid(); }, 10000)) << "the folder was never listed";
        const QModelIndex folder = folderRow();
        EXPECT_EQ(folder.siblingAtColumn(2).data().toString(), QString::fromUtf8(row.kind));
        EXPECT_EQ(folder.siblingAtColumn(3).data().toString(), L10n::locale(row.app).toString(modified, QLocale::ShortFormat));
        uitest::passPostedEvents();
        for (int column = 2; column <= 3; ++column) {
            const QString text = folder.siblingAtColumn(column).data().toString();
            EXPECT_GT(listing->columnWidth(column), listing->fontMetrics().horizontalAdvance(text)) << qPrintable(text);
            EXPECT_GE(listing->columnWidth(column), listing->header()->sectionSizeHint(column)) << "the heading of column " << column;
        }
        auto* places = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
        ASSERT_NE(places, nullptr);
        EXPECT_GE(places->viewport()->width(), places->sizeHintForColumn(0));
    }
    Settings::shared().remove(QStringLiteral("kelvaro.language"));
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
