#include "ui/sheets/OperationSheet.h"

namespace kelvaro {

OperationSheet::OperationSheet(KelvaroStore& store, const QString& title, const QString& symbol,
                               const QString& actionTitle, QWidget* parent)
    : SheetFrame(title, symbol, actionTitle, parent), m_store(&store)
{
}

std::function<void()> OperationSheet::runClosure() const
{
    return [target = m_store, op = currentOp()] {
        if (target)
            target->run(op);
    };
}

} // namespace kelvaro
