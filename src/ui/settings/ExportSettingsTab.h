#pragma once
// The "export" tab: the lossy quality of JPEG and HEIC results (sliders from 50 to 100 % in
// steps of 5, the stored value shown as a percentage) and the style in which the faces tool
// hides faces. Controls write their setting only when the user moves them; the engine reads it
// at its next run. A stored value is shown as stored until then (0.875 reads "88 %"; a face
// style it does not know selects nothing). Retranslates in place. Main thread; built by the
// settings window.
#include "engine/EngineSettings.h"
#include "platform/SettingsKeys.h"
#include "ui/design/SettingRows.h"

namespace kelvaro::settings {

class ExportSettingsTab : public SettingsPage {
    Q_OBJECT
public:
    static constexpr const char* jpegQualityKey = SettingsKey::jpegQuality;
    static constexpr const char* heicQualityKey = SettingsKey::heicQuality;
    static constexpr double defaultJpegQuality = EngineSettings{}.jpegQuality;
    static constexpr double defaultHeicQuality = EngineSettings{}.heicQuality;

    explicit ExportSettingsTab(QWidget* parent = nullptr);

    // The percentage shown for a quality 0–1: rounded to a whole number, halves away from zero.
    static QString percentText(double quality);
};

} // namespace kelvaro::settings
