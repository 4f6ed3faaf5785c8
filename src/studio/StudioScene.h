#pragma once
// The screenshot studio's fixed data: the eight scenes it stages in the main window, with the
// captions of their framed screenshots in Czech and English, and the two window sizes it offers.
// Plain values, built once; any thread.
#include <QHash>
#include <QList>
#include <QSize>
#include <QString>

namespace kelvaro {

// The main window's size while the studio is active, in logical pixels.
enum class StudioSize { large, small };
QString rawValue(StudioSize size);              // "large", "small"
StudioSize studioSizeFromRaw(const QString& raw); // "small" gives small, anything else large
QSize nominalSize(StudioSize size);              // 1440×900 or 1280×800

struct StudioScene {
    int id = 0;           // 1 to 8
    QString title;        // Czech; shown in the scene list and used in file names as it stands
    QString symbol;       // symbol name
    QHash<QString, QString> headline; // by language code "cs" / "en"; captions are never looked up
    QHash<QString, QString> subline;

    // The text for `code`, else the English one, else "".
    QString headlineFor(const QString& code) const;
    QString sublineFor(const QString& code) const;

    // Home, the loaded wheel, before and after, adjustments, workflows, watched folders, shelves,
    // history, in that order.
    static const QList<StudioScene>& all();
};

} // namespace kelvaro
