#pragma once
// Undo: what the last successful run can take back, and taking it back: outputs go to the trash,
// moved files are copied back and their copies trashed, and exactly the run's history entries
// leave. Owned by KelvaroStore; main thread; touches disk through the trash and the FileSystem.
#include <memory>
#include <optional>

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include "model/Operations.h"
#include "platform/NativeFile.h"

namespace kelvaro {

class FileSystem;
class HeldFolder;
class Library;
class StoreStatus;
class Trash;

// What the last successful run can take back. Never persisted.
struct UndoState {
    QStringList outputs;      // the files the run wrote, in the engine's order
    QList<FileMove> moves;    // a move run: one record per moved file
    bool isMove = false;
    QList<QUuid> entryIds;    // the history entries the run added
    QString folder;           // the run's output folder (a move: its destination)
    // Each output as the run left it: undo takes back only the file the run wrote, never a link
    // or another file that took its name since.
    QHash<QString, NativeFile::Identity> written;

    int entryCount() const { return int(entryIds.size()); }
    bool operator==(const UndoState&) const = default;
};

class Undo : public QObject {
    Q_OBJECT
public:
    // `trash` may be null: nothing can be trashed then.
    Undo(Library& library, StoreStatus& status, HeldFolder& held, std::shared_ptr<Trash> trash, FileSystem& files,
         QObject* parent = nullptr);

    const std::optional<UndoState>& undoState() const { return m_undoState; }
    void setUndoState(const std::optional<UndoState>& state);
    // The state of a run that wrote `outputs`, each taken as the file its name gives now. Touches disk.
    static UndoState stateOf(const QStringList& outputs);
    // Takes the last run back and says on the status line how that went.
    void undoLast();

    // Whether the first input and the first output can be shown side by side.
    static bool canCompare(const QStringList& inputs, const QStringList& outputs);

Q_SIGNALS:
    void undoStateChanged();

private:
    Library& m_library;
    StoreStatus& m_status;
    HeldFolder& m_held;
    std::shared_ptr<Trash> m_trash;
    FileSystem& m_files;
    std::optional<UndoState> m_undoState;
};

} // namespace kelvaro
