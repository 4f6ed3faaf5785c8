#include "store/ShelfStorage.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

#include "output/OutputFolder.h"
#include "platform/Bookmark.h"
#include "platform/FileSystem.h"
#include "platform/NativeFile.h"

namespace kelvaro::ShelfStorage {
namespace {

bool validComponent(const QString& component)
{
    return !component.isEmpty() && component != QLatin1String(".") && component != QLatin1String("..")
           && !component.contains(QLatin1Char('/')) && !component.contains(QChar(u'\0'));
}

// Something is at `path`, a dangling link too.
bool taken(const QString& path)
{
    return NativeFile::exists(path) || NativeFile::isLink(path);
}

bool isUuidText(const QString& text)
{
    return text.size() == 36 && !QUuid::fromString(text).isNull();
}

// Whether `relative` below `root` is the very place it names: no symbolic link on the way from
// the root, the entry itself included. Only such a place is the output folder's own; anything
// reached through a link belongs to whatever the link points at.
bool ownPlace(const QString& root, const QString& relative)
{
    const QString realRoot = NativeFile::canonical(root);
    return !realRoot.isEmpty()
           && NativeFile::canonical(root + QLatin1Char('/') + relative) == realRoot + QLatin1Char('/') + relative;
}

// What a change to a shelf copy may touch on disk.
enum class Reach {
    file,    // the copy itself: it lies in the output folder
    link,    // a link the user put into a shelf folder: the link goes or moves, never its target
    nothing, // reached through a linked folder: the file is someone else's
};

Reach reach(const QString& root, const Token& token)
{
    const QString folder = QLatin1String(shelvesFolderName) + QLatin1Char('/') + token.folder;
    if (!ownPlace(root, folder))
        return Reach::nothing;
    if (NativeFile::isLink(root + QLatin1Char('/') + token.relativePath()))
        return Reach::link;
    return ownPlace(root, token.relativePath()) ? Reach::file : Reach::nothing;
}

// Whether copies may be made in the shelf folder `dir`: the shelves folder and the shelf's own,
// where they exist, are the output folder's own places, not links. A copy put through a link would
// land in someone else's folder, where no removal may follow it.
bool ownShelfFolder(const QString& root, const QString& dir)
{
    const auto ownOrAbsent = [&](const QString& relative) {
        return !taken(root + QLatin1Char('/') + relative) || ownPlace(root, relative);
    };
    const QString shelves = QLatin1String(shelvesFolderName);
    return ownOrAbsent(shelves) && ownOrAbsent(shelves + QLatin1Char('/') + QFileInfo(dir).fileName());
}

bool isEmptyFolder(const QString& path)
{
    return NativeFile::isDir(path) && NativeFile::names(path).isEmpty();
}

std::optional<QString> legacyCopy(const QString& source, FileSystem& files)
{
    const auto root = legacyRoot();
    if (!root)
        return std::nullopt;
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString dir = *root + QLatin1Char('/') + id;
    const QString name = QFileInfo(source).fileName();
    if (!files.makePath(dir) || !files.copyFile(source, dir + QLatin1Char('/') + name)) {
        files.removeFolder(dir);
        return std::nullopt;
    }
    return id + QLatin1Char('/') + name;
}

} // namespace

QString Token::relativePath() const
{
    if (inOutput)
        return QLatin1String(shelvesFolderName) + QLatin1Char('/') + folder + QLatin1Char('/') + file;
    return folder + QLatin1Char('/') + file;
}

std::optional<Token> parseToken(const QString& token)
{
    const QString prefix = QLatin1String(outPrefix);
    if (token.startsWith(prefix)) {
        const QStringList parts = token.mid(prefix.size()).split(QLatin1Char('/'));
        if (parts.size() != 3 || parts[0] != QLatin1String(shelvesFolderName) || !validComponent(parts[1])
            || !validComponent(parts[2]))
            return std::nullopt;
        return Token{true, parts[1], parts[2]};
    }
    const QStringList parts = token.split(QLatin1Char('/'));
    if (parts.size() != 2 || !validComponent(parts[1]))
        return std::nullopt;
    if (!isUuidText(parts[0]) && parts[0] != QLatin1String(demoFolderName))
        return std::nullopt;
    return Token{false, parts[0], parts[1]};
}

QString outToken(const QString& folder, const QString& file)
{
    return QLatin1String(outPrefix) + QLatin1String(shelvesFolderName) + QLatin1Char('/') + folder + QLatin1Char('/') + file;
}

QString safeName(const QString& name)
{
    QString result;
    result.reserve(name.size());
    for (const QChar ch : name) {
        const bool unsafe = ch == QLatin1Char('/') || ch == QLatin1Char(':') || ch == QLatin1Char('\\')
                            || ch.category() == QChar::Other_Control;
        result.append(unsafe ? QLatin1Char('-') : ch);
    }
    result = result.trimmed();
    int dots = 0;
    while (dots < result.size() && result.at(dots) == QLatin1Char('.'))
        ++dots;
    result.remove(0, dots);
    return result.isEmpty() ? QString::fromLatin1(shelvesFolderName) : result;
}

std::optional<QString> folder(const QString& shelfName)
{
    const auto root = OutputFolder::resolve();
    if (!root)
        return std::nullopt;
    return *root + QLatin1Char('/') + QLatin1String(shelvesFolderName) + QLatin1Char('/') + safeName(shelfName);
}

std::optional<QString> legacyRoot()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return std::nullopt;
    const QString root = data + QStringLiteral("/Kelvaro/Shelves");
    QDir().mkpath(root); // a failure shows later, when a copy cannot be made
    return root;
}

