// The preview window that Space opens over the history and the shelves: a photo, a text file (an
// OCR result) and a file it cannot show, which it names with its size.
#include <QDir>
#include <QFile>

#include "app/QuickLookSupport.h"
#include "gallery/GalleryScenes.h"
#include "ui/design/Theme.h"

namespace kelvaro::gallery {
namespace {

QImage preview(const Env& env, const QString& path)
{
    QuickLookPanel panel;
    Theme::apply(&panel, env.dark);
    panel.showFile(path);
    panel.waitForContent();
    return grabWidget(&panel);
}

const GalleryScene photo(QStringLiteral("quick-look"), [](const Env& env) { return preview(env, env.photo32); });

const GalleryScene text(QStringLiteral("quick-look-text"), [](const Env& env) {
    const QString path = QDir(env.workDir).filePath(QStringLiteral("Faktura_sken.txt"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("FAKTURA č. 2026-0412\nDodavatel: Fotoateliér Nováková\nDatum vystavení: 8. 12. 2026\n\n"
                   "Portrétní focení (2 hodiny)        3 200 Kč\nÚprava 25 fotografií              1 250 Kč\n\n"
                   "Celkem k úhradě                   4 450 Kč\n");
    file.close();
    return preview(env, path);
});

const GalleryScene other(QStringLiteral("quick-look-other"), [](const Env& env) {
    const QString path = QDir(env.workDir).filePath(QStringLiteral("Výběr_klienta_2026.zip"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray(184000, '\0'));
    file.close();
    return preview(env, path);
});

} // namespace
} // namespace kelvaro::gallery
