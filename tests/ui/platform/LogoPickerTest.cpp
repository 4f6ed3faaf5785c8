// The panel a watermark logo is picked in: its listing in the interface language and its kind of
// files shown whole, as in Kelvaro's other file dialogs.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

#include "platform/Settings.h"
#include "platform/widgets/LogoPicker.h"
#include "../main/UiTestSupport.h"

using namespace kelvaro;

namespace {

// A logo's size and a folder's kind read in the interface language, not in the desktop's words
// nor in those Qt's own Czech translation lacks.
TEST(LogoPicker, TheListingSpeaksTheInterfaceLanguage)
{
    const struct {
        const char* language;
        const char* size;
        const char* kind;
    } rows[] = {{"cs", "2,5 kB", "Složka"}, {"en", "2.5 kB", "Folder"}};
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Loga")));
    QFile logo(dir.filePath(QStringLiteral("logo.png")));
    ASSERT_TRUE(logo.open(QIODevice::WriteOnly));
    logo.write(QByteArray(2500, 'x'));
    logo.close();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.language);
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(row.language));
        const std::unique_ptr<QFileDialog> dialog(FileDialogLogoPicker::makeDialog(nullptr));
        dialog->setDirectory(dir.path());
        dialog->show();
        auto* listing = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(listing, nullptr) << "not Qt's own dialog";
        QAbstractItemModel* model = listing->model();
        const auto shown = [&](const QString& name, int column) {
            const QModelIndex root = listing->rootIndex();
            for (int r = 0; r < model->rowCount(root); ++r)
                if (model->index(r, 0, root).data().toString() == name)
                    return model->index(r, column, root).data().toString();
            return QString();
        };
        ASSERT_TRUE(uitest::waitFor([&] { return !shown(QStringLiteral("logo.png"), 1).isEmpty() && !shown(QStringLiteral("Loga"), 2).isEmpty(); }))
            << "the folder was never listed";
        EXPECT_EQ(shown(QStringLiteral("logo.png"), 1), QString::fromUtf8(row.size));
        EXPECT_EQ(shown(QStringLiteral("Loga"), 2), QString::fromUtf8(row.kind));
    }
    Settings::shared().remove(QStringLiteral("kelvaro.language"));
}

// The kind of files reads whole in its picker, not as twenty patterns cut off.
TEST(LogoPicker, TheKindOfFilesShowsWhole)
{
    const std::unique_ptr<QFileDialog> dialog(FileDialogLogoPicker::makeDialog(nullptr));
    dialog->show();
    auto* kinds = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(kinds, nullptr);
    ASSERT_TRUE(uitest::waitFor([&] { return kinds->isVisible() && kinds->width() > 0; }));
    ASSERT_EQ(kinds->count(), 1);
    QStyleOptionComboBox option;
    option.initFrom(kinds);
    const QRect field = kinds->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, kinds);
    EXPECT_LE(kinds->fontMetrics().horizontalAdvance(kinds->itemText(0)), field.width()) << kinds->itemText(0).toStdString();
}

} // namespace
