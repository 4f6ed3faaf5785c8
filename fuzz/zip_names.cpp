// The ZIP writer's entry names: hostile and colliding file names (one per input line) always
// give distinct entries, and an archive of them is well formed (every local header where the
// central directory says, names as given, the end record counting them all).
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "FuzzTarget.h"

#include "engine/ZipWriter.h"
#include "model/Operations.h"

namespace {

quint32 le32(const QByteArray& b, qsizetype at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16
           | quint32(quint8(b[at + 3])) << 24;
}
quint16 le16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

// A name the file system takes as one entry of a folder.
QString fileSystemName(QString name)
{
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QChar(u'\0'), QLatin1Char('_'));
    while (name.toUtf8().size() > 200)
        name.chop(1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("x");
    return name;
}

} // namespace

KELVARO_FUZZ_TARGET(zip_names)
{
    using namespace kelvaro;
    const QStringList names = QString::fromUtf8(fuzz::bytesOf(data, size)).split(QLatin1Char('\n'));

    ZipWriter::UsedNames used;
    QSet<QString> given;
    for (const QString& name : names) {
        const QString taken = used.take(name);
        FUZZ_CHECK(!given.contains(taken));
        FUZZ_CHECK(!taken.isEmpty() || name.isEmpty());
        if (!given.contains(name))
            FUZZ_CHECK(taken == name);
        given.insert(taken);
    }

    // A real archive of up to four files named after the first lines.
    const QString root = fuzz::scratchDir() + QStringLiteral("/zip");
    QDir(root).removeRecursively();
    QStringList files;
    for (const QString& name : names.mid(0, 4)) {
        const QString folder = root + QStringLiteral("/in") + QString::number(files.size());
        QDir().mkpath(folder);
        QFile file(folder + QLatin1Char('/') + fileSystemName(name));
        if (!file.open(QIODevice::WriteOnly))
            continue;
        file.write(name.toUtf8());
        file.close();
        files.append(file.fileName());
    }
    if (files.isEmpty())
        return 0;
    const QString target = root + QStringLiteral("/out.zip");
    try {
        ZipWriter::write(files, target);
    } catch (const KelvaroError&) {
        FUZZ_CHECK(false); // small readable files must always pack
    }
    QFile archive(target);
    FUZZ_CHECK(archive.open(QIODevice::ReadOnly));
    const QByteArray bytes = archive.readAll();
    FUZZ_CHECK(bytes.size() >= 22);
    const qsizetype end = bytes.size() - 22;
    FUZZ_CHECK(le32(bytes, end) == 0x06054b50u);
    FUZZ_CHECK(le16(bytes, end + 10) == files.size());
    qsizetype at = qsizetype(le32(bytes, end + 16));
    QSet<QString> entries;
    for (int i = 0; i < files.size(); ++i) {
        FUZZ_CHECK(at + 46 <= end && le32(bytes, at) == 0x02014b50u);
        const quint16 nameLength = le16(bytes, at + 28);
        const qsizetype extra = le16(bytes, at + 30) + le16(bytes, at + 32);
        const qsizetype local = qsizetype(le32(bytes, at + 42));
        FUZZ_CHECK(local + 30 <= bytes.size() && le32(bytes, local) == 0x04034b50u);
        const QString entry = QString::fromUtf8(bytes.mid(at + 46, nameLength));
        FUZZ_CHECK(!entries.contains(entry));
        entries.insert(entry);
        at += 46 + nameLength + extra;
    }
    return 0;
}
