// The launcher entry the desktop reads about Kelvaro: it passes the freedesktop checker and says
// what the application handles.
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "TestPaths.h"
#include "AppTestSupport.h"

using namespace kelvaro;

namespace {

const QString kEntry = QStringLiteral(KELVARO_SOURCE_DIR "/resources/kelvaro.desktop");

// The value of `key` in `group` of the desktop entry (keys are read verbatim, unlike QSettings).
QString entryValue(const QString& group, const QString& key)
{
    QFile file(kEntry);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QString current;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('[')))
            current = line.mid(1, line.size() - 2);
        else if (current == group && line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return {};
}

TEST(DesktopEntry, PassesTheFreedesktopChecker)
{
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
    QProcess process;
    process.start(validator, {kEntry});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardOutput().toStdString()
                                     << process.readAllStandardError().toStdString();
}

TEST(DesktopEntry, OpensPhotosAndPdfsAndOffersTheSendAction)
{
    const QString group = QStringLiteral("Desktop Entry");
    EXPECT_EQ(entryValue(group, QStringLiteral("Exec")), QStringLiteral("kelvaro %U"));
    EXPECT_EQ(entryValue(group, QStringLiteral("Icon")), QStringLiteral("kelvaro"));
    const QStringList types = entryValue(group, QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const char* type : {"image/jpeg", "image/png", "image/heic", "image/heif", "image/tiff", "image/gif", "image/bmp",
                             "image/webp", "application/pdf"})
        EXPECT_TRUE(types.contains(QString::fromLatin1(type))) << type;
    // Folders are accepted when sent, but Kelvaro must never become the folder opener.
    EXPECT_FALSE(types.contains(QStringLiteral("inode/directory")));
    const QStringList actions = entryValue(group, QStringLiteral("Actions")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    ASSERT_EQ(actions, QStringList{QStringLiteral("send")});
    EXPECT_EQ(entryValue(QStringLiteral("Desktop Action send"), QStringLiteral("Exec")), QStringLiteral("kelvaro --send %F"));
}

} // namespace
