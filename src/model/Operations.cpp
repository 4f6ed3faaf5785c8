#include "model/Operations.h"

#include <algorithm>
#include <cmath>

#include <QFileInfo>

#include "l10n/Localization.h"
#include "model/Limits.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

// Nearest integer, halves away from zero; clamped so a hostile size never overflows.
int roundedInt(double value)
{
    if (!std::isfinite(value))
        return 0;
    return int(std::clamp(std::round(value), -2147483648.0, 2147483647.0));
}

template <typename E>
std::optional<E> fromRaw(const QList<E>& all, const QString& raw)
{
    for (E e : all)
        if (rawValue(e) == raw)
            return e;
    return std::nullopt;
}

} // namespace

// ---- ImageFormat ----------------------------------------------------------------------------

QString rawValue(ImageFormat format)
{
    switch (format) {
    case ImageFormat::jpg: return QStringLiteral("jpg");
    case ImageFormat::png: return QStringLiteral("png");
    case ImageFormat::heic: return QStringLiteral("heic");
    case ImageFormat::tiff: return QStringLiteral("tiff");
    case ImageFormat::pdf: return QStringLiteral("pdf");
    case ImageFormat::zip: return QStringLiteral("zip");
    }
    return QStringLiteral("png");
}

const QList<ImageFormat>& allImageFormats()
{
    static const QList<ImageFormat> all{ImageFormat::jpg, ImageFormat::png, ImageFormat::heic,
                                        ImageFormat::tiff, ImageFormat::pdf, ImageFormat::zip};
    return all;
}

std::optional<ImageFormat> imageFormatFromRaw(const QString& raw)
{
    return fromRaw(allImageFormats(), raw);
}

bool isLossy(ImageFormat format)
{
    return format == ImageFormat::jpg || format == ImageFormat::heic;
}

ImageFormat matchingFormat(const QString& path)
{
    // Only the last component counts: a dot in a folder name is no extension.
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return ImageFormat::jpg;
    if (ext == QLatin1String("heic") || ext == QLatin1String("heif"))
        return ImageFormat::heic;
    if (ext == QLatin1String("tif") || ext == QLatin1String("tiff"))
        return ImageFormat::tiff;
    return ImageFormat::png;
}

// ---- CropRatio and CropSpec -----------------------------------------------------------------

QString rawValue(CropRatio ratio)
{
    switch (ratio) {
    case CropRatio::square: return QStringLiteral("square");
    case CropRatio::portrait45: return QStringLiteral("portrait45");
    case CropRatio::landscape32: return QStringLiteral("landscape32");
    case CropRatio::landscape43: return QStringLiteral("landscape43");
    case CropRatio::wide169: return QStringLiteral("wide169");
    case CropRatio::story916: return QStringLiteral("story916");
    }
    return QStringLiteral("square");
}

const QList<CropRatio>& allCropRatios()
{
    static const QList<CropRatio> all{CropRatio::square, CropRatio::portrait45, CropRatio::landscape32,
                                      CropRatio::landscape43, CropRatio::wide169, CropRatio::story916};
    return all;
}

std::optional<CropRatio> cropRatioFromRaw(const QString& raw)
{
    return fromRaw(allCropRatios(), raw);
}

QString label(CropRatio ratio)
{
    switch (ratio) {
    case CropRatio::square: return QStringLiteral("1:1");
    case CropRatio::portrait45: return QStringLiteral("4:5");
    case CropRatio::landscape32: return QStringLiteral("3:2");
    case CropRatio::landscape43: return QStringLiteral("4:3");
    case CropRatio::wide169: return QStringLiteral("16:9");
    case CropRatio::story916: return QStringLiteral("9:16");
    }
    return QStringLiteral("1:1");
}

double ratioValue(CropRatio ratio)
{
    switch (ratio) {
    case CropRatio::square: return 1.0;
    case CropRatio::portrait45: return 0.8;
    case CropRatio::landscape32: return 1.5;
    case CropRatio::landscape43: return 4.0 / 3.0;
    case CropRatio::wide169: return 16.0 / 9.0;
    case CropRatio::story916: return 0.5625;
    }
    return 1.0;
}

PixelRect CropSpec::rect(int width, int height) const
{
    const double W = width;
    const double H = height;
    const double r = ratioValue(ratio);
    const double aspect = W / std::max(H, 1.0);
    double fw = 1, fh = 1;
    if (aspect > r)
        fw = r / aspect;
    else
        fh = aspect / r;
    const int w = std::max(roundedInt(fw * W), 1);
    const int h = std::max(roundedInt(fh * H), 1);
    const int x = roundedInt(offsetX * (W - w));
    const int y = roundedInt(offsetY * (H - h));
    return {x, y, w, h};
}

// ---- WatermarkPosition ----------------------------------------------------------------------

