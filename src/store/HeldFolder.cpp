#include "store/HeldFolder.h"

#include "output/OutputFolder.h"
#include "platform/Bookmark.h"

namespace kelvaro {

void HeldFolder::hold(const QString& folder)
{
    if (m_folder == folder)
        return;
    if (m_folder)
        Bookmark::stopAccess(*m_folder);
    if (Bookmark::startAccess(folder))
        m_folder = folder;
    else
        m_folder.reset();
}

void HeldFolder::holdOutputFolder()
{
    if (const auto folder = OutputFolder::resolve())
        hold(*folder);
}

} // namespace kelvaro
