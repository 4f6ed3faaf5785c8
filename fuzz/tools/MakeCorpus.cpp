// Writes the seed corpora of the fuzz targets into <folder>/<target>/: small valid documents
// made by the application's own encoders and small images of every format it reads, plus a few
// hand-made edge cases. Run by scripts/fuzz when a corpus folder is missing; the output is kept
// in the tree (fuzz/corpus).
#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <vips/vips8>

#include "engine/Bitmap.h"
#include "model/Models.h"
#include "model/PresetSpec.h"
#include "model/WorkflowLibrary.h"
#include "platform/Bookmark.h"
#include "platform/Json.h"
#include "watch/WatchModels.h"

using namespace kelvaro;

namespace {

QString g_root;

void put(const char* target, const QString& name, const QByteArray& bytes)
{
    const QString dir = g_root + QLatin1Char('/') + QString::fromLatin1(target);
    QDir().mkpath(dir);
    QFile file(dir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

QByteArray compact(const QJsonArray& array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}
QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray withLength(const QByteArray& first, const QByteArray& second)
{
    QByteArray out;
    out.append(char(first.size() & 0xff));
    out.append(char((first.size() >> 8) & 0xff));
    return out + first + second;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

vips::VImage gradient(int width, int height, int bands)
{
    vips::VImage x = vips::VImage::xyz(width, height);
    vips::VImage r = x.extract_band(0) * (255.0 / width);
    vips::VImage g = x.extract_band(1) * (255.0 / height);
    vips::VImage b = (r + g) / 2;
    std::vector<vips::VImage> planes{r, g, b, r * 0 + 200};
    planes.resize(size_t(bands));
    return vips::VImage::bandjoin(planes).cast(VIPS_FORMAT_UCHAR).copy(
        vips::VImage::option()->set("interpretation", bands >= 3 ? VIPS_INTERPRETATION_sRGB : VIPS_INTERPRETATION_B_W));
}

void images(const QString& work)
{
    // The first byte picks the extension in the target: jpg png heic tiff gif webp bmp pdf.
    auto seed = [&](const char* name, char selector, const QString& path) {
        put("engine_load", QString::fromLatin1(name), QByteArray(1, selector) + readAll(path));
    };
    const vips::VImage rgb = gradient(24, 16, 3);
    const vips::VImage rgba = gradient(24, 16, 4);

    vips::VImage turned = rgb.copy();
    turned.set(VIPS_META_ORIENTATION, 6);
    turned.write_to_file(qPrintable(work + "/o6.jpg"), vips::VImage::option()->set("Q", 70));
    seed("jpeg-orientation6", 0, work + "/o6.jpg");
    rgb.write_to_file(qPrintable(work + "/p.jpg"), vips::VImage::option()->set("interlace", true)->set("Q", 60));
    seed("jpeg-progressive", 0, work + "/p.jpg");
    try {
        rgb.icc_transform("cmyk").write_to_file(qPrintable(work + "/cmyk.jpg"), vips::VImage::option()->set("strip", true)->set("Q", 60));
        seed("jpeg-cmyk", 0, work + "/cmyk.jpg");
    } catch (const vips::VError&) {
        std::fprintf(stderr, "no CMYK profile: CMYK seed left out\n");
    }

    rgba.write_to_file(qPrintable(work + "/a.png"));
    seed("png-alpha", 1, work + "/a.png");
    (rgb.cast(VIPS_FORMAT_USHORT) * 257)
        .cast(VIPS_FORMAT_USHORT)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16))
        .write_to_file(qPrintable(work + "/16.png"));
    seed("png-16bit", 1, work + "/16.png");
    gradient(24, 16, 1).write_to_file(qPrintable(work + "/grey.png"));
    seed("png-grey", 1, work + "/grey.png");

    rgb.write_to_file(qPrintable(work + "/h.heic"), vips::VImage::option()->set("Q", 30));
    seed("heic", 2, work + "/h.heic");
    turned.write_to_file(qPrintable(work + "/t.tiff"));
    seed("tiff-orientation6", 3, work + "/t.tiff");
    rgb.write_to_file(qPrintable(work + "/g.gif"));
    seed("gif", 4, work + "/g.gif");
    rgba.write_to_file(qPrintable(work + "/w.webp"), vips::VImage::option()->set("Q", 50));
    seed("webp", 5, work + "/w.webp");

    QImage bmp(24, 16, QImage::Format_RGB32);
    bmp.fill(QColor(30, 120, 200));
    bmp.save(work + "/b.bmp", "BMP");
    seed("bmp", 6, work + "/b.bmp");

    {
        QPdfWriter pdf(work + "/d.pdf");
        pdf.setResolution(72);
        pdf.setPageSize(QPageSize(QSizeF(40, 30), QPageSize::Point));
        pdf.setPageMargins(QMarginsF());
        QPainter painter(&pdf);
        painter.fillRect(QRectF(5, 5, 20, 10), Qt::red);
    }
    seed("pdf", 7, work + "/d.pdf");
    put("engine_load", QStringLiteral("empty-jpeg"), QByteArray(1, 0));
}

void documents(const QString& work)
{
    // presets
    put("presets", QStringLiteral("defaults.json"), PresetStore::encode(PresetSpec::defaults()));
    QList<PresetSpec> platform;
    for (const PlatformPresets& group : PlatformPresets::all())
        platform += group.presets;
    put("presets", QStringLiteral("platforms.json"), PresetStore::encode(platform));
    put("presets", QStringLiteral("empty-list.json"), "[]");
    put("presets", QStringLiteral("empty"), QByteArray());

    // workflows
    QJsonArray workflows;
    for (const Workflow& workflow : WorkflowLibrary::defaults())
        workflows.append(workflow.toJson());
    Workflow all;
    all.id = QUuid::createUuid();
    all.name = QStringLiteral("Vše");
    all.symbol = QStringLiteral("star");
    all.format = QStringLiteral("png");
    for (WorkflowStep::Kind kind : allWorkflowStepKinds())
        all.steps.append(WorkflowStep::make(kind));
    workflows.append(all.toJson());
    put("workflows", QStringLiteral("defaults.json"), compact(workflows));
    put("workflows", QStringLiteral("empty-list.json"), "[]");

    // library
    QFile probe(work + "/photo.jpg");
    (void)probe.open(QIODevice::WriteOnly);
    probe.close();
    QJsonArray activities;
    for (const ActivityItem& item : SampleData::activities())
        activities.append(item.toJson());
    QJsonArray shelves;
    QList<Shelf> sample = SampleData::shelves();
    for (int i = 0; i < sample.size(); ++i) {
        ShelfItem item;
        item.id = QUuid::createUuid();
        item.name = QStringLiteral("photo.jpg");
        item.bytes = 1234;
        item.added = QDateTime::fromSecsSinceEpoch(1700000000);
        if (i % 2 == 0)
            item.storedPath = QStringLiteral("out:Police/%1/photo.jpg").arg(sample[i].name);
        else
            item.bookmark = Bookmark::create(probe.fileName());
        sample[i].items.append(item);
        shelves.append(sample[i].toJson());
    }
    put("library", QStringLiteral("sample.json"), compact(QJsonObject{{"activities", activities}, {"shelves", shelves}}));
    put("library", QStringLiteral("empty.json"), R"({"activities":[],"shelves":[]})");

    // watch rules, actions and the seen document
    QList<WatchRule> rules;
    for (const WatchRecipe& recipe : WatchRecipe::all()) {
        put("watch_action", recipe.id + QStringLiteral(".json"), compact(recipe.action.toJson()));
        rules.append(WatchRule::make(work, Bookmark::create(work), recipe.action));
    }
    rules.append(WatchRule::make(work, Bookmark::create(work), WatchAction::workflow(WorkflowLibrary::defaults().first())));
    rules.last().lastRun = QDateTime::fromSecsSinceEpoch(1700000000);
    put("watch_action", QStringLiteral("workflow.json"), compact(rules.last().action.toJson()));
    put("watch_action", QStringLiteral("two-cases.json"), R"({"stripMetadata":{},"removeBackground":{}})");
    const QByteArray rulesDocument = encodeWatchRules(rules);
    put("watch_rules", QStringLiteral("recipes.json"), rulesDocument);
    put("watch_rules", QStringLiteral("empty-list.json"), "[]");
    QJsonObject seen;
    seen.insert(json::uuidText(rules.first().id), QJsonArray{QStringLiteral("IMG_1.jpg|1700000000|2048"),
                                                            QStringLiteral("a|b|c.png|1|1")});
    put("watch_seen", QStringLiteral("rules-and-seen"), withLength(rulesDocument, compact(seen)));
    put("watch_seen", QStringLiteral("seen-only"), withLength(QByteArray(), compact(seen)));

    // shelf tokens
    const QString uuid = json::uuidText(QUuid::createUuid());
    const QStringList tokens{QStringLiteral("out:Police/Dovolená/IMG_1.jpg"), uuid + QStringLiteral("/IMG_2.heic"),
                             QStringLiteral("_ScreenshotDemo/demo.png"), QStringLiteral("out:Police/../secret"),
                             uuid + QStringLiteral("/.."), QStringLiteral("/etc/passwd")};
    for (int i = 0; i < tokens.size(); ++i)
        put("shelf_token", QStringLiteral("token-%1").arg(i), tokens[i].toUtf8());

    // Lf: a format, then typed arguments (type byte + 8 bytes)
    auto lf = [](const char* format, const QByteArray& args) { return withLength(QByteArray(format), args); };
    auto integer = [](qint64 v) { return QByteArray(1, 'i') + QByteArray(reinterpret_cast<const char*>(&v), 8); };
    auto real = [](double v) { return QByteArray(1, 'd') + QByteArray(reinterpret_cast<const char*>(&v), 8); };
    auto text = [](const char* v) { return QByteArray(1, 's') + QByteArray(v).leftJustified(8, ' ', true); };
    put("lf_format", QStringLiteral("text"), lf("Kód: %@", text("ABC-123")));
    put("lf_format", QStringLiteral("count"), lf("Kelvaro (%lld souborů)", integer(12)));
    put("lf_format", QStringLiteral("positional"), lf("%2$@ z %1$lld", integer(3) + text("fotek")));
    put("lf_format", QStringLiteral("number"), lf("%.1f MB ušetřeno, %03d %%", real(12.345) + integer(7)));
    put("lf_format", QStringLiteral("hostile"), lf("%999999$@ %-9999.9999f %n %s%s%s", real(1e308)));

    // ZIP entry names, one per line
    put("zip_names", QStringLiteral("duplicates"), "IMG_1.jpg\nIMG_1.jpg\nIMG_1 2.jpg\nIMG_1.jpg");
    put("zip_names", QStringLiteral("odd"), ".hidden\nnoext\nnoext\nč ř ž.jpeg\n..\n");

    // bookmarks
    put("bookmark", QStringLiteral("file"), Bookmark::create(probe.fileName()));
    put("bookmark", QStringLiteral("folder"), Bookmark::create(work));
    put("bookmark", QStringLiteral("missing"),
        R"({"kind":"kelvaro.bookmark","path":"/nonexistent/x","device":"1","inode":"2","birth":"0"})");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir work;
    g_root = QString::fromLocal8Bit(argv[1]);
    initVips();
    documents(work.path());
    images(work.path());
    return 0;
}
