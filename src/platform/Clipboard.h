#pragma once
// The desktop's clipboard: files (as text/uri-list plus the GNOME copied-files form, so file
// managers paste them) or plain text. Each call replaces the whole clipboard. Main thread.
#include <QString>
#include <QStringList>

namespace kelvaro {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void setFiles(const QStringList& paths) = 0; // absolute paths
    virtual void setText(const QString& text) = 0;
};

class SystemClipboard : public Clipboard {
public:
    void setFiles(const QStringList& paths) override;
    void setText(const QString& text) override;
};

class RecordingClipboard : public Clipboard {
public:
    void setFiles(const QStringList& paths) override { files = paths; text.clear(); ++writes; }
    void setText(const QString& value) override { text = value; files.clear(); ++writes; }
    QStringList files;
    QString text;
    int writes = 0;
};

} // namespace kelvaro
