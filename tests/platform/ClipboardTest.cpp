// The system clipboard seam: files for file managers, plain text otherwise.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include "platform/Clipboard.h"
#include "platform/NativePath.h"

namespace kelvaro::test {
namespace {

TEST(SystemClipboardTest, FilesGoAsUriListAndAsCopiedFilesAndTextReplacesThem)
{
    SystemClipboard clipboard;
    clipboard.setFiles({QStringLiteral("/tmp/Léto 1.jpg"), QStringLiteral("/tmp/b.png")});
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->urls().size(), 2);
    EXPECT_EQ(data->urls().first().toLocalFile(), QStringLiteral("/tmp/Léto 1.jpg"));
    const QByteArray copied = data->data(QStringLiteral("x-special/gnome-copied-files"));
    EXPECT_TRUE(copied.startsWith("copy\nfile:///tmp/L")) << copied.toStdString();
    EXPECT_EQ(copied.count('\n'), 2);

    // A name that is not UTF-8 goes by its bytes as a file, and as text reads with U+FFFD.
    clipboard.setFiles({NativePath::decoded("/tmp/caf\xe9.jpg")});
    ASSERT_EQ(QGuiApplication::clipboard()->mimeData()->urls().size(), 1);
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->urls().first().toEncoded(), QByteArray("file:///tmp/caf%E9.jpg"));
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("x-special/gnome-copied-files")),
              QByteArray("copy\nfile:///tmp/caf%E9.jpg"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("/tmp/caf\uFFFD.jpg"));

    clipboard.setText(QStringLiteral("/tmp/a.jpg\n/tmp/b.jpg"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("/tmp/a.jpg\n/tmp/b.jpg"));
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->urls().isEmpty());
}

} // namespace
} // namespace kelvaro::test
