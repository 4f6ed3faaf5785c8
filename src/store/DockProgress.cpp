#include "store/DockProgress.h"

#include <algorithm>

#include "platform/LauncherProgress.h"

namespace kelvaro {

DockProgress::DockProgress(std::shared_ptr<LauncherProgress> launcher, std::shared_ptr<AttentionRequest> attention)
    : m_launcher(std::move(launcher)), m_attention(std::move(attention))
{
}

void DockProgress::update(int done, int total, bool working)
{
    if (!working || total < 2) {
        hide();
        return;
    }
    m_fraction = std::clamp(double(done) / double(total), 0.0, 1.0);
    m_showing = true;
    if (m_launcher)
        m_launcher->show(m_fraction);
}

void DockProgress::finish()
{
    hide();
    AttentionRequest& attention = m_attention ? *m_attention : AttentionRequest::shared();
    if (!attention.isApplicationActive())
        attention.requestAttention();
}

void DockProgress::hide()
{
    if (!m_showing)
        return;
    m_showing = false;
    m_fraction = 0;
    if (m_launcher)
        m_launcher->hide();
}

} // namespace kelvaro
