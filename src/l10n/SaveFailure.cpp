#include "l10n/SaveFailure.h"

#include <cerrno>
#include <cstring>

#include "l10n/Localization.h"

namespace kelvaro {

QString saveFailureReason(int error)
{
    switch (error) {
    case ENOSPC:
        return L("na disku není místo");
    case EDQUOT:
        return L("je vyčerpaná kvóta disku");
    case EROFS:
        return L("disk je jen pro čtení");
    case EACCES:
    case EPERM:
        return L("chybí oprávnění k zápisu");
    case EIO:
        return L("disk hlásí chybu čtení nebo zápisu");
    case EBUSY: // the settings' lock, held by another process for seconds
        return L("soubor právě používá jiný program");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

} // namespace kelvaro
