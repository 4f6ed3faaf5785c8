// File names as bytes: valid UTF-8 reads as Qt reads it, any other byte survives the way back.
#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

#include "platform/NativePath.h"

using namespace kelvaro;

namespace {

TEST(NativePath, everyByteComesBackAndValidUtf8ReadsAsQtReadsIt)
{
    const struct {
        const char* name;
        QByteArray bytes;
        bool utf8;
    } rows[] = {
        {"ascii", "/tmp/IMG_1.jpg", true},
        {"czech", "/tmp/\xc4\x8d\xc3\xa1st.jpg", true},
        {"emoji", "/tmp/\xf0\x9f\x93\xb7.heic", true},
        {"latin1", "/tmp/caf\xe9.jpg", false},
        {"loneContinuation", "a\x80z", false},
        {"cutSequence", "a\xc4", false},
        {"overlong", "\xc0\xaf", false},
        {"encodedSurrogate", "\xed\xa0\x80", false},
        {"aboveUnicode", "\xf4\x90\x80\x80", false},
        {"everyHighByte", [] { QByteArray b; for (int i = 0x80; i <= 0xff; ++i) b += char(i); return b; }(), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString text = NativePath::decoded(row.bytes);
        EXPECT_EQ(NativePath::encoded(text), row.bytes);
        // As a local file URL (a drop, a drag, the clipboard, the file manager), the bytes stay.
        const QString absolute = NativePath::decoded(row.bytes.startsWith('/') ? row.bytes : "/" + row.bytes);
        EXPECT_EQ(NativePath::localFile(NativePath::localUrl(absolute)), absolute);
        if (row.utf8) {
            EXPECT_EQ(text, QFile::decodeName(row.bytes));
            EXPECT_EQ(NativePath::encoded(text), QFile::encodeName(text));
            EXPECT_EQ(NativePath::localUrl(absolute), QUrl::fromLocalFile(absolute));
        } else {
            EXPECT_NE(QFile::encodeName(QFile::decodeName(row.bytes)), row.bytes); // what Qt alone loses
            EXPECT_NE(NativePath::localFile(QUrl::fromLocalFile(absolute)), absolute); // read by its bytes elsewhere
        }
    }
}

// The URL of a name that is not UTF-8 carries its byte, percent-encoded, as other programs read it.
TEST(NativePath, aLocalUrlCarriesTheBytesOfTheName)
{
    const QUrl url = NativePath::localUrl(NativePath::decoded("/tmp/v\xfdsledky/caf\xe9 1.jpg"));
    EXPECT_EQ(url.toEncoded(), QByteArray("file:///tmp/v%FDsledky/caf%E9%201.jpg"));
    EXPECT_TRUE(url.isLocalFile());
}

} // namespace
