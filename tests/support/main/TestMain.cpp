// Entry of every test executable: each test runs in its own process (ctest) with its own
// temporary home, so settings, shelves and trash never leak between tests or into the user's.
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include <execinfo.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#ifdef KELVARO_TEST_WIDGETS
#include <QApplication>
#else
#include <QGuiApplication>
#endif

#include <gtest/gtest.h>

#include "TestPaths.h"
#include "engine/Bitmap.h"
#include "platform/BackgroundPools.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"

namespace {

// A crash prints the stack it happened on, so a failure seen once in a parallel run can be read.
void printStackAndDie(int signal)
{
    void* frames[64];
    const int count = backtrace(frames, 64);
    const char header[] = "\n*** crashed; stack:\n";
    (void)!write(STDERR_FILENO, header, sizeof header - 1);
    backtrace_symbols_fd(frames, count, STDERR_FILENO);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Each case starts from no settings, also when a whole program runs in one process (by hand, a
// filter, a shard): a value one case leaves behind must not decide what the next one sees. The
// first case of a process is left alone: its settings are fresh, and some cases need them not yet
// opened (a child process points them at its parent's file first).
class FreshSettings : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        if (std::exchange(m_first, false))
            return;
        kelvaro::Settings& settings = kelvaro::Settings::shared();
        for (const QString& key : settings.keys())
            settings.remove(key);
    }
    bool m_first = true;
};

} // namespace

int main(int argc, char** argv)
{
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(sig, printStackAndDie);
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/kelvaro-test-XXXXXX"));
    const QString root = home.path();
    for (const char* sub : {"config", "data", "cache", "runtime", "home"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    setenv("XDG_CONFIG_HOME", qPrintable(root + "/config"), 1);
    setenv("XDG_DATA_HOME", qPrintable(root + "/data"), 1);
    setenv("XDG_CACHE_HOME", qPrintable(root + "/cache"), 1);
    setenv("XDG_RUNTIME_DIR", qPrintable(root + "/runtime"), 1);
    setenv("HOME", qPrintable(root + "/home"), 1);
    QFile::setPermissions(root + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Fixed here rather than in ctest so a test binary run by hand behaves the same. A folder whose
    // tests need particular screens names its screens file (the offscreen platform's JSON).
#ifdef KELVARO_TEST_SCREENS
    const QString screens = QStringLiteral(KELVARO_SOURCE_DIR "/tests/" KELVARO_TEST_SCREENS);
    setenv("QT_QPA_PLATFORM", qPrintable(QStringLiteral("offscreen:configfile=") + screens), 1);
#else
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
#endif
    setenv("OMP_THREAD_LIMIT", "1", 0);
    setenv("KELVARO_MODELS_DIR", KELVARO_BUILD_DIR "/models", 0);
    // Test programs are built in a folder of their own, not beside the PDF page drawer.
    setenv("KELVARO_PDFPAGE", KELVARO_BUILD_DIR "/kelvaro-pdfpage", 0);
    // No test may reach the user's session bus, also when run from a desktop session. A test that
    // starts a private bus for a child process marks the child, which keeps that bus.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelvaro-test-bus",
           qEnvironmentVariableIsSet("KELVARO_TEST_PRIVATE_BUS") ? 0 : 1);

    // Before any thread: libvips sets environment variables as it starts.
    kelvaro::initVips();
#ifdef KELVARO_TEST_WIDGETS
    QApplication app(argc, argv);
#else
    QGuiApplication app(argc, argv);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaro"));
    ::testing::InitGoogleTest(&argc, argv);
    // A suite named "…Child" holds cases that run only inside a parent test, which starts this
    // program again with a filter naming them: any other run neither lists nor runs them.
    std::string filter = GTEST_FLAG_GET(filter);
    if (filter.substr(0, filter.find('-')).find("Child.") == std::string::npos) {
        filter += filter.find('-') == std::string::npos ? "-*Child.*" : ":*Child.*";
        GTEST_FLAG_SET(filter, filter);
    }
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
    const int status = RUN_ALL_TESTS();
    // Background decodes started by a test must end before statics and the application go.
    kelvaro::BackgroundPools::drain();
    // By the names' bytes: QTemporaryDir would leave behind what tests put in the trash under a
    // name that is not UTF-8.
    std::error_code error;
    std::filesystem::remove_all(kelvaro::NativePath::encoded(root).toStdString(), error);
    return status;
}
