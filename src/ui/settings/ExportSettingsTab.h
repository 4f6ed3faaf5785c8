#pragma once
// The "export" tab: the lossy quality of JPEG and HEIC results (sliders from 50 to 100 % in
// steps of 5, the stored value shown as a percentage) and the style in which the faces tool
// hides faces. Controls write their setting only when the user moves them; the engine reads it
// at its next run. A stored value is shown as stored until then (0.875 reads "88 %"; a face
// style it does not know selects nothing). Retranslates in place. Main thread; built by the
// settings window.
#include "ui/settings/SettingRows.h"

namespace kelvaro::settings {

class ExportSettingsTab : public SettingsPage {
    Q_OBJECT
public:
    static constexpr const char* jpegQualityKey = "kelvaro.jpegQuality";
    static constexpr const char* heicQualityKey = "kelvaro.heicQuality";
    static constexpr double defaultJpegQuality = 0.9;
    static constexpr double defaultHeicQuality = 0.85;

    explicit ExportSettingsTab(QWidget* parent = nullptr);

    // The percentage shown for a quality 0–1: rounded to a whole number, halves away from zero.
    static QString percentText(double quality);
};

} // namespace kelvaro::settings
