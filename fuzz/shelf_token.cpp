// Shelf-storage tokens as stored in the library ("out:Police/<folder>/<file>", "<UUID>/<file>"):
// only the two shapes are followed, and a followed token never names a path outside its root.
#include "FuzzTarget.h"

#include "store/ShelfStorage.h"

namespace {

bool safePiece(const QString& piece)
{
    return !piece.isEmpty() && piece != QLatin1String(".") && piece != QLatin1String("..")
           && !piece.contains(QLatin1Char('/')) && !piece.contains(QChar(u'\0'));
}

} // namespace

KELVARO_FUZZ_TARGET(shelf_token)
{
    using namespace kelvaro;
    const QString text = QString::fromUtf8(fuzz::bytesOf(data, size));
    const auto token = ShelfStorage::parseToken(text);
    if (token) {
        FUZZ_CHECK(safePiece(token->folder));
        FUZZ_CHECK(safePiece(token->file));
        const QString relative = token->relativePath();
        FUZZ_CHECK(!relative.startsWith(QLatin1Char('/')));
        FUZZ_CHECK(!relative.split(QLatin1Char('/')).contains(QStringLiteral("..")));
        if (token->inOutput) {
            const auto again = ShelfStorage::parseToken(ShelfStorage::outToken(token->folder, token->file));
            FUZZ_CHECK(again && again->folder == token->folder && again->file == token->file && again->inOutput);
        }
        // A legacy token resolves below the data folder or not at all.
        if (const auto path = ShelfStorage::url(text)) {
            const auto root = ShelfStorage::legacyRoot();
            FUZZ_CHECK(token->inOutput || (root && path->startsWith(*root + QLatin1Char('/'))));
        }
    } else {
        FUZZ_CHECK(!ShelfStorage::url(text).has_value());
    }
    // A shelf name becomes one folder name: never a path, never hidden, never empty.
    const QString safe = ShelfStorage::safeName(text);
    FUZZ_CHECK(!safe.isEmpty());
    FUZZ_CHECK(!safe.contains(QLatin1Char('/')));
    FUZZ_CHECK(!safe.startsWith(QLatin1Char('.')));
    return 0;
}
