// kelvaro-process: drives the image engine from the command line, for tests, benchmarks and
// reviewers (a development tool, not a user feature).
//
//   kelvaro-process --op '<JSON>' --out DIR [--set KEY=JSON]... FILE...
//   kelvaro-process --thumbnails SIZE --out DIR FILE...
//
// Prints one JSON object with the run's result and exits 0; prints {"error": "<message>"} and
// exits 1 when the run fails as a whole, or (with a message on stderr, before any run) when the
// --set values could not be saved; exits 2 with a message on stderr for bad arguments.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QStringList>

#include "engine/ImageEngine.h"
#include "engine/MemoryBudget.h"
#include "platform/BackgroundPools.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"

using namespace kelvaro;

namespace {

constexpr int kBadArguments = 2;

const char* const kUsage =
    "usage: kelvaro-process --op '<JSON>' --out DIR [--set KEY=JSON]... FILE...\n"
    "  --op   {\"convert\":\"jpg\"} (jpg png heic tiff pdf zip), {\"crop\":{\"ratio\":\"wide169\",\"offsetX\":0.5,\"offsetY\":0.5}},\n"
    "         {\"resize\":{\"usePercent\":false,\"percent\":100,\"longEdge\":1600}}, {\"compress\":0.7},\n"
    "         {\"adjust\":{\"turns\":1,\"flipH\":false,\"flipV\":false,\"brightness\":0,\"contrast\":1,\"mono\":false}},\n"
    "         {\"watermark\":{\"text\":\"...\",\"position\":\"bottomRight\",\"opacity\":0.8,\"sizePercent\":5,\"logo\":\"/path\"}},\n"
    "         {\"rename\":{\"name\":\"...\",\"numbered\":true,\"start\":1}}, {\"preset\":<preset>}, {\"workflow\":<workflow>},\n"
    "         \"blurFaces\", \"removeBackground\", \"ocr\", \"scan\", \"stripMetadata\", \"move\"\n"
    "  --out  the output folder (created when missing)\n"
    "  --set  a setting written before the run, e.g. kelvaro.describeNames=false\n"
    "  --memory MB  the memory the run may count as available, in place of the machine's (half of it is\n"
    "         the budget), to measure the budget's hold on a small machine\n"
    "  --thumbnails SIZE  in place of --op: each file decoded as the application's thumbnails are (at most\n"
    "         SIZE pixels a side, on a pool of background threads) and written to DIR as PNG\n";

// A bad argument: reported on stderr, exit 2.
struct ArgumentError {
    QString message;
};

[[noreturn]] void fail(const QString& message)
{
    throw ArgumentError{message};
}

// Members of an operation's object: optional with the sheet's starting value, but of the right
// type when present.
class Members {
public:
    Members(const QJsonValue& value, const QString& op) : m_op(op)
    {
        if (!value.isObject())
            fail(QStringLiteral("\"%1\" needs an object").arg(op));
        m_object = value.toObject();
    }
    double number(const char* key, double fallback) const
    {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull())
            return fallback;
        if (!v.isDouble())
            fail(QStringLiteral("%1.%2 must be a number").arg(m_op, QLatin1String(key)));
        return v.toDouble();
    }
    int integer(const char* key, int fallback) const
    {
        const double v = number(key, fallback);
        if (v != double(int(v)))
            fail(QStringLiteral("%1.%2 must be a whole number").arg(m_op, QLatin1String(key)));
        return int(v);
    }
    bool boolean(const char* key, bool fallback) const
    {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull())
            return fallback;
        if (!v.isBool())
            fail(QStringLiteral("%1.%2 must be true or false").arg(m_op, QLatin1String(key)));
        return v.toBool();
    }
    std::optional<QString> string(const char* key) const
    {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull())
            return std::nullopt;
        if (!v.isString())
            fail(QStringLiteral("%1.%2 must be a string").arg(m_op, QLatin1String(key)));
        return v.toString();
    }

private:
    QJsonObject m_object;
    QString m_op;
};

template <typename E>
E enumValue(const std::optional<QString>& raw, E fallback, std::optional<E> (*parse)(const QString&), const QString& what)
{
    if (!raw)
        return fallback;
    const std::optional<E> value = parse(*raw);
    if (!value)
        fail(QStringLiteral("unknown %1 \"%2\"").arg(what, *raw));
    return *value;
}