QString rawValue(WatermarkPosition position)
{
    switch (position) {
    case WatermarkPosition::topLeft: return QStringLiteral("topLeft");
    case WatermarkPosition::topRight: return QStringLiteral("topRight");
    case WatermarkPosition::center: return QStringLiteral("center");
    case WatermarkPosition::bottomLeft: return QStringLiteral("bottomLeft");
    case WatermarkPosition::bottomRight: return QStringLiteral("bottomRight");
    }
    return QStringLiteral("bottomRight");
}

const QList<WatermarkPosition>& allWatermarkPositions()
{
    static const QList<WatermarkPosition> all{WatermarkPosition::topLeft, WatermarkPosition::topRight,
                                              WatermarkPosition::center, WatermarkPosition::bottomLeft,
                                              WatermarkPosition::bottomRight};
    return all;
}

std::optional<WatermarkPosition> watermarkPositionFromRaw(const QString& raw)
{
    return fromRaw(allWatermarkPositions(), raw);
}

QString title(WatermarkPosition position)
{
    switch (position) {
    case WatermarkPosition::topLeft: return L("Vlevo nahoře");
    case WatermarkPosition::topRight: return L("Vpravo nahoře");
    case WatermarkPosition::center: return L("Uprostřed");
    case WatermarkPosition::bottomLeft: return L("Vlevo dole");
    case WatermarkPosition::bottomRight: return L("Vpravo dole");
    }
    return {};
}

// ---- ToolSheet --------------------------------------------------------------------------------

QString rawValue(ToolSheet sheet)
{
    switch (sheet) {
    case ToolSheet::crop: return QStringLiteral("crop");
    case ToolSheet::resize: return QStringLiteral("resize");
    case ToolSheet::compress: return QStringLiteral("compress");
    case ToolSheet::watermark: return QStringLiteral("watermark");
    case ToolSheet::rename: return QStringLiteral("rename");
    case ToolSheet::shelf: return QStringLiteral("shelf");
    case ToolSheet::adjust: return QStringLiteral("adjust");
    case ToolSheet::presets: return QStringLiteral("presets");
    case ToolSheet::platformCrop: return QStringLiteral("platformCrop");
    case ToolSheet::clipboard: return QStringLiteral("clipboard");
    }
    return {};
}

std::optional<ToolSheet> toolSheetFromRaw(const QString& raw)
{
    static const QList<ToolSheet> all{ToolSheet::crop, ToolSheet::resize, ToolSheet::compress,
                                      ToolSheet::watermark, ToolSheet::rename, ToolSheet::shelf,
                                      ToolSheet::adjust, ToolSheet::presets, ToolSheet::platformCrop,
                                      ToolSheet::clipboard};
    return fromRaw(all, raw);
}

// ---- KelvaroOp --------------------------------------------------------------------------------

namespace {
template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;
} // namespace

QString KelvaroOp::storedTitle() const
{
    // Czech as written (each marked for the English table, where English words a history title
    // apart from the same Czech elsewhere, as one); the formats with a name are the ones LParts
    // knows to translate.
    const auto named = [](const char* format, const QString& name) { return formatText(QString::fromUtf8(format), {name}); };
    const auto text = [](const char* czech) { return QString::fromUtf8(czech); };
    return std::visit(
        Overloaded{
            [&](const op::Adjust&) { return text(LKey("Úpravy")); },
            [&](const op::Preset& p) { return named("Předvolba %@", p.spec.name); },
            [&](const op::RunWorkflow& w) { return named("Postup %@", w.workflow.name); },
            [&](const op::Convert& c) {
                if (c.format == ImageFormat::zip)
                    return text(LKey("Zabalit do ZIP"));
                if (c.format == ImageFormat::pdf)
                    return text(LKey("Spojit do PDF"));
                return named("Převod na %@", rawValue(c.format).toUpper());
            },
            [&](const op::Crop& c) { return named("Ořez %@", label(c.spec.ratio)); },
            [&](const op::Resize&) { return text(LKey("Změna velikosti")); },
            [&](const op::Compress&) { return text(LKey("Komprese")); },
            [&](const op::Watermark&) { return text(LKey("Vodoznak")); },
            [&](const op::Rename&) { return text(LKey("Přejmenování")); },
            [&](const op::BlurFaces&) { return text(LKey("Rozmazat obličeje", "history title")); },
            [&](const op::RemoveBackground&) { return text(LKey("Odstranit pozadí", "history title")); },
            [&](const op::Ocr&) { return text(LKey("Text z obrázku")); },
            [&](const op::Scan&) { return text(LKey("Sken dokumentu")); },
            [&](const op::StripMetadata&) { return text(LKey("Odstranit metadata")); },
            [&](const op::Move&) { return text(LKey("Přesun")); },
        },
        value);
}

QString KelvaroOp::title() const
{
    // A built-in preset or workflow name (a Czech text) shows translated; a user's own as typed.
    return LParts(storedTitle());
}

