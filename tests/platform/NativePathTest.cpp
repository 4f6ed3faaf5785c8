// File names as bytes: valid UTF-8 reads as Qt reads it, any other byte survives the way back.
#include <QFile>

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
        if (row.utf8) {
            EXPECT_EQ(text, QFile::decodeName(row.bytes));
            EXPECT_EQ(NativePath::encoded(text), QFile::encodeName(text));
        } else {
            EXPECT_NE(QFile::encodeName(QFile::decodeName(row.bytes)), row.bytes); // what Qt alone loses
        }
    }
}

} // namespace
