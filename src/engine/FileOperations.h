#pragma once
// The file-system calls of the engine's move and rename, behind a seam so tests can refuse them
// (tests run as root, where permissions refuse nothing). One process-wide instance; the batch
// calls it from its background task.
#include <exception>

#include <QByteArray>
#include <QString>

namespace kelvaro::ImageEngine {

// A file-system failure of one file (a copy that could not be made). The message is for the user.
class FileError : public std::exception {
public:
    explicit FileError(const QString& message) : m_message(message), m_what(message.toUtf8()) {}
    QString message() const { return m_message; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QByteArray m_what;
};

class FileOperations {
public:
    virtual ~FileOperations() = default;
    // Copies the bytes, permissions and modification time of `from` over `to` (normally an empty
    // file that uniqueURL reserved). Throws FileError naming `from`.
    virtual void copy(const QString& from, const QString& to);
    // Removes one file; false when it stays.
    virtual bool remove(const QString& path);

    // The instance the engine uses.
    static FileOperations& current();
    // Replaces it (tests); nullptr restores the real one. Not for use while a batch runs.
    static void setCurrent(FileOperations* operations);
};

} // namespace kelvaro::ImageEngine
