#pragma once
// A tool sheet whose action runs one operation over the store's files. currentOp() builds the
// operation from the sheet's fields alone (a pure function, so it can be checked without a
// store); the action closes the sheet and, on a later turn of the main loop, hands the operation
// of that moment to the store's run. The sheet may be deleted by then, so the operation travels
// by value. Main thread; each operation sheet derives from it and is built by the tool-sheet host.
#include <QPointer>

#include "model/Operations.h"
#include "store/KelvaroStore.h"
#include "ui/sheets/SheetFrame.h"

namespace kelvaro {

class OperationSheet : public SheetFrame {
    Q_OBJECT
public:
    OperationSheet(KelvaroStore& store, const QString& title, const QString& symbol, const QString& actionTitle,
                   QWidget* parent = nullptr);

    virtual KelvaroOp currentOp() const = 0;

protected:
    KelvaroStore* store() const { return m_store.data(); }
    std::function<void()> runClosure() const override;

private:
    // The store outlives every sheet in the application; a test may not keep it that long.
    QPointer<KelvaroStore> m_store;
};

} // namespace kelvaro
