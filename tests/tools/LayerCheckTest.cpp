// scripts/check-layers (the ctest "layers") on a small tree of planted offences: each is reported,
// a clean file is not, and the check fails; on the real tree it passes (its own ctest).
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../support/TestSupport.h"
#include "TestPaths.h"

using namespace kelvaro;

namespace {

void plant(const QDir& root, const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(root.filePath(path)).absolutePath());
    test::writeFile(root.filePath(path), text);
}

TEST(LayerCheck, ReportsEveryPlantedOffenceAndPassesNothingElse)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QDir root(temp.path());
    ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("docs"))));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KELVARO_SOURCE_DIR "/docs/ARCHITECTURE.md"), root.filePath(QStringLiteral("docs/ARCHITECTURE.md"))));
    plant(root, QStringLiteral("src/store/Runs.h"), "#pragma once\n");
    plant(root, QStringLiteral("src/ui/wheel/Wheel.h"), "#pragma once\n");
    plant(root, QStringLiteral("src/ui/shelves/Shelves.h"), "#pragma once\n");
    plant(root, QStringLiteral("src/platform/Clean.cpp"),
          "#include <QtCore/QFile>\n#include \"platform/Clean.h\"\n// L(\"not code\")\n");
    plant(root, QStringLiteral("src/platform/Clean.h"), "#pragma once\n");
    plant(root, QStringLiteral("src/engine/Up.cpp"), "#include \"store/Runs.h\"\n");
    plant(root, QStringLiteral("src/engine/Setting.cpp"), "auto q = Settings::shared().value(k);\n");
    plant(root, QStringLiteral("src/engine/Text.cpp"),
          "auto a = L(language, \"úpravy\");\nauto b = L(\"úpravy\");\nauto c = error.message();\n"
          "auto d = L10n::current();\nauto e = error.message(settings.language);\n");
    plant(root, QStringLiteral("src/ui/sheets/Beside.cpp"), "  #  include \"ui/wheel/Wheel.h\"\n");
    plant(root, QStringLiteral("src/ui/history/Screen.cpp"), "#include <ui/shelves/Shelves.h>\n");

    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(QStringLiteral(KELVARO_SOURCE_DIR "/scripts/check-layers"), {root.path()});
    ASSERT_TRUE(check.waitForFinished(60000)) << "the check never ended";
    const QString report = QString::fromUtf8(check.readAll());
    EXPECT_EQ(check.exitCode(), 1) << qPrintable(report);
    for (const char* expected : {"src/engine/Up.cpp:1 includes store/Runs.h", "src/engine/Setting.cpp:1: the image code reads a global setting",
                                 "src/engine/Text.cpp:2: the image code looks a text up", "src/engine/Text.cpp:3: the image code looks a text up",
                                 "src/engine/Text.cpp:4: the image code looks a text up", "src/ui/sheets/Beside.cpp:1 includes ui/wheel/Wheel.h",
                                 "src/ui/history/Screen.cpp:1 includes ui/shelves/Shelves.h"})
        EXPECT_TRUE(report.contains(QString::fromUtf8(expected))) << expected << " missing from:\n" << qPrintable(report);
    EXPECT_FALSE(report.contains(QStringLiteral("Clean"))) << qPrintable(report);
    for (const char* allowed : {"Text.cpp:1", "Text.cpp:5"})
        EXPECT_FALSE(report.contains(QString::fromLatin1(allowed))) << allowed << ": a lookup in the run's language is allowed";
}

} // namespace
