#pragma once
// What the engine tests share: a folder for the inputs and one for the results, result names in
// Czech, readers of what a run wrote, a PDF page's CPU bound shortened and a run on a given
// number of workers.
#include <chrono>
#include <memory>
#include <optional>

#include <QFileInfo>
#include <QSizeF>
#include <QStringList>
#include <QTemporaryDir>

#include <QFile>

#include <gtest/gtest.h>
#include <poppler/PDFDoc.h>
#include <poppler/Page.h>

#include "engine/ImageEngine.h"
#include "engine/PopplerSetup.h"
#include "platform/Settings.h"
#include "../support/BudgetHold.h"

namespace kelvaro::test {

// The CPU time a PDF page's drawing may take, shortened while it lives (none given: the default).
class PdfPageCpuBound {
public:
    explicit PdfPageCpuBound(std::chrono::seconds bound) : m_previous(ImageEngine::pdfPageCpuBound())
    {
        if (bound.count() > 0)
            ImageEngine::setPdfPageCpuBound(bound);
    }
    ~PdfPageCpuBound() { ImageEngine::setPdfPageCpuBound(m_previous); }
    PdfPageCpuBound(const PdfPageCpuBound&) = delete;
    PdfPageCpuBound& operator=(const PdfPageCpuBound&) = delete;

private:
    std::chrono::seconds m_previous;
};

template <typename Base = ::testing::Test>
class InAndOut : public Base {
protected:
    void SetUp() override { Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs")); }
    QString in() const { return m_in.path(); }
    QString out() const { return m_out.path(); }

    QTemporaryDir m_in, m_out;
};

// The file names of a run's outputs, in order.
inline QStringList fileNames(const QStringList& paths)
{
    QStringList names;
    for (const QString& path : paths)
        names << QFileInfo(path).fileName();
    return names;
}

// The media box sizes of a PDF's pages in points (none when it does not open).
inline QList<QSizeF> pdfPageSizes(const QString& path)
{
    setUpPoppler();
    QList<QSizeF> sizes;
    PDFDoc document(std::make_unique<GooString>(QFile::encodeName(path).constData()));
    for (int i = 1; document.isOk() && i <= document.getNumPages(); ++i)
        sizes.append(QSizeF(document.getPageMediaWidth(i), document.getPageMediaHeight(i)));
    return sizes;
}

// Runs `op` over `files` into `outDir` on `jobs` workers, beside the test, until it ends or has
// done `work` of work as RunAside counts it: its result, or none when it did not end.
inline std::optional<OpResult> runOnWorkers(const KelvaroOp& op, const QStringList& files, const QString& outDir, int jobs,
                                            std::chrono::seconds work)
{
    qputenv("KELVARO_JOBS", QByteArray::number(jobs));
    RunAside run([&](const RunHooksPtr& hooks) { return ImageEngine::process(op, files, outDir, hooks); });
    const bool ended = run.finished(work);
    qunsetenv("KELVARO_JOBS");
    return ended ? std::optional<OpResult>(run.result()) : std::nullopt;
}

} // namespace kelvaro::test