QString uniquePath(const QString& name, const QString& folder)
{
    const QString first = folder + QLatin1Char('/') + name;
    if (!taken(first))
        return first;
    // Split as text, never through QFileInfo: every byte of the name stays.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    // ".poznamky": a hidden name, not an extension.
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString ext = dot > 0 ? name.mid(dot + 1) : QString();
    for (qint64 n = 2;; ++n) {
        const QString candidate = folder + QLatin1Char('/') + base + QLatin1Char(' ') + QString::number(n)
                                  + (ext.isEmpty() ? QString() : QLatin1Char('.') + ext);
        if (!taken(candidate))
            return candidate;
    }
}

std::optional<QString> copyIn(const QString& source, const QString& shelfName, FileSystem& files)
{
    const bool accessing = Bookmark::startAccess(source);
    std::optional<QString> token;
    const auto root = OutputFolder::resolve();
    if (const auto dir = folder(shelfName); dir && root && ownShelfFolder(*root, *dir) && files.makePath(*dir)) {
        const QString target = uniquePath(QFileInfo(source).fileName(), *dir);
        if (files.copyFile(source, target))
            token = outToken(QFileInfo(*dir).fileName(), QFileInfo(target).fileName());
    }
    if (!token)
        token = legacyCopy(source, files);
    if (accessing)
        Bookmark::stopAccess(source);
    return token;
}

std::optional<QString> url(const QString& token)
{
    const auto parsed = parseToken(token);
    if (!parsed)
        return std::nullopt;
    const auto root = parsed->inOutput ? OutputFolder::resolve() : legacyRoot();
    if (!root)
        return std::nullopt;
    const QString candidate = *root + QLatin1Char('/') + parsed->relativePath();
    return NativeFile::isFile(candidate) ? std::optional<QString>(candidate) : std::nullopt;
}

void remove(const std::optional<QString>& token, FileSystem& files)
{
    if (!token)
        return;
    const auto parsed = parseToken(*token);
    if (!parsed)
        return;
    if (parsed->inOutput) {
        const auto file = url(*token);
        const auto root = OutputFolder::resolve();
        if (!file || !root || reach(*root, *parsed) == Reach::nothing)
            return;
        files.removeFile(*file);
        const QString parent = QFileInfo(*file).absolutePath();
        if (isEmptyFolder(parent))
            files.removeFolder(parent);
        return;
    }
    // A legacy copy owns its folder; the studio's shared demo folder is never deleted.
    if (!isUuidText(parsed->folder))
        return;
    if (const auto root = legacyRoot())
        files.removeFolder(*root + QLatin1Char('/') + parsed->folder);
}

std::optional<std::pair<QString, QString>> renameFolder(const QString& oldName, const QString& newName, FileSystem& files)
{
    const auto oldDir = folder(oldName);
    const auto newDir = folder(newName);
    if (!oldDir || !newDir)
        return std::nullopt;
    const QString oldFolder = QFileInfo(*oldDir).fileName();
    const QString newFolder = QFileInfo(*newDir).fileName();
    if (oldFolder == newFolder)
        return std::nullopt;
    if (!NativeFile::exists(*oldDir) || taken(*newDir))
        return std::nullopt;
    // A linked shelf folder is renamed as a link; a linked "Police" would rename someone else's.
    const auto root = OutputFolder::resolve();
    if (!root || !ownPlace(*root, QLatin1String(shelvesFolderName)))
        return std::nullopt;
    if (!files.moveFile(*oldDir, *newDir))
        return std::nullopt;
    const QString prefix = QLatin1String(outPrefix) + QLatin1String(shelvesFolderName) + QLatin1Char('/');
    return std::pair{prefix + oldFolder + QLatin1Char('/'), prefix + newFolder + QLatin1Char('/')};
}

std::optional<QString> move(const QString& token, const QString& shelfName, FileSystem& files)
{
    const auto parsed = parseToken(token);
    if (!parsed || !parsed->inOutput)
        return std::nullopt;
    const auto source = url(token);
    const auto root = OutputFolder::resolve();
    if (!source || !root || reach(*root, *parsed) == Reach::nothing)
        return std::nullopt;
    const auto dir = folder(shelfName);
    if (!dir || !ownShelfFolder(*root, *dir) || !files.makePath(*dir))
        return std::nullopt;
    const QString target = uniquePath(QFileInfo(*source).fileName(), *dir);
    if (!files.moveFile(*source, target))
        return std::nullopt;
    const QString oldParent = QFileInfo(*source).absolutePath();
    if (isEmptyFolder(oldParent))
        files.removeFolder(oldParent);
    return outToken(QFileInfo(*dir).fileName(), QFileInfo(target).fileName());
}

void releaseFolder(const QString& shelfName, FileSystem& files)
{
    const auto root = OutputFolder::resolve();
    const auto dir = folder(shelfName);
    if (root && dir && NativeFile::isLink(*dir) && ownPlace(*root, QLatin1String(shelvesFolderName)))
        files.removeFile(*dir);
}

} // namespace kelvaro::ShelfStorage
