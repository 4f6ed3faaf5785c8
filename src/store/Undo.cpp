#include "store/Undo.h"

#include <unistd.h>

#include <QFileInfo>

#include "l10n/Localization.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/Trash.h"
#include "store/HeldFolder.h"
#include "store/Library.h"
#include "store/Observed.h"
#include "store/StoreStatus.h"

namespace kelvaro {
namespace {

// Asked with the path's own bytes: QFileInfo finds no file in a folder whose name is not UTF-8.
bool exists(const QString& path)
{
    return ::access(NativePath::encoded(path).constData(), F_OK) == 0;
}

} // namespace

Undo::Undo(Library& library, StoreStatus& status, HeldFolder& held, std::shared_ptr<Trash> trash, FileSystem& files,
           QObject* parent)
    : QObject(parent), m_library(library), m_status(status), m_held(held), m_trash(std::move(trash)), m_files(files)
{
}

void Undo::setUndoState(const std::optional<UndoState>& v) { assignObserved(this, m_undoState, v, &Undo::undoStateChanged); }

UndoState Undo::stateOf(const QStringList& outputs)
{
    UndoState state;
    state.outputs = outputs;
    for (const QString& output : outputs) {
        if (const auto identity = NativeFile::identity(output))
            state.written.insert(output, *identity);
    }
    return state;
}

void Undo::undoLast()
{
    if (!m_undoState)
        return;
    const UndoState state = *m_undoState;
    m_held.hold(state.folder);

    // Only the file the run wrote: a link there now would hand over the file it points to, and a
    // file put in its place is someone else's.
    const auto written = [&state](const QString& path) {
        const auto it = state.written.constFind(path);
        return it != state.written.cend() && NativeFile::identity(path) == *it;
    };
    const auto trash = [this, &written](const QString& path) { return written(path) && m_trash && m_trash->moveToTrash(path); };
    int failures = 0;
    if (!state.isMove) {
        for (const QString& output : state.outputs) {
            if (!trash(output))
                ++failures;
        }
    } else {
        for (const FileMove& move : state.moves) {
            if (!written(move.to)) {
                ++failures;
                continue;
            }
            if (!exists(move.from) && !m_files.copyFile(move.to, move.from)) {
                ++failures;
                continue;
            }
            if (!exists(move.from)) {
                ++failures;
                continue;
            }
            if (!trash(move.to))
                ++failures;
        }
    }

    m_library.removeHistoryEntries(state.entryIds);
    m_status.setLastOutputs({});
    setUndoState(std::nullopt);

    if (failures == 0) {
        m_status.setStatus(state.isMove ? L("Soubory jsou zpátky na původním místě.") : L("Vráceno – výsledky jsou v koši."),
                           false);
        return;
    }
    QString text = Lp(failures, "Nepodařilo se vrátit 1 soubor.", "Nepodařilo se vrátit %lld soubory.",
                      "Nepodařilo se vrátit %lld souborů.");
    if (state.isMove)
        text += QLatin1Char(' ') + L("Přesunuté soubory jsou pořád v cílové složce.");
    text += QLatin1Char(' ') + L("Zkontroluj je ve správci souborů.");
    m_status.setStatus(text, true);
}

bool Undo::canCompare(const QStringList& inputs, const QStringList& outputs)
{
    if (inputs.isEmpty() || outputs.isEmpty())
        return false;
    static const QStringList comparable{QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                                        QStringLiteral("heic"), QStringLiteral("tif"), QStringLiteral("tiff"),
                                        QStringLiteral("pdf")};
    return comparable.contains(QFileInfo(inputs.first()).suffix().toLower())
           && comparable.contains(QFileInfo(outputs.first()).suffix().toLower());
}

} // namespace kelvaro
