#pragma once
// Handoff: the small actions that pass files on to the desktop without an engine run: revealing
// the last outputs in the file manager and copying the wheel's files to the clipboard (booked in
// the history, reported on the status line), and the one report of a hand-off to the desktop
// that nobody answered, wherever it was asked for. Owned by KelvaroStore; main thread.
#include <memory>

#include <QStringList>

#include "store/StoreServices.h"

namespace kelvaro {

class Library;
class StoreStatus;

// What the clipboard sheet copies ("kelvaro.clipboardMode").
enum class ClipboardMode { files, paths, names };
QString rawValue(ClipboardMode mode);
ClipboardMode clipboardModeFromRaw(const QString& raw); // unknown: files

// What the desktop was asked to do when nobody answered; each has its own sentence.
enum class HandoffFailure {
    results,  // show the last outputs in the file manager
    files,    // show files selected in the file manager
    folder,   // open a folder in the file manager
    openFile, // open a file in the default application for its type
};

class Handoff {
public:
    // Uses the services' file manager and clipboard; either may be null.
    Handoff(Library& library, StoreStatus& status, const StoreServices& services);
    Handoff(const Handoff&) = delete;
    Handoff& operator=(const Handoff&) = delete;

    // Shows the last outputs selected in the file manager; nothing without outputs. Says so on
    // the status line when no file manager answered.
    void revealOutputs();
    void copyToClipboard(const QStringList& files, ClipboardMode mode);
    // Says on the status line, as an error, that nobody answered `failure` for `paths` (absolute;
    // the sentence names the file or folder when there is one). Touches no file.
    void reportUnanswered(HandoffFailure failure, const QStringList& paths = {});

private:
    Library& m_library;
    StoreStatus& m_status;
    StoreServices m_services;
};

} // namespace kelvaro
