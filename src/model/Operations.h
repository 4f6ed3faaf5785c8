#pragma once
// The vocabulary every screen, the folder watcher and the engine use for work on photos: the
// operation, its parameter records, output formats, crop ratios, watermark positions, tool
// sheets, the engine's errors and the result of a run. Plain values, copied between threads.
#include <exception>
#include <optional>
#include <variant>

#include <QByteArray>
#include <QList>
#include <QString>

#include "l10n/Localization.h"
#include "model/PresetSpec.h"
#include "model/Workflow.h"

namespace kelvaro {

enum class ImageFormat { jpg, png, heic, tiff, pdf, zip };
QString rawValue(ImageFormat format);
std::optional<ImageFormat> imageFormatFromRaw(const QString& raw); // exact, case-sensitive
const QList<ImageFormat>& allImageFormats();
bool isLossy(ImageFormat format);
// The format of a source file by its extension (jpg/jpeg, heic/heif, tif/tiff, else png).
ImageFormat matchingFormat(const QString& path);

enum class CropRatio { square, portrait45, landscape32, landscape43, wide169, story916 };
QString rawValue(CropRatio ratio);
std::optional<CropRatio> cropRatioFromRaw(const QString& raw);
const QList<CropRatio>& allCropRatios();
QString label(CropRatio ratio);   // "1:1", "4:5", … (not localized)
double ratioValue(CropRatio ratio); // width / height

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

struct CropSpec {
    CropRatio ratio = CropRatio::square;
    double offsetX = 0.5; // 0 keeps the left edge, 1 the right, 0.5 centres
    double offsetY = 0.5;
    bool operator==(const CropSpec&) const = default;
    // The largest rectangle of the ratio inside width × height, placed by the offsets; origin top-left.
    PixelRect rect(int width, int height) const;
};

struct ResizeSpec {
    bool usePercent = true;
    double percent = 50;   // of the source size
    int longEdge = 1920;   // px
    bool operator==(const ResizeSpec&) const = default;
};

struct RenameSpec {
    QString name;          // empty: each file keeps its own base name
    bool numbered = true;
    int start = 1;
    bool operator==(const RenameSpec&) const = default;
};

struct AdjustSpec {
    int turns = 0;         // quarter turns clockwise; only turns mod 4 counts
    bool flipH = false;
    bool flipV = false;
    double brightness = 0; // offset
    double contrast = 1;   // factor
    bool mono = false;
    bool operator==(const AdjustSpec&) const = default;
};

enum class WatermarkPosition { topLeft, topRight, center, bottomLeft, bottomRight };
QString rawValue(WatermarkPosition position);
std::optional<WatermarkPosition> watermarkPositionFromRaw(const QString& raw);
const QList<WatermarkPosition>& allWatermarkPositions();
QString title(WatermarkPosition position); // localized

struct WatermarkSpec {
    QString text;
    WatermarkPosition position = WatermarkPosition::bottomRight;
    double opacity = 0.8;      // 0–1
    double sizePercent = 5;    // of the shorter image side
    std::optional<QString> logoPath; // when present the logo is drawn instead of the text
    bool operator==(const WatermarkSpec&) const = default;
};

enum class ToolSheet { crop, resize, compress, watermark, rename, shelf, adjust, presets, platformCrop, clipboard };
QString rawValue(ToolSheet sheet);
std::optional<ToolSheet> toolSheetFromRaw(const QString& raw);

// The 15 operations. Each alternative is a small tagged record.
namespace op {
struct Adjust { AdjustSpec spec; };
struct Preset { PresetSpec spec; };
struct RunWorkflow { Workflow workflow; };
struct Convert { ImageFormat format = ImageFormat::jpg; };
struct Crop { CropSpec spec; };
struct Resize { ResizeSpec spec; };
struct Compress { double quality = 0.7; }; // 0–1
struct Watermark { WatermarkSpec spec; };
struct Rename { RenameSpec spec; };
struct BlurFaces {};
struct RemoveBackground {};
struct Ocr {};
struct Scan {};
struct StripMetadata {};
struct Move {};
} // namespace op

struct KelvaroOp {
    using Value = std::variant<op::Adjust, op::Preset, op::RunWorkflow, op::Convert, op::Crop, op::Resize,
                               op::Compress, op::Watermark, op::Rename, op::BlurFaces, op::RemoveBackground,
                               op::Ocr, op::Scan, op::StripMetadata, op::Move>;
    Value value;

    template <typename T>
    const T* as() const { return std::get_if<T>(&value); }
    template <typename T>
    bool is() const { return std::holds_alternative<T>(value); }

    // The title as history stores it: the Czech source text, whatever the interface language,
    // so stored titles never mix languages and filters can test them.
    QString storedTitle() const;
    QString title() const;  // storedTitle() translated (LParts), at each call
    QString symbol() const; // symbol name (mapped to an icon by the UI)

