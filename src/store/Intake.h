#pragma once
// Intake: the files on the wheel and the access held to what was handed in. Takes files and
// folders (a folder becomes the photos and PDFs inside it), adds or replaces, and reports what it
// could not take on the status line. Owned by KelvaroStore; main thread.
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace kelvaro {

class StoreStatus;

class Intake : public QObject {
    Q_OBJECT
public:
    static constexpr int limit = 2000;

    explicit Intake(StoreStatus& status, QObject* parent = nullptr);

    const QStringList& droppedFiles() const { return m_droppedFiles; } // absolute paths
    void setDroppedFiles(const QStringList& files);
    const QStringList& accessedURLs() const { return m_accessedURLs; }

    // Takes files and folders into the wheel: replaces (adding false, or an empty wheel) or adds.
    // Only local files count; folders become the photos and PDFs inside them. False when nothing
    // usable came: the wheel keeps its files and the status line says so.
    bool receive(const QList<QUrl>& urls, bool adding);
    bool receive(const QStringList& paths, bool adding);
    void removeDropped(const QString& path);
    void releaseAccess();

    // Folders replaced by their accepted files (sorted by path, hidden ones skipped, at most
    // 2000 in all). Touches disk (listing only).
    static QStringList expandFolders(const QStringList& paths);
    static const QStringList& acceptedExtensions();

Q_SIGNALS:
    void droppedFilesChanged();

private:
    StoreStatus& m_status;
    QStringList m_droppedFiles;
    QStringList m_accessedURLs;
};

} // namespace kelvaro
