// PDF sources: a PDF under a photo's name is drawn as the PDF it is in any order and on any number
// of workers, a page is drawn at the size its caller shows, held once, and priced by its media box;
// a page of forms within forms is priced in bounded time and drawn, or refused once its drawing
// takes longer than a page may, and stops when asked.
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "engine/FileAbort.h"
#include "engine/ImageEngine.h"
#include "engine/ImageProbe.h"
#include "engine/MemoryBudget.h"
#include "platform/NativePath.h"
#include "../support/BudgetHold.h"
#include "../support/TestImages.h"
#include "../support/TestSupport.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

constexpr qint64 MB = 1024 * 1024;

class PdfSources : public test::InAndOut<> {
protected:
    // A copy of `pdf` in the input folder under `name`.
    QString copyAs(const QString& pdf, const QString& name) const
    {
        const QString path = in() + QLatin1Char('/') + name;
        EXPECT_TRUE(QFile::copy(pdf, path));
        return path;
    }

    // Red fills the page's left half and blue its right half (what ti::writePdf draws).
    static void expectPage(const Bitmap& page, QSize size)
    {
        ASSERT_EQ(QSize(page.width(), page.height()), size);
        EXPECT_EQ(page.bands(), 4);
        EXPECT_TRUE(ti::near(ti::colourAt(page, 0.1, 0.5), QColor(255, 0, 0), 10));
        EXPECT_TRUE(ti::near(ti::colourAt(page, 0.9, 0.5), QColor(0, 0, 255), 10));
    }
};

// libvips' own PDF decoder, reached through a photo's name, once freed poppler's settings under
// the pages drawn after it. Every name the engine takes for a photo, both orders, one worker and
// several.
TEST_F(PdfSources, aPdfUnderAPhotosNameIsDrawnAsAPdfBetweenOtherPdfs)
{
    const QString a = ti::writePdf(in(), QStringLiteral("a.pdf"), QSizeF(200, 100));
    const QString b = copyAs(a, QStringLiteral("b.pdf"));
    for (const char* ext : {"jpg", "jpeg", "png", "heic", "heif", "tif", "tiff", "gif", "webp", "bmp"}) {
        const QString disguised = copyAs(a, QStringLiteral("x.") + QLatin1String(ext));
        for (const QStringList& files : {QStringList{a, disguised, b}, QStringList{b, disguised, a}}) {
            for (const int jobs : {1, 3}) {
                SCOPED_TRACE(testing::Message() << ext << ", " << QFileInfo(files[0]).fileName().toStdString()
                                                << " first, " << jobs << " workers");
                QTemporaryDir out;
                qputenv("KELVARO_JOBS", QByteArray::number(jobs));
                const OpResult result = ImageEngine::process(KelvaroOp::convert(ImageFormat::png), files, out.path());
                qunsetenv("KELVARO_JOBS");
                EXPECT_EQ(result.failed, 0) << result.firstError.value_or(QString()).toStdString();
                ASSERT_EQ(result.outputs.size(), 3);
                for (const QString& output : result.outputs)
                    expectPage(ti::read(output), QSize(400, 200));
            }
        }
        QFile::remove(disguised);
    }
}

// Whatever else hands a PDF to libvips (a watermark's logo, a helper): its PDF decoder opens the
// document before its block is checked, taking poppler's settings and letting them go; the pages
// drawn after it still find them.
// A PDF whose name is not UTF-8 is drawn, under its own name or a photo's, and goes into a
// combined PDF and an archive like any other file.
TEST_F(PdfSources, aPdfWhoseNameIsNotUtf8IsDrawnAndCombined)
{
    const QString pdf = ti::writePdf(in(), QStringLiteral("source.pdf"), QSizeF(200, 100));
    for (const char* name : {"bad-\xff.pdf", "bad-\xff.jpg"}) {
        SCOPED_TRACE(name);
        const QString source = NativePath::decoded(QFile::encodeName(in()) + "/" + name);
        const QByteArray native = NativePath::encoded(source);
        ASSERT_EQ(::link(QFile::encodeName(pdf).constData(), native.constData()), 0);
        const auto removeSource = qScopeGuard([&] { ::unlink(native.constData()); }); // Qt's listing would not find it
        for (const KelvaroOp& op : {KelvaroOp::convert(ImageFormat::png), KelvaroOp::convert(ImageFormat::pdf),
                                    KelvaroOp::convert(ImageFormat::zip)}) {
            SCOPED_TRACE(op.title().toStdString());
            QTemporaryDir results;
            const OpResult result = ImageEngine::process(op, {source}, results.path());
            EXPECT_EQ(result.failed, 0) << result.firstError.value_or(QString()).toStdString();
            ASSERT_EQ(result.outputs.size(), 1);
            // Named with the source's bytes: Qt would neither find nor remove it.
            const auto removeResult = qScopeGuard([&] { ::unlink(NativePath::encoded(result.outputs[0]).constData()); });
            EXPECT_GT(ImageEngine::fileSize(result.outputs[0]), QFileInfo(pdf).size() / 2);
        }
    }
}