    static KelvaroOp adjust(const AdjustSpec& s) { return {op::Adjust{s}}; }
    static KelvaroOp preset(const PresetSpec& s) { return {op::Preset{s}}; }
    static KelvaroOp workflow(const Workflow& w) { return {op::RunWorkflow{w}}; }
    static KelvaroOp convert(ImageFormat f) { return {op::Convert{f}}; }
    static KelvaroOp crop(const CropSpec& s) { return {op::Crop{s}}; }
    static KelvaroOp resize(const ResizeSpec& s) { return {op::Resize{s}}; }
    static KelvaroOp compress(double quality) { return {op::Compress{quality}}; }
    static KelvaroOp watermark(const WatermarkSpec& s) { return {op::Watermark{s}}; }
    static KelvaroOp rename(const RenameSpec& s) { return {op::Rename{s}}; }
    static KelvaroOp blurFaces() { return {op::BlurFaces{}}; }
    static KelvaroOp removeBackground() { return {op::RemoveBackground{}}; }
    static KelvaroOp ocr() { return {op::Ocr{}}; }
    static KelvaroOp scan() { return {op::Scan{}}; }
    static KelvaroOp stripMetadata() { return {op::StripMetadata{}}; }
    static KelvaroOp move() { return {op::Move{}}; }
};

// The engine's one error type, for a failing file and for a whole run: its case and the message
// for the user. Libraries' own exceptions are mapped to it where they are caught, so callers
// catch this type alone. Messages of the per-file cases are localized when asked.
class KelvaroError : public std::exception {
public:
    enum class Kind { unreadable, writeFailed, noSubject, noFaces, tooLarge, tooManyPixels, copyFailed, runFailed, encodeFailed, diskFull, notEnoughMemory, pageBeyondBounds };

    static KelvaroError unreadable(const QString& fileName) { return {Kind::unreadable, fileName}; }
    static KelvaroError writeFailed(const QString& fileName) { return {Kind::writeFailed, fileName}; }
    static KelvaroError noSubject(const QString& fileName) { return {Kind::noSubject, fileName}; }
    static KelvaroError noFaces(const QString& fileName) { return {Kind::noFaces, fileName}; }
    static KelvaroError tooLarge() { return {Kind::tooLarge, QString()}; }
    // A readable source above the engine's pixel ceiling (kMaxPixels); the message names it.
    static KelvaroError tooManyPixels(const QString& fileName) { return {Kind::tooManyPixels, fileName}; }
    // A file the file system would not copy (a move or a rename).
    static KelvaroError copyFailed(const QString& fileName) { return {Kind::copyFailed, fileName}; }
    // The encoder of the result's format would not take the image (names the result's file); no
    // fault of the output folder.
    static KelvaroError encodeFailed(const QString& fileName) { return {Kind::encodeFailed, fileName}; }
    // The result (or copy) did not fit: its disk, or the user's quota on it, is full. No fault of
    // the output folder.
    static KelvaroError diskFull(const QString& fileName) { return {Kind::diskFull, fileName}; }
    // The source needs more memory than the process may hold at all (a memory cgroup's hard
    // limit): refused before its work, so the kernel does not kill the application.
    static KelvaroError notEnoughMemory(const QString& fileName) { return {Kind::notEnoughMemory, fileName}; }
    // A PDF whose page's drawing went past the memory or the CPU time a page may take: refused,
    // its drawing ended, so that no page takes the application down or holds a run.
    static KelvaroError pageBeyondBounds(const QString& fileName) { return {Kind::pageBeyondBounds, fileName}; }
    // A whole run failed: nothing came out. `message` is already for the user (the first file's).
    static KelvaroError runFailed(const QString& message);

    Kind kind() const { return m_kind; }
    QString fileName() const { return m_fileName; } // last path component, never a full path; none for a run
    QString message() const;                        // the user-facing sentence, localized
    QString message(AppLanguage language) const;    // the same in `language` (a run's own)
    const char* what() const noexcept override;

private:
    KelvaroError(Kind kind, const QString& fileName);
    Kind m_kind;
    QString m_fileName;
    QString m_message; // a run's failure only
    QByteArray m_what;
};

struct OpEntry {
    QString fileName;               // last path component of the source, as shown (U+FFFD for a byte not UTF-8)
    qint64 savedBytes = 0;          // never negative
    std::optional<QString> outputPath;
    QString sourcePath = {};        // the input as given; empty for a combined output
    bool operator==(const OpEntry&) const = default;
};

struct FileMove {
    QString from; // absolute paths
    QString to;
    bool operator==(const FileMove&) const = default;
};

struct OpResult {
    QStringList outputs;            // absolute paths, in input order
    QList<OpEntry> entries;
    int failed = 0;
    std::optional<QString> firstError;
    QStringList failures;           // every failed file's message (each names its file), in input order
    std::optional<QString> text;    // recognised text of an ocr run
    QList<FileMove> moves;
    int keptOriginals = 0;
};

} // namespace kelvaro
