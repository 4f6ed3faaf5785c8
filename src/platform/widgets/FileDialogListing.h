#pragma once
// The listing of Qt's own file dialogs in the interface language: Qt's file model names a
// folder's kind in words its Czech translation lacks and writes sizes and dates in the desktop's
// locale; this proxy says them as the rest of Kelvaro does. install() also sizes the columns and
// the places beside the listing to what they hold, so none is cut short. Main thread; owned by
// the dialog it is installed on.
#include <QIdentityProxyModel>

class QFileDialog;

namespace kelvaro {

class FileDialogListing : public QIdentityProxyModel {
    Q_OBJECT
public:
    static constexpr int sizeColumn = 1;
    static constexpr int kindColumn = 2;
    static constexpr int dateColumn = 3;

    // Puts a listing between `dialog` and its file model; before the dialog is shown.
    static void install(QFileDialog* dialog);

    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override;
};

} // namespace kelvaro
