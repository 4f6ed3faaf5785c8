// Entry of every test executable: each test runs in its own process (ctest) with its own
// temporary home, so settings, shelves and trash never leak between tests or into the user's.
#include <cstdlib>

#include <QDir>
#include <QTemporaryDir>
#ifdef KELVARO_TEST_WIDGETS
#include <QApplication>
#else
#include <QGuiApplication>
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/kelvaro-test-XXXXXX"));
    const QString root = home.path();
    for (const char* sub : {"config", "data", "cache", "runtime", "home"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    setenv("XDG_CONFIG_HOME", qPrintable(root + "/config"), 1);
    setenv("XDG_DATA_HOME", qPrintable(root + "/data"), 1);
    setenv("XDG_CACHE_HOME", qPrintable(root + "/cache"), 1);
    setenv("XDG_RUNTIME_DIR", qPrintable(root + "/runtime"), 1);
    setenv("HOME", qPrintable(root + "/home"), 1);
    QDir(root).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(root + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

#ifdef KELVARO_TEST_WIDGETS
    QApplication app(argc, argv);
#else
    QGuiApplication app(argc, argv);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaro"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
