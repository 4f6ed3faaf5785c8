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
    // Opens one folder in the file manager. False when nothing could be asked to show it.
    virtual bool openFolder(const QString& path) = 0;
    // Opens one file (absolute path) in the default application for its type. False when
    // nothing could be asked to open it; an application that is started and then fails is not
    // seen here.
    virtual bool open(const QString& path) = 0;
};

// org.freedesktop.FileManager1 over the session bus; without it (no bus, no service) the folder
// of the first file is opened through QDesktopServices, or the one folder revealed itself. False
// when neither answers: no file manager on the bus and no launcher for the folder or file.
class DesktopFileManager : public FileManager {
public:
    bool reveal(const QStringList& paths) override;
    bool openFolder(const QString& path) override;
    bool open(const QString& path) override;
};

// Test double: records every request; `reachable` false plays a desktop where nothing answers
// (no file manager, no application for a file).
class RecordingFileManager : public FileManager {
public:
    bool reveal(const QStringList& paths) override
    {
        revealed.append(paths);
        return reachable;
    }
    bool openFolder(const QString& path) override
    {
        opened.append(path);
        return reachable;
    }
    bool open(const QString& path) override
    {
        openedFiles.append(path);
        return reachable;
    }

    QList<QStringList> revealed;
    QStringList opened;      // folders
    QStringList openedFiles; // files handed to their default application
    bool reachable = true;
};

} // namespace kelvaro
