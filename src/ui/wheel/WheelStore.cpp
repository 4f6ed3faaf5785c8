#include "ui/wheel/WheelStore.h"

#include <QFileInfo>

namespace kelvaro::wheel {

bool isComparable(const QString& path)
{
    static const QStringList extensions = {"jpg", "jpeg", "png", "heic", "tif", "tiff", "pdf"};
    return extensions.contains(QFileInfo(path).suffix().toLower());
}

} // namespace kelvaro::wheel