TEST_F(PdfSources, pagesAreDrawnAfterLibvipsOwnPdfDecoderHadADocument)
{
    const QString pdf = ti::writePdf(in(), QStringLiteral("a.pdf"), QSizeF(200, 100));
    expectPage(ImageEngine::renderPDFPage(pdf), QSize(400, 200));
    EXPECT_FALSE(ti::vipsOpens(copyAs(pdf, QStringLiteral("x.jpg"))));
    expectPage(ImageEngine::renderPDFPage(pdf), QSize(400, 200));
}

TEST_F(PdfSources, aPdfUnderAPhotosNameLoadsAsItsPageAndABrokenOneFailsWithItsName)
{
    const QString pdf = ti::writePdf(in(), QStringLiteral("page.pdf"), QSizeF(150, 60));
    const QString disguised = copyAs(pdf, QStringLiteral("page.jpg"));
    expectPage(ImageEngine::load(disguised).image, QSize(300, 120));
    EXPECT_EQ(ImageEngine::uprightSize(disguised), QSize(300, 120));

    QByteArray cut = test::readFile(pdf);
    cut.truncate(40);
    test::writeFile(in() + QStringLiteral("/cut.png"), cut);
    const auto error = test::thrown<KelvaroError>([&] { ImageEngine::load(in() + QStringLiteral("/cut.png")); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), KelvaroError::Kind::unreadable);
    EXPECT_EQ(error->fileName(), QStringLiteral("cut.png"));
}

// A page far larger than what is shown is drawn at the shown size, never whole first: within a
// memory limit that a whole page (16000 × 16000 pixels) would break.
TEST_F(PdfSources, aPageIsDrawnAtTheSizeAskedFor)
{
    const QString pdf = ti::writePdf(in(), QStringLiteral("poster.pdf"), QSizeF(8000, 4000));
    const test::MemoryLimit limit(256 * MB);
    const struct {
        int maxSide;
        QSize expected;
    } rows[] = {{600, QSize(600, 300)}, {250, QSize(250, 125)}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.maxSide);
        expectPage(ImageEngine::load(pdf, row.maxSide).image, row.expected);
    }
    // A page smaller than the size asked for stays at two pixels per point.
    expectPage(ImageEngine::load(ti::writePdf(in(), QStringLiteral("small.pdf"), QSizeF(100, 50)), 600).image,
               QSize(200, 100));
}

// The drawn page is the bitmap itself: 36 megapixels (144 MB as RGBA) come out within 260 MB,
// where a second copy of the page would not fit.
TEST_F(PdfSources, aWholePageIsHeldOnce)
{
    const QString pdf = ti::writePdf(in(), QStringLiteral("wide.pdf"), QSizeF(4500, 2000));
    const test::MemoryLimit limit(260 * MB);
    expectPage(ImageEngine::renderPDFPage(pdf), QSize(9000, 4000));
}