QString KelvaroOp::symbol() const
{
    return std::visit(
        Overloaded{
            [](const op::Adjust&) { return QStringLiteral("slider.horizontal.3"); },
            [](const op::Preset&) { return QStringLiteral("bolt.fill"); },
            [](const op::RunWorkflow& w) { return w.workflow.symbol; },
            [](const op::Convert& c) {
                if (c.format == ImageFormat::zip)
                    return QStringLiteral("doc.zipper");
                if (c.format == ImageFormat::pdf)
                    return QStringLiteral("doc.richtext");
                return QStringLiteral("photo");
            },
            [](const op::Crop&) { return QStringLiteral("crop"); },
            [](const op::Resize&) { return QStringLiteral("arrow.up.left.and.arrow.down.right"); },
            [](const op::Compress&) { return QStringLiteral("arrow.down.right.and.arrow.up.left"); },
            [](const op::Watermark&) { return QStringLiteral("signature"); },
            [](const op::Rename&) { return QStringLiteral("character.cursor.ibeam"); },
            [](const op::BlurFaces&) { return QStringLiteral("face.dashed"); },
            [](const op::RemoveBackground&) { return QStringLiteral("person.crop.rectangle"); },
            [](const op::Ocr&) { return QStringLiteral("text.viewfinder"); },
            [](const op::Scan&) { return QStringLiteral("doc.viewfinder"); },
            [](const op::StripMetadata&) { return QStringLiteral("eye.slash"); },
            [](const op::Move&) { return QStringLiteral("folder"); },
        },
        value);
}

// ---- KelvaroError -----------------------------------------------------------------------------

KelvaroError::KelvaroError(Kind kind, const QString& fileName)
    : m_kind(kind)
    // Callers sometimes hold a full path; the message names the file only, as text a person can
    // read even when the name was not valid UTF-8.
    , m_fileName(fileName.isEmpty() ? QString() : NativePath::displayName(QFileInfo(fileName).fileName()))
{
    // what() serves logs and foreign catch sites: plain English, independent of the language setting.
    switch (m_kind) {
    case Kind::unreadable: m_what = "unreadable: "; break;
    case Kind::writeFailed: m_what = "write failed: "; break;
    case Kind::noSubject: m_what = "no subject: "; break;
    case Kind::noFaces: m_what = "no faces: "; break;
    case Kind::tooLarge: m_what = "archive too large"; break;
    case Kind::tooManyPixels: m_what = "too many pixels: "; break;
    case Kind::copyFailed: m_what = "copy failed: "; break;
    case Kind::runFailed: m_what = "run failed"; break;
    case Kind::encodeFailed: m_what = "encoder refused: "; break;
    case Kind::diskFull: m_what = "disk full: "; break;
    case Kind::notEnoughMemory: m_what = "not enough memory: "; break;
    case Kind::pageBeyondBounds: m_what = "page beyond bounds: "; break;
    }
    m_what += m_fileName.toUtf8();
}

KelvaroError KelvaroError::runFailed(const QString& message)
{
    KelvaroError error(Kind::runFailed, QString());
    error.m_message = message;
    error.m_what += ": " + message.toUtf8();
    return error;
}

QString KelvaroError::message() const
{
    return message(L10n::current());
}

QString KelvaroError::message(AppLanguage language) const
{
    switch (m_kind) {
    case Kind::unreadable: return Lf(language, "Soubor „%@“ se nepodařilo otevřít.", m_fileName);
    case Kind::writeFailed:
        return Lf(language, "Výsledek „%@“ se nepodařilo uložit. Zkontroluj složku v Nastavení.", m_fileName);
    case Kind::noSubject: return Lf(language, "Na snímku „%@“ jsem nenašel hlavní objekt.", m_fileName);
    case Kind::noFaces: return Lf(language, "Na snímku „%@“ jsem nenašel žádný obličej.", m_fileName);
    case Kind::tooLarge: return L(language, "Archiv by byl příliš velký (limit je 4 GB).");
    case Kind::tooManyPixels:
        return Lf(language, "Fotka „%@“ je příliš velká (limit je %lld megapixelů).", m_fileName, kMaxPixels / 1000000);
    case Kind::copyFailed: return Lf(language, "Soubor „%@“ se nepodařilo zkopírovat.", m_fileName);
    case Kind::runFailed: return m_message;
    case Kind::encodeFailed:
        return Lf(language, "Obrázek „%@“ se v tomto formátu nepodařilo zakódovat.", m_fileName);
    case Kind::diskFull: return Lf(language, "Výsledek „%@“ se nepodařilo uložit – na disku není místo.", m_fileName);
    case Kind::notEnoughMemory: return Lf(language, "Na fotku „%@“ nestačí paměť.", m_fileName);
    case Kind::pageBeyondBounds:
        return Lf(language, "Stránka PDF „%@“ potřebuje víc paměti nebo času, než Kelvaro jedné stránce PDF dovolí.", m_fileName);
    }
    return {};
}

const char* KelvaroError::what() const noexcept
{
    return m_what.constData();
}

} // namespace kelvaro
