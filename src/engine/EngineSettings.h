#pragma once
// EngineSettings: the user's settings the image engine follows. Whoever starts a run reads them
// once, on the main thread, and hands the value to the engine with the operation; every file of
// the run uses that same value, so a setting changed while a batch runs cannot split it. The
// engine itself never reads the settings. Plain value; copied between threads.
#include <optional>

#include <QList>
#include <QString>

#include "l10n/Localization.h"

namespace kelvaro {

class Settings;

// How faces are anonymised ("kelvaro.faceStyle").
enum class FaceStyle { blur, pixelate, solid };
QString rawValue(FaceStyle style);
std::optional<FaceStyle> faceStyleFromRaw(const QString& raw);
QString title(FaceStyle style, AppLanguage language);
const QList<FaceStyle>& allFaceStyles(); // blur, pixelate, solid

struct EngineSettings {
    // 0–1: the quality of lossy results no operation chose ("kelvaro.jpegQuality").
    double jpegQuality = 0.9;
    // 0–1: a HEIC result still at the JPEG default takes this instead ("kelvaro.heicQuality").
    double heicQuality = 0.85;
    // Whether results get a descriptive suffix ("kelvaro.describeNames").
    bool describeNames = true;
    FaceStyle faceStyle = FaceStyle::blur;
    // The interface language when the run started ("kelvaro.language", `system` resolved): the
    // language of every name and message of the run. Czech or English, never `system`.
    AppLanguage language = AppLanguage::czech;

    bool operator==(const EngineSettings&) const = default;

    // The stored values, each replaced by its default when absent or unusable: a quality that is
    // not a finite number above 0, a flag that is not a Boolean, an unknown face style; an
    // unknown language is the desktop's, as everywhere. Read on the main thread when a run starts.
    static EngineSettings read(const Settings& settings);
};

} // namespace kelvaro
