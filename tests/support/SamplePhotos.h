#pragma once
// Real photos for the detector tests, from Debian's python3-skimage package (public domain /
// CC0): astronaut.png (a frontal face), camera.png (a three-quarter face), chelsea.png,
// coffee.png, horse.png (a ready silhouette). The package is downloaded once with
// `apt-get download` and unpacked with `dpkg-deb -x` into the build tree (never installed);
// tests skip with the reason when it cannot be had (no network, no apt).
#include <QString>

#include <gtest/gtest.h>

namespace kelvaro::test {

// Absolute path of the photo, or "" with `whyMissing` set. Safe from several test processes at
// once (a lock file guards the download).
QString samplePhoto(const QString& name, QString* whyMissing = nullptr);

// Folder of the detector models for tests, or "" with `whyMissing` set when `fileName` is not
// installed there (see scripts/install-models).
QString modelForTest(const QString& fileName, QString* whyMissing = nullptr);

} // namespace kelvaro::test

// Declares `variable` as the photo's path, or skips the test with the reason.
#define KELVARO_SAMPLE_PHOTO_OR_SKIP(variable, name)                                   \
    QString variable;                                                                   \
    {                                                                                   \
        QString why_;                                                                   \
        variable = ::kelvaro::test::samplePhoto(QString::fromUtf8(name), &why_);          \
        if (variable.isEmpty())                                                         \
            GTEST_SKIP() << "sample photo " << name << " unavailable: " << qPrintable(why_); \
    }

// Skips the test unless the model file is installed.
#define KELVARO_REQUIRE_MODEL_OR_SKIP(fileName)                                         \
    {                                                                                   \
        QString why_;                                                                   \
        if (::kelvaro::test::modelForTest(QString::fromLatin1(fileName), &why_).isEmpty()) \
            GTEST_SKIP() << qPrintable(why_);                                           \
    }
