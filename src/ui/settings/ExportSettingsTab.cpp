#include "ui/settings/ExportSettingsTab.h"

#include <cmath>

#include <QComboBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <QtMath>

#include "engine/ImageEffects.h"
#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Readout.h"

namespace kelvaro::settings {
namespace {

// The slider counts twentieths, so that every position it can reach is a step of 5 %.
constexpr int kSteps = 20;

// A quality setting: its label with the percentage, and the slider under the label's text.
class QualitySliderRow : public QWidget {
public:
    QualitySliderRow(SettingLabel* label, const QString& key, double fallback, QWidget* parent)
        : QWidget(parent), m_key(key), m_fallback(fallback)
    {
        setObjectName(key);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(8);
        auto* top = new QHBoxLayout();
        label->setParent(this);
        top->addWidget(label, 1);
        m_percent = new Readout(TextStyle::body, this);
        m_percent->setObjectName(QStringLiteral("percent"));
        m_percent->setTextFont(Theme::font(TextStyle::body, QFont::Medium));
        m_percent->setColor(Theme::emberText());
        m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_percent->setMinimumWidth(qCeil(Readout::advance(QStringLiteral("100 %"), m_percent->textFont())) + 2);
        top->addWidget(m_percent, 0, Qt::AlignVCenter);
        column->addLayout(top);

        auto* line = new QHBoxLayout();
        line->setContentsMargins(36, 0, 0, 0);
        line->setSpacing(8);
        auto* smaller = new Text(QString(), TextStyle::caption, this);
        smaller->setColor(Theme::secondary());
        line->addWidget(smaller);
        m_slider = new QSlider(Qt::Horizontal, this);
        m_slider->setRange(kSteps / 2, kSteps);
        // An arrow moves one step of 5 %, Page Up/Down ten percent, as the sheets' quality sliders.
        m_slider->setSingleStep(1);
        m_slider->setPageStep(2);
        line->addWidget(m_slider, 1);
        auto* higher = new Text(QString(), TextStyle::caption, this);
        higher->setColor(Theme::secondary());
        line->addWidget(higher);
        column->addLayout(line);
        followLanguage(this, [smaller, higher, this] {
            smaller->setText(L("Menší soubor"));
            higher->setText(L("Vyšší kvalita"));
            m_slider->setAccessibleName(L("Kvalita"));
        });

        // Only a move of the slider writes; showing the stored value does not.
        connect(m_slider, &QSlider::valueChanged, this,
                [this](int steps) { Settings::shared().setValue(m_key, double(steps) / kSteps); });
        connect(&Settings::shared(), &Settings::changed, this, [this](const QString& changed) {
            if (changed == m_key)
                refresh();
        });
        refresh();
    }

private:
    void refresh()
    {
        const double quality = Settings::shared().numberValue(m_key).value_or(m_fallback);
        m_percent->setText(ExportSettingsTab::percentText(quality));
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(int(std::lround(qBound(0.5, quality, 1.0) * kSteps)));
    }

    QString m_key;
    double m_fallback;
    Readout* m_percent;
    QSlider* m_slider;
};

} // namespace

QString ExportSettingsTab::percentText(double quality)
{
    return Lf("%lld %%", qint64(std::lround(quality * 100)));
}

ExportSettingsTab::ExportSettingsTab(QWidget* parent) : SettingsPage(parent)
{
    setObjectName(QStringLiteral("export"));
    auto* quality = new SettingsSection([] { return L("Kvalita exportu"); },
                                        [] { return L("Kolem 85–90 % nepoznáš rozdíl od originálu a soubor bude výrazně menší."); });
    auto* jpeg = new SettingLabel(QStringLiteral("photo"), tint::orange(), [] { return L("JPEG"); },
                                  [] { return L("Nejrozšířenější formát, hodí se pro sdílení."); });
    quality->addRow(new QualitySliderRow(jpeg, QString::fromLatin1(jpegQualityKey), defaultJpegQuality, quality));
    auto* heic = new SettingLabel(QStringLiteral("photo.stack"), tint::indigo(), [] { return L("HEIC"); },
                                  [] { return L("Formát Applu, zhruba poloviční velikost při stejné kvalitě."); });
    quality->addRow(new QualitySliderRow(heic, QString::fromLatin1(heicQualityKey), defaultHeicQuality, quality));
    addSection(quality);

    auto* privacy = new SettingsSection([] { return L("Soukromí na fotkách"); });
    auto* row = new QHBoxLayout();
    row->addWidget(new SettingLabel(QStringLiteral("face.dashed"), tint::pink(), [] { return L("Skrytí obličejů"); },
                                    [] { return L("Jak nástroj Obličeje zakryje tváře."); }, privacy),
                   1);
    auto* picker = new QComboBox(privacy);
    picker->setObjectName(QStringLiteral("faceStyle"));
    for (FaceStyle style : allFaceStyles())
        picker->addItem(QString(), rawValue(style));
    row->addWidget(picker, 0, Qt::AlignVCenter);
    privacy->addRow(row);
    addSection(privacy);

    const QString faceKey = QString::fromLatin1(SettingsKey::faceStyle);
    const auto showStored = [picker, faceKey] {
        const QString stored = Settings::shared().stringOr(faceKey, rawValue(FaceStyle::blur));
        const QSignalBlocker quiet(picker);
        picker->setCurrentIndex(picker->findData(stored)); // -1 for a style it does not know
    };
    followLanguage(picker, [picker] {
        for (int i = 0; i < picker->count(); ++i)
            picker->setItemText(i, title(allFaceStyles().at(i), L10n::current()));
        picker->setAccessibleName(L("Skrytí obličejů"));
    });
    connect(picker, &QComboBox::activated, this, [picker, faceKey](int index) {
        if (index >= 0)
            Settings::shared().setValue(faceKey, picker->itemData(index).toString());
    });
    connect(&Settings::shared(), &Settings::changed, picker, [showStored, faceKey](const QString& key) {
        if (key == faceKey)
            showStored();
    });
    showStored();
}

} // namespace kelvaro::settings
