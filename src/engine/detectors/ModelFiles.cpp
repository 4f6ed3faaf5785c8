#include "engine/detectors/ModelFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kelvaro::detectors {

QStringList modelSearchPaths()
{
    QStringList paths;
    const QString fromEnv = qEnvironmentVariable(modelsDirEnv);
    if (!fromEnv.isEmpty())
        paths << fromEnv;
    // Without an application object (a plain library user) only the override counts.
    if (QCoreApplication::instance()) {
        const QString appDir = QCoreApplication::applicationDirPath();
        paths << appDir + QStringLiteral("/models") << appDir + QStringLiteral("/../models")
              << appDir + QStringLiteral("/../share/kelvaro/models");
    }
    return paths;
}

QString modelFile(const QString& fileName)
{
    QStringList folders = modelSearchPaths();
    if (fileName == QLatin1String(faceCascade))
        folders << QStringLiteral("/usr/share/opencv4/haarcascades") << QStringLiteral("/usr/share/opencv/haarcascades");
    for (const QString& folder : std::as_const(folders)) {
        const QFileInfo info(QDir(folder).filePath(fileName));
        if (info.isFile() && info.size() > 0)
            return QDir::cleanPath(info.absoluteFilePath());
    }
    return {};
}

cv::Mat rgbaView(const Bitmap& image, Bitmap& memory)
{
    memory = image.copy_memory(); // shares the pixels when the image already is in memory
    return cv::Mat(memory.height(), memory.width(), CV_8UC4, const_cast<void*>(memory.data()));
}

ReducedImage reducedRGB(const Bitmap& image, int maxSide)
{
    ReducedImage reduced;
    const int longSide = std::max(image.width(), image.height());
    vips::VImage small = image;
    if (longSide > maxSide) {
        reduced.scale = double(maxSide) / longSide;
        small = image.resize(reduced.scale, vips::VImage::option()->set("kernel", VIPS_KERNEL_LINEAR));
    }
    if (small.bands() == 4)
        small = small.flatten(vips::VImage::option()->set("background", std::vector<double>{255, 255, 255}));
    small = small.cast(VIPS_FORMAT_UCHAR).copy_memory();
    const cv::Mat view(small.height(), small.width(), CV_8UC3, const_cast<void*>(small.data()));
    reduced.rgb = view.clone();
    // The reduced size may be rounded: measure the scale that really applies.
    if (longSide > maxSide)
        reduced.scale = double(std::max(reduced.rgb.cols, reduced.rgb.rows)) / longSide;
    return reduced;
}

} // namespace kelvaro::detectors
