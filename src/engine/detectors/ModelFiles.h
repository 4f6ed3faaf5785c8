#pragma once
// Where the detector models live at run time (installed by scripts/install-models, never
// committed), and the reduced copies the detectors work on. Safe from any thread; reads disk.
#include <QString>

#include <opencv2/core.hpp>

#include "engine/Bitmap.h"

namespace kelvaro::detectors {

inline constexpr const char* modelsDirEnv = "KELVARO_MODELS_DIR";
inline constexpr const char* faceFrontModel = "face_detection_front_128x128.onnx";
inline constexpr const char* faceBackModel = "face_detection_back_256x256.onnx";
inline constexpr const char* segmentationModel = "isnet_fp32.onnx";
inline constexpr const char* faceCascade = "haarcascade_frontalface_default.xml";

// Folders searched, first wins: $KELVARO_MODELS_DIR, then models/ and ../models/ beside the
// executable (the build tree), then share/kelvaro/models of the installation.
QStringList modelSearchPaths();

// Absolute path of a model file, or "" when no searched folder has it. The face cascade is also
// found in the system's OpenCV data folder.
QString modelFile(const QString& fileName);

// Long side limit of the copies the detectors see.
inline constexpr int detectorMaxSide = 1024;

// A reduced copy for a detector: RGB (CV_8UC3), transparent pixels laid on white, long side at
// most `maxSide` (never enlarged). `scale` = reduced size / original size (≤ 1).
struct ReducedImage {
    cv::Mat rgb;
    double scale = 1;
};
ReducedImage reducedRGB(const Bitmap& image, int maxSide = detectorMaxSide);

// A view of a bitmap's pixels as CV_8UC4 RGBA, without copying. Valid while `memory` lives.
cv::Mat rgbaView(const Bitmap& image, Bitmap& memory);

} // namespace kelvaro::detectors