// The budget prices a page as it will be drawn, by its media box (two pixels per point, towards
// zero), under any name, and its drawer's room beside; a page it cannot draw costs what an unknown
// file does.
TEST_F(PdfSources, theMemoryBudgetPricesAPageByItsMediaBox)
{
    const QString poster = ti::writePdf(in(), QStringLiteral("poster.pdf"), QSizeF(8000, 8000));
    const QString unknown = ti::writeGarbage(in(), QStringLiteral("unknown.pdf"));
    const struct {
        const char* name;
        QString file;
        qint64 pixels;
    } rows[] = {
        {"poster", poster, 16000LL * 16000},
        {"posterNamedJpg", copyAs(poster, QStringLiteral("poster.jpg")), 16000LL * 16000},
        {"fractional", ti::writePdf(in(), QStringLiteral("fraction.pdf"), QSizeF(200.3, 100.2)), 400 * 200},
        {"beyondTheCeiling", ti::writePdf(in(), QStringLiteral("huge.pdf"), QSizeF(12000, 12000)), 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const qint64 expected = row.pixels > 0 ? row.pixels * 8 + MemoryBudget::pdfRendererBytes() : MemoryBudget::estimate(unknown);
        EXPECT_EQ(MemoryBudget::estimate(row.file), expected);
    }
    // A page holding a photo costs an encoder what the photo does; a drawing of its size less.
    const QString photo = ti::writeJpeg(in(), QStringLiteral("photo.jpg"), ti::quadrants(400, 200));
    const QString photoPage = in() + QStringLiteral("/photo.pdf");
    ImageEngine::writePDF({photo}, photoPage, 0.9);
    const QString drawing = ti::writePdf(in(), QStringLiteral("drawing.pdf"), QSizeF(400, 200));
    for (const ImageFormat format : {ImageFormat::heic, ImageFormat::jpg}) {
        const MemoryBudget::Work work{.whole = true, .copied = false, .format = format};
        EXPECT_GT(MemoryBudget::estimate(photoPage, work), MemoryBudget::estimate(drawing, work)) << rawValue(format).toStdString();
    }
}

struct FormsRow {
    const char* name;
    int names;  // how often each form names the next
    int levels; // forms within forms
    bool selfNaming;
    bool drawn; // else refused: its drawing takes more CPU time than a page may
};

class PageOfForms : public test::InAndOut<::testing::TestWithParam<FormsRow>> {};

// A page whose forms name forms, each name drawn, between two photos of one batch on one worker
// and on three: the batch ends, both photos are made and the page is drawn, or refused with its
// own message when its drawing takes more CPU time than a page may (shortened here for those).
TEST_P(PageOfForms, isPricedAndDrawnOrRefusedAndTheBatchEnds)
{
    const FormsRow& row = GetParam();
    const QString first = ti::writeJpeg(in(), QStringLiteral("first.jpg"), ti::quadrants(64, 48));
    const QString page = ti::writeFormFanOut(in(), QStringLiteral("forms.pdf"), row.names, row.levels, row.selfNaming);
    const QString last = ti::writeJpeg(in(), QStringLiteral("last.jpg"), ti::quadrants(64, 48));
    // A page to be drawn keeps the whole bound: a self-naming form takes seconds of it on a busy machine.
    const test::PdfPageCpuBound bound(row.drawn ? std::chrono::seconds(0) : std::chrono::seconds(2));
    for (const int jobs : {1, 3}) {
        SCOPED_TRACE(testing::Message() << jobs << " workers");
        QTemporaryDir out;
        const std::optional<OpResult> ended = test::runOnWorkers(KelvaroOp::convert(ImageFormat::png), {first, page, last},
                                                                 out.path(), jobs, std::chrono::seconds(45));
        ASSERT_TRUE(ended) << "the batch did not end";
        const OpResult& result = *ended;
        QStringList made = test::fileNames(result.outputs);
        EXPECT_TRUE(made.contains(QStringLiteral("first.png")) && made.contains(QStringLiteral("last.png"))) << made.join(' ').toStdString();
        if (row.drawn) {
            EXPECT_EQ(result.failed, 0) << result.firstError.value_or(QString()).toStdString();
            EXPECT_TRUE(made.contains(QStringLiteral("forms.png")));
        } else {
            EXPECT_EQ(result.failed, 1);
            EXPECT_EQ(result.firstError, KelvaroError::pageBeyondBounds(QStringLiteral("forms.pdf")).message(EngineSettings{}.language));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PdfSources, PageOfForms,
                         ::testing::Values(FormsRow{"twentyNamesSixDeep", 20, 6, false, false},
                                           FormsRow{"twoHundredNamesEightDeep", 200, 8, false, false},
                                           FormsRow{"aFormNamingItself", 200, 1, true, true},
                                           FormsRow{"aChainOfThreeThousand", 1, 3000, false, true},
                                           FormsRow{"twentyNamesThreeDeep", 20, 3, false, true}),
                         test::RowName());

// A file asked to stop stops being priced and drawn at once, however many forms its page would
// draw: nothing is read, the price is the higher one, a page with images, also for a page without
// forms, and the draw ends in FileAborted.
TEST_F(PdfSources, aPageOfFormsStopsWhenItsFileIsAskedTo)
{
    const QString page = ti::writeFormFanOut(in(), QStringLiteral("forms.pdf"), 200, 8);
    const QString drawing = ti::writePdf(in(), QStringLiteral("drawing.pdf"), QSizeF(200, 100));
    const auto stop = std::make_shared<ImageEngine::FileAbort>();
    stop->request();
    const ImageEngine::CurrentFileAbort current(stop);
    EXPECT_FALSE(ImageEngine::pdfPageIsDrawing(page));
    EXPECT_FALSE(ImageEngine::probe(drawing).drawing) << "nothing is read once asked to stop";
    EXPECT_TRUE(test::thrown<ImageEngine::FileAborted>([&] { ImageEngine::renderPDFPage(page); }));
}

} // namespace
