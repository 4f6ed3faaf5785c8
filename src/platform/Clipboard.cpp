#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include "platform/NativePath.h"

namespace kelvaro {

void SystemClipboard::setFiles(const QStringList& paths)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    auto* data = new QMimeData;
    QList<QUrl> urls;
    QByteArray gnome = "copy";
    for (const QString& path : paths) {
        const QUrl url = NativePath::localUrl(path);
        urls.append(url);
        gnome += '\n' + url.toEncoded();
    }
    data->setUrls(urls); // text/uri-list
    data->setData(QStringLiteral("x-special/gnome-copied-files"), gnome);
    QStringList shown;
    for (const QString& path : paths)
        shown.append(NativePath::displayName(path));
    data->setText(shown.join(QLatin1Char('\n')));
    clipboard->setMimeData(data);
}

void SystemClipboard::setText(const QString& text)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

} // namespace kelvaro