KelvaroOp parseOp(const QByteArray& text)
{
    // Wrapped in an array: a plain string is valid JSON too.
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson("[" + text + "]", &error);
    if (error.error != QJsonParseError::NoError || document.array().size() != 1)
        fail(QStringLiteral("--op is not JSON: %1").arg(error.errorString()));
    const QJsonValue value = document.array().first();

    if (value.isString()) {
        const QString name = value.toString();
        if (name == QLatin1String("blurFaces")) return KelvaroOp::blurFaces();
        if (name == QLatin1String("removeBackground")) return KelvaroOp::removeBackground();
        if (name == QLatin1String("ocr")) return KelvaroOp::ocr();
        if (name == QLatin1String("scan")) return KelvaroOp::scan();
        if (name == QLatin1String("stripMetadata")) return KelvaroOp::stripMetadata();
        if (name == QLatin1String("move")) return KelvaroOp::move();
        fail(QStringLiteral("unknown operation \"%1\"").arg(name));
    }
    if (!value.isObject() || value.toObject().size() != 1)
        fail(QStringLiteral("--op must be a name or an object with one member"));
    const QString op = value.toObject().begin().key();
    const QJsonValue payload = value.toObject().begin().value();

    if (op == QLatin1String("convert")) {
        if (!payload.isString())
            fail(QStringLiteral("convert needs a format name"));
        return KelvaroOp::convert(enumValue(std::optional<QString>(payload.toString()), ImageFormat::jpg,
                                            imageFormatFromRaw, QStringLiteral("format")));
    }
    if (op == QLatin1String("compress")) {
        if (!payload.isDouble())
            fail(QStringLiteral("compress needs a quality from 0 to 1"));
        return KelvaroOp::compress(payload.toDouble());
    }
    if (op == QLatin1String("crop")) {
        const Members m(payload, op);
        return KelvaroOp::crop({enumValue(m.string("ratio"), CropRatio::square, cropRatioFromRaw, QStringLiteral("ratio")),
                                m.number("offsetX", 0.5), m.number("offsetY", 0.5)});
    }
    if (op == QLatin1String("resize")) {
        const Members m(payload, op);
        return KelvaroOp::resize({m.boolean("usePercent", true), m.number("percent", 50), m.integer("longEdge", 1920)});
    }
    if (op == QLatin1String("adjust")) {
        const Members m(payload, op);
        return KelvaroOp::adjust({m.integer("turns", 0), m.boolean("flipH", false), m.boolean("flipV", false),
                                  m.number("brightness", 0), m.number("contrast", 1), m.boolean("mono", false)});
    }
    if (op == QLatin1String("watermark")) {
        const Members m(payload, op);
        WatermarkSpec spec;
        spec.text = m.string("text").value_or(QStringLiteral("© Moje fotky"));
        spec.position = enumValue(m.string("position"), WatermarkPosition::bottomRight, watermarkPositionFromRaw,
                                  QStringLiteral("position"));
        spec.opacity = m.number("opacity", 0.8);
        spec.sizePercent = m.number("sizePercent", 5);
        if (const std::optional<QString> logo = m.string("logo"))
            spec.logoPath = QFileInfo(*logo).absoluteFilePath();
        return KelvaroOp::watermark(spec);
    }
    if (op == QLatin1String("rename")) {
        const Members m(payload, op);
        return KelvaroOp::rename({m.string("name").value_or(QString()), m.boolean("numbered", true), m.integer("start", 1)});
    }
    if (op == QLatin1String("preset")) {
        const std::optional<PresetSpec> preset = PresetSpec::fromJson(payload);
        if (!preset)
            fail(QStringLiteral("preset is not a valid preset record"));
        return KelvaroOp::preset(*preset);
    }
    if (op == QLatin1String("workflow")) {
        const std::optional<Workflow> workflow = Workflow::fromJson(payload);
        if (!workflow)
            fail(QStringLiteral("workflow is not a valid workflow record"));
        return KelvaroOp::workflow(*workflow);
    }
    fail(QStringLiteral("unknown operation \"%1\"").arg(op));
}

