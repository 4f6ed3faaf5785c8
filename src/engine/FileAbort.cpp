#include "engine/FileAbort.h"

#include <utility>

namespace kelvaro::ImageEngine {
namespace {

thread_local FileAbortPtr currentAbort;

int passUnlessStopped(VipsRegion* out, void* sequence, void*, void* token, gboolean*)
{
    if (static_cast<const FileAbortPtr*>(token)->get()->requested()) {
        vips_error("kelvaro", "%s", "file stopped");
        return -1;
    }
    auto* in = static_cast<VipsRegion*>(sequence);
    const VipsRect* rect = &out->valid;
    if (vips_region_prepare(in, rect) != 0 || vips_region_region(out, in, rect, rect->left, rect->top) != 0)
        return -1;
    return 0;
}

void freeToken(gpointer token)
{
    delete static_cast<FileAbortPtr*>(token);
}

} // namespace

CurrentFileAbort::CurrentFileAbort(FileAbortPtr abort) : m_previous(std::exchange(currentAbort, std::move(abort))) {}

CurrentFileAbort::~CurrentFileAbort()
{
    currentAbort = std::move(m_previous);
}

bool fileAbortRequested()
{
    return currentAbort && currentAbort->requested();
}

void checkFileAbort()
{
    if (fileAbortRequested())
        throw FileAborted();
}

vips::VImage abortable(const vips::VImage& image)
{
    if (!currentAbort)
        return image;
    VipsImage* in = image.get_image();
    VipsImage* out = vips_image_new();
    if (vips_image_pipelinev(out, VIPS_DEMAND_STYLE_THINSTRIP, in, nullptr) != 0) {
        g_object_unref(out);
        throw vips::VError();
    }
    // The output holds its input and the token until it is freed, which a cached operation
    // built on it may delay past the file's end.
    g_object_ref(in);
    vips_object_local(out, in);
    auto* token = new FileAbortPtr(currentAbort);
    g_object_set_data_full(G_OBJECT(out), "kelvaro-file-abort", token, freeToken);
    if (vips_image_generate(out, vips_start_one, passUnlessStopped, vips_stop_one, in, token) != 0) {
        g_object_unref(out);
        throw vips::VError();
    }
    return vips::VImage(out);
}

} // namespace kelvaro::ImageEngine
