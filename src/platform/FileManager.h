#pragma once
// Showing files and folders in the desktop's file manager, and opening a file in the desktop's
// default application for its type. Main thread; nothing here touches the files themselves.
#include <QList>
#include <QString>
#include <QStringList>

namespace kelvaro {

class FileManager {
public:
    virtual ~FileManager() = default;
    // Opens the file manager with these files selected (absolute paths). Empty list: nothing.
    // False when no file manager could be reached.
    virtual bool reveal(const QStringList& paths) = 0;
    // Opens one folder in the file manager.
    virtual void openFolder(const QString& path) = 0;
    // Opens one file (absolute path) in the default application for its type; a failure (no
    // such file, no application) is not reported.
    virtual void open(const QString& path) = 0;
};

// org.freedesktop.FileManager1 over the session bus; without it (no bus, no service) the folder
// of the first file is opened through QDesktopServices.
class DesktopFileManager : public FileManager {
public:
    bool reveal(const QStringList& paths) override;
    void openFolder(const QString& path) override;
    void open(const QString& path) override;
};

// Test double: records every request; `reachable` false plays a desktop without a file manager.
class RecordingFileManager : public FileManager {
public:
    bool reveal(const QStringList& paths) override
    {
        revealed.append(paths);
        return reachable;
    }
    void openFolder(const QString& path) override { opened.append(path); }
    void open(const QString& path) override { openedFiles.append(path); }

    QList<QStringList> revealed;
    QStringList opened;      // folders
    QStringList openedFiles; // files handed to their default application
    bool reachable = true;
};

} // namespace kelvaro
