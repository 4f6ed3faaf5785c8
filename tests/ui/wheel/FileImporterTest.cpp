// The desktop importer: Qt's own file dialog taking files and folders in one selection.
#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QComboBox>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/Settings.h"
#include "ui/wheel/FileImporter.h"
#include "WheelTestSupport.h"

using namespace kelvaro::wheel;

namespace {

class FileImporterTest : public wheeltest::CzechTest {};

QFileDialog* openDialog(QWidget* parent)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible())
            return dialog;
    return parent->findChild<QFileDialog*>();
}

// Selects `names` in the dialog's visible view once the folder is listed.
bool selectInView(QFileDialog* dialog, const QString& folder, const QStringList& names)
{
    QAbstractItemView* view = nullptr;
    QFileSystemModel* model = nullptr;
    QAbstractProxyModel* listing = nullptr;
    for (auto* v : dialog->findChildren<QAbstractItemView*>()) {
        auto* proxy = qobject_cast<QAbstractProxyModel*>(v->model());
        auto* m = qobject_cast<QFileSystemModel*>(proxy ? proxy->sourceModel() : v->model());
        if (m && v->isVisible()) {
            view = v;
            model = m;
            listing = proxy;
            break;
        }
    }
    if (!view)
        return false;
    const bool listed = kelvaro::test::waitUntil([&] {
        for (const QString& name : names)
            if (!model->index(QDir(folder).filePath(name)).isValid())
                return false;
        return model->rowCount(model->index(folder)) >= names.size();
    });
    if (!listed)
        return false;
    view->selectionModel()->clearSelection();
    for (const QString& name : names) {
        QModelIndex index = model->index(QDir(folder).filePath(name));
        if (!index.isValid())
            return false;
        if (listing)
            index = listing->mapFromSource(index);
        view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    return true;
}

TEST_F(FileImporterTest, FilesAndAFolderInOneSelection)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("Dovolená");
    QFile photo(dir.filePath("a.jpg"));
    ASSERT_TRUE(photo.open(QIODevice::WriteOnly));
    photo.write("x");
    photo.close();

    QWidget parent;
    parent.show();
    std::optional<QList<QUrl>> chosen;
    FileImporter::desktop()->choose(&parent, [&](const QList<QUrl>& urls) { chosen = urls; });
    QFileDialog* dialog = openDialog(&parent);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    dialog->setDirectory(dir.path());
    ASSERT_TRUE(selectInView(dialog, dir.path(), {"a.jpg", "Dovolená"}));
    // What the dialog's Open button does.
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    ASSERT_TRUE(kelvaro::test::waitUntil([&] { return chosen.has_value(); })) << "the chosen files never came";
    QStringList paths;
    for (const QUrl& url : *chosen)
        paths.append(url.toLocalFile());
    paths.sort();
    EXPECT_EQ(paths, (QStringList{dir.filePath("Dovolená"), dir.filePath("a.jpg")}));
}

// A file's size and a folder's kind read in the interface language, not in the desktop's (here
// English) nor in the words Qt's own Czech translation lacks.
TEST_F(FileImporterTest, TheListingSpeaksTheInterfaceLanguage)
{
    const struct {
        const char* language;
        const char* size;
        const char* kind;
    } rows[] = {{"cs", "2,5 kB", "Složka"}, {"en", "2.5 kB", "Folder"}};
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("Dovolená");
    QFile photo(dir.filePath("a.jpg"));
    ASSERT_TRUE(photo.open(QIODevice::WriteOnly));
    photo.write(QByteArray(2500, 'x'));
    photo.close();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.language);
        kelvaro::Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(row.language));
        QWidget parent;
        parent.show();
        FileImporter::desktop()->choose(&parent, [](const QList<QUrl>&) {});
        QFileDialog* dialog = openDialog(&parent);
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(dir.path());
        auto* listing = dialog->findChild<QAbstractItemView*>(QStringLiteral("treeView"));
        ASSERT_NE(listing, nullptr);
        QAbstractItemModel* model = listing->model();
        const auto shown = [&](const QString& name, int column) {
            const QModelIndex root = listing->rootIndex();
            for (int r = 0; r < model->rowCount(root); ++r)
                if (model->index(r, 0, root).data().toString() == name)
                    return model->index(r, column, root).data().toString();
            return QString();
        };
        ASSERT_TRUE(kelvaro::test::waitUntil([&] { return !shown("a.jpg", 1).isEmpty() && !shown("Dovolená", 2).isEmpty(); }))
            << "the folder was never listed";
        EXPECT_EQ(shown("a.jpg", 1), QString::fromUtf8(row.size));
        EXPECT_EQ(shown("Dovolená", 2), QString::fromUtf8(row.kind));
        dialog->reject();
    }
}

// The picker of the kinds of files shows each kind whole at the dialog's own size.
TEST_F(FileImporterTest, TheKindsOfFilesShowWhole)
{
    QWidget parent;
    parent.show();
    FileImporter::desktop()->choose(&parent, [](const QList<QUrl>&) {});
    QFileDialog* dialog = openDialog(&parent);
    ASSERT_NE(dialog, nullptr);
    auto* kinds = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(kinds, nullptr);
    ASSERT_TRUE(kelvaro::test::waitUntil([&] { return kinds->isVisible() && kinds->width() > 0; }));
    ASSERT_EQ(kinds->count(), importerNameFilters().size());
    QStyleOptionComboBox option;
    option.initFrom(kinds);
    const QRect field = kinds->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, kinds);
    for (int i = 0; i < kinds->count(); ++i)
        EXPECT_LE(kinds->fontMetrics().horizontalAdvance(kinds->itemText(i)), field.width()) << kinds->itemText(i).toStdString();
    dialog->reject();
}

TEST_F(FileImporterTest, CancelReportsNothing)
{
    QWidget parent;
    parent.show();
    std::optional<QList<QUrl>> chosen;
    FileImporter::desktop()->choose(&parent, [&](const QList<QUrl>& urls) { chosen = urls; });
    QFileDialog* dialog = openDialog(&parent);
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    ASSERT_TRUE(kelvaro::test::waitUntil([&] { return chosen.has_value(); })) << "the cancel was never reported";
    EXPECT_TRUE(chosen->isEmpty());
}

} // namespace
