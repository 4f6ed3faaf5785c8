// The desktop importer: Qt's own file dialog taking files and folders in one selection.
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    for (auto* v : dialog->findChildren<QAbstractItemView*>()) {
        auto* m = qobject_cast<QFileSystemModel*>(v->model());
        if (m && v->isVisible()) {
            view = v;
            model = m;
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
        const QModelIndex index = model->index(QDir(folder).filePath(name));
        if (!index.isValid())
            return false;
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