void applySetting(const QString& assignment)
{
    const qsizetype equals = assignment.indexOf(QLatin1Char('='));
    if (equals <= 0)
        fail(QStringLiteral("--set needs KEY=JSON, got \"%1\"").arg(assignment));
    const QString key = assignment.left(equals);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson("[" + assignment.mid(equals + 1).toUtf8() + "]", &error);
    if (error.error != QJsonParseError::NoError || document.array().size() != 1)
        fail(QStringLiteral("--set %1: the value is not JSON").arg(key));
    const QJsonValue value = document.array().first();
    Settings& settings = Settings::shared();
    if (value.isNull()) {
        settings.remove(key);
    } else if (value.isBool()) {
        settings.setValue(key, value.toBool());
    } else if (value.isDouble()) {
        settings.setValue(key, value.toDouble());
    } else if (value.isString()) {
        settings.setValue(key, value.toString());
    } else if (value.isArray()) {
        QStringList list;
        for (const QJsonValue& item : value.toArray()) {
            if (!item.isString())
                fail(QStringLiteral("--set %1: only lists of strings are settings").arg(key));
            list << item.toString();
        }
        settings.setValue(key, list);
    } else {
        fail(QStringLiteral("--set %1: objects are no setting values").arg(key));
    }
}

QJsonValue optionalText(const std::optional<QString>& text)
{
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

// Compact JSON of one value, escaped as QJsonDocument escapes it.
QByteArray jsonText(const QJsonValue& value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// An object whose members keep the given order (QJsonObject would sort them by name).
QByteArray orderedObject(const QList<std::pair<QString, QByteArray>>& members)
{
    QByteArray text = "{";
    for (const auto& [key, value] : members) {
        if (text.size() > 1)
            text += ',';
        text += jsonText(key) + ':' + value;
    }
    return text + '}';
}

// The result's members in the order of its fields.
QByteArray resultText(const OpResult& result)
{
    QJsonArray outputs;
    for (const QString& output : result.outputs)
        outputs.append(output);
    QList<QByteArray> entries;
    for (const OpEntry& entry : result.entries)
        entries << orderedObject({{QStringLiteral("fileName"), jsonText(entry.fileName)},
                                  {QStringLiteral("savedBytes"), QByteArray::number(entry.savedBytes)},
                                  {QStringLiteral("outputPath"), jsonText(optionalText(entry.outputPath))}});
    QList<QByteArray> moves;
    for (const FileMove& move : result.moves)
        moves << orderedObject({{QStringLiteral("from"), jsonText(move.from)}, {QStringLiteral("to"), jsonText(move.to)}});
    return orderedObject({{QStringLiteral("outputs"), jsonText(outputs)},
                          {QStringLiteral("entries"), '[' + entries.join(',') + ']'},
                          {QStringLiteral("failed"), QByteArray::number(result.failed)},
                          {QStringLiteral("firstError"), jsonText(optionalText(result.firstError))},
                          {QStringLiteral("text"), jsonText(optionalText(result.text))},
                          {QStringLiteral("moves"), '[' + moves.join(',') + ']'},
                          {QStringLiteral("keptOriginals"), QByteArray::number(result.keptOriginals)}});
}

void print(const QByteArray& json)
{
    const QByteArray bytes = json + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void print(const QJsonObject& object)
{
    print(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

struct Arguments {
    KelvaroOp op;
    QString outDir;
    QStringList files;
    bool settingsSaved = true; // false when --set values could not be written to the settings file
    std::optional<qint64> availableBytes; // --memory
    int thumbnails = 0;                   // --thumbnails: their largest side; 0 runs the operation
};

Arguments parseArguments(const QStringList& args)
{
    std::optional<KelvaroOp> op;
    QString outDir;
    QStringList files;
    QStringList settings;
    std::optional<qint64> availableBytes;
    int thumbnails = 0;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto next = [&]() -> QString {
            if (i + 1 >= args.size())
                fail(QStringLiteral("%1 needs a value").arg(arg));
            return args[++i];
        };
        if (arg == QLatin1String("--op"))
            op = parseOp(next().toUtf8());
        else if (arg == QLatin1String("--out"))
            outDir = next();
        else if (arg == QLatin1String("--set"))
            settings << next();
        else if (arg == QLatin1String("--memory")) {
            bool ok = false;
            const qint64 megabytes = next().toLongLong(&ok);
            if (!ok || megabytes < 1 || megabytes > (qint64(1) << 32))
                fail(QStringLiteral("--memory needs a number of megabytes"));
            availableBytes = megabytes * 1'000'000;
        }
        else if (arg == QLatin1String("--thumbnails")) {
            bool ok = false;
            thumbnails = next().toInt(&ok);
            if (!ok || thumbnails < 1)
                fail(QStringLiteral("--thumbnails needs a number of pixels"));
            op = KelvaroOp::stripMetadata(); // not run
        }
        else if (arg == QLatin1String("--")) {
            files << args.mid(i + 1);
            break;
        } else if (arg.startsWith(QLatin1String("--")))
            fail(QStringLiteral("unknown option %1").arg(arg));
        else
            files << arg;
    }
    if (!op)
        fail(QStringLiteral("--op is required"));
    if (outDir.isEmpty())
        fail(QStringLiteral("--out is required"));
    if (!FileSystem::current().makePath(outDir))
        fail(QStringLiteral("the output folder %1 cannot be made").arg(NativePath::displayName(outDir)));
    for (const QString& setting : settings)
        applySetting(setting);
    const bool saved = Settings::shared().sync() || settings.isEmpty();
    // A relative name is put under the current folder by hand: QFileInfo would pass it through the
    // locale's encoding first and lose a byte that is not UTF-8.
    char* cwd = ::getcwd(nullptr, 0);
    const QString current = cwd ? NativePath::decoded(QByteArray(cwd)) : QDir::currentPath();
    std::free(cwd);
    const auto absolutePath = [&](const QString& path) {
        return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : current + QLatin1Char('/') + path);
    };
    QStringList absolute;
    for (const QString& file : files)
        absolute << absolutePath(file);
    return {*op, absolutePath(outDir), absolute, saved, availableBytes, thumbnails};
}

// Each file decoded at most `size` pixels a side, as the application's thumbnails are (on a pool of
// a few background threads), and written to `outDir` as PNG under its base name. Prints how many
// were made and failed.
int makeThumbnails(const QStringList& files, const QString& outDir, int size)
{
    QThreadPool* pool = BackgroundPools::make(qBound(1, QThread::idealThreadCount() / 2, 3), QThread::LowPriority);
    std::atomic_int failed = 0;
    for (const QString& file : files) {
        pool->start([file, outDir, size, &failed] {
            try {
                const Bitmap image = ImageEngine::load(file, size).image;
                const double longest = std::max(image.width(), image.height());
                const Bitmap small = longest > size ? image.resize(size / longest) : image;
                const QString target = outDir + QLatin1Char('/') + QFileInfo(file).completeBaseName() + QStringLiteral(".png");
                small.write_to_file(NativePath::encoded(target).constData());
            } catch (const std::exception& error) {
                std::fprintf(stderr, "kelvaro-process: %s: %s\n", qPrintable(NativePath::displayName(file)), error.what());
                ++failed;
            }
        });
    }
    pool->waitForDone();
    print({{QStringLiteral("thumbnails"), int(files.size()) - failed.load()}, {QStringLiteral("failed"), failed.load()}});
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Text watermarks need fonts, which need a GUI application, but no screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaro"));
    // From the bytes given, not QCoreApplication::arguments(): a file name that is not UTF-8
    // must still name its file.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << NativePath::decoded(QByteArray(argv[i]));
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    Arguments arguments;
    try {
        arguments = parseArguments(args);
    } catch (const ArgumentError& error) {
        std::fprintf(stderr, "kelvaro-process: %s\n%s", qPrintable(error.message), kUsage);
        return kBadArguments;
    }

    if (!arguments.settingsSaved) {
        // The run would follow settings that are not stored: the next one would not.
        std::fprintf(stderr, "kelvaro-process: the settings could not be saved to %s (%s); the file is unchanged\n",
                     qPrintable(Settings::shared().filePath()), std::strerror(Settings::shared().saveError()));
        return 1;
    }
    const EngineSettings settings = EngineSettings::read(Settings::shared());
    if (arguments.availableBytes)
        MemoryBudget::setAvailableMemoryOverride(arguments.availableBytes);
    // The PDF page drawers left waiting end with the run, reaped, so that their peak counts in
    // this process's own as a measure of it sees it.
    const auto ending = qScopeGuard([] { BackgroundPools::drain(); });
    if (arguments.thumbnails > 0)
        return makeThumbnails(arguments.files, arguments.outDir, arguments.thumbnails);
    try {
        print(resultText(ImageEngine::process(arguments.op, arguments.files, arguments.outDir, {}, settings)));
        return 0;
    } catch (const KelvaroError& error) {
        print({{QStringLiteral("error"), error.message(settings.language)}});
    }
    return 1;
}
