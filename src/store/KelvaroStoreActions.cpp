// Runs: from a wheel click to the finished status line.
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "engine/ImageEngine.h"
#include "engine/Localization.h"
#include "engine/OutputFolder.h"
#include "platform/Clipboard.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"

namespace kelvaro {
namespace {

QString countWord(qint64 n)
{
    return Lp(n, "1 soubor", "%lld soubory", "%lld souborů");
}

bool isCombined(const KelvaroOp& op)
{
    const auto* convert = op.as<op::Convert>();
    return convert && (convert->format == ImageFormat::pdf || convert->format == ImageFormat::zip);
}

// The input each output was made from, as the engine names it; a combined output has one only
// when it was made from a single input.
QMap<QString, QString> sourcesOf(const KelvaroOp& op, const QStringList& files, const OpResult& result)
{
    QMap<QString, QString> sources;
    if (isCombined(op) || op.is<op::Scan>()) {
        if (files.size() == 1 && result.outputs.size() == 1)
            sources.insert(result.outputs.first(), files.first());
        return sources;
    }
    for (const OpEntry& entry : result.entries) {
        if (entry.outputPath && !entry.sourcePath.isEmpty())
            sources.insert(*entry.outputPath, entry.sourcePath);
    }
    return sources;
}

} // namespace

void KelvaroStore::perform(const WheelAction& action, WheelMode mode)
{
    if (m_droppedFiles.isEmpty()) {
        setStatus(L("Nejdřív přetáhni nebo vyber soubory."), false);
        return;
    }
    if (m_isWorking)
        return;
    switch (mode) {
    case WheelMode::convert:
        if (const auto format = imageFormatFromRaw(action.key.toLower()))
            run(KelvaroOp::convert(*format));
        break;
    case WheelMode::tools:
        performTool(action.key);
        break;
    case WheelMode::actions:
        performAction(action.key);
        break;
    }
}

void KelvaroStore::performTool(const QString& key)
{
    if (key == QStringLiteral("Ořez"))
        setActiveSheet(ToolSheet::crop);
    else if (key == QStringLiteral("Velikost"))
        setActiveSheet(ToolSheet::resize);
    else if (key == QStringLiteral("Komprese"))
        setActiveSheet(ToolSheet::compress);
    else if (key == QStringLiteral("Vodoznak"))
        setActiveSheet(ToolSheet::watermark);
    else if (key == QStringLiteral("Úpravy"))
        setActiveSheet(ToolSheet::adjust);
    else if (key == QStringLiteral("Pozadí"))
        run(KelvaroOp::removeBackground());
    else if (key == QStringLiteral("Obličeje"))
        run(KelvaroOp::blurFaces());
    else if (key == QStringLiteral("OCR"))
        run(KelvaroOp::ocr());
    else if (key == QStringLiteral("Sken"))
        run(KelvaroOp::scan());
}

void KelvaroStore::performAction(const QString& key)
{
    if (key == QStringLiteral("Na polici"))
        setActiveSheet(ToolSheet::shelf);
    else if (key == QStringLiteral("Přejmenovat"))
        setActiveSheet(ToolSheet::rename);
    else if (key == QStringLiteral("Schránka"))
        setActiveSheet(ToolSheet::clipboard);
    else if (key == QStringLiteral("Metadata"))
        run(KelvaroOp::stripMetadata());
    else if (key == QStringLiteral("KDE Connect")) // the wheel's sending slice
        sendNearby();
    else if (key == QStringLiteral("Přesunout"))
        moveFiles();
}

void KelvaroStore::run(const KelvaroOp& op)
{
    if (m_isWorking || m_droppedFiles.isEmpty())
        return;
    // Asked for the first time, the folder dialog opens where results belong (the pictures
    // folder), not among the originals.
    const auto folder = OutputFolder::obtain();
    if (!folder) {
        setStatus(L("Bez složky pro výsledky nemůžu pokračovat."), true);
        return;
    }
    execute(op, *folder);
}

void KelvaroStore::moveFiles()
{
    std::optional<QString> start;
    if (!m_droppedFiles.isEmpty())
        start = QFileInfo(m_droppedFiles.first()).absolutePath();
    const auto destination = OutputFolder::choose(L("Vyber složku, kam se soubory přesunou."), start);
    if (!destination)
        return;
    execute(KelvaroOp::move(), *destination);
}

void KelvaroStore::execute(const KelvaroOp& op, const QString& outDir)
{
    const QStringList files = m_droppedFiles;
    setIsWorking(true);
    m_lastSources.clear();
    setLastOutputs({});
    setUndoState(std::nullopt);
    holdAccess(outDir);
    setStatus(L("Pracuju na tom…"), false);
    setProgressDone(0);
    // One combined document reports no per-file progress.
    setProgressTotal(isCombined(op) ? 0 : int(files.size()));
    m_dock.update(0, m_progressTotal, true);

    // The engine's thread only posts; the store is touched on the main thread, if it still exists.
    const QPointer<KelvaroStore> self(this);
    QObject* mainContext = QCoreApplication::instance();
    auto hooks = std::make_shared<RunHooks>([self, mainContext](int done, int total) {
        QMetaObject::invokeMethod(
            mainContext, [self, done, total] {
                if (self)
                    self->applyProgress(done, total);
            },
            Qt::QueuedConnection);
    });
    m_hooks = hooks;

    const ProcessFunction process = m_services.process;
    m_runTask = QtConcurrent::run(QThreadPool::globalInstance(), [=] {
        Outcome outcome;
        try {
            outcome.result = process(op, files, outDir, hooks);
        } catch (const KelvaroError& error) {
            outcome.error = error.message();
        } catch (const RunError& error) {
            outcome.error = error.message();
        } catch (const std::exception& error) {
            outcome.error = QString::fromUtf8(error.what());
        } catch (...) {
            outcome.error = KelvaroError::writeFailed(QString()).message();
        }
        QMetaObject::invokeMethod(
            mainContext, [self, op, files, outcome, outDir] {
                if (!self)
                    return;
                self->m_hooks.reset();
                self->finish(op, files, outcome, outDir);
            },
            Qt::QueuedConnection);
    });
}

void KelvaroStore::applyProgress(int done, int total)
{
    setProgressDone(done);
    setProgressTotal(total);
    // After the run has ended this hides, never shows.
    m_dock.update(done, total, m_isWorking);
}

void KelvaroStore::finish(const KelvaroOp& op, const QStringList& files, const Outcome& outcome, const QString& outDir)
{
    setIsWorking(false);
    m_dock.finish();
    if (!outcome.result) {
        setStatus(outcome.error, true);
        return;
    }
    const OpResult& result = *outcome.result;
    // Before the outputs, so that whoever follows them finds their inputs.
    m_lastSources = sourcesOf(op, files, result);
    setLastOutputs(result.outputs);

    QList<ActivityItem> entries;
    for (const OpEntry& entry : result.entries) {
        ActivityItem item;
        item.id = QUuid::createUuid();
        item.fileName = entry.fileName;
        item.actionTitle = op.storedTitle();
        item.symbol = op.symbol();
        item.date = QDateTime::currentDateTimeUtc();
        item.savedBytes = entry.savedBytes;
        item.outputPath = entry.outputPath;
        entries.append(item);
    }
    if (result.outputs.isEmpty()) {
        setUndoState(std::nullopt);
    } else {
        UndoState state;
        state.outputs = result.outputs;
        state.moves = result.moves;
        state.isMove = op.is<op::Move>();
        for (const ActivityItem& item : entries)
            state.entryIds.append(item.id);
        state.folder = outDir;
        setUndoState(state);
    }
    insertHistory(entries);

    QString text = summary(op, result, outDir);
    if (result.failed > 0)
        text += QLatin1Char(' ') + Lf("Nepovedlo se: %lld.", result.failed);
    setStatus(text, false);
    setStatusDetails(result.failures);

    if (op.is<op::Ocr>() && result.text && m_services.clipboard)
        m_services.clipboard->setText(*result.text);

    if (op.is<op::Move>()) {
        // The moved originals are gone from where the wheel knew them.
        releaseAccess();
        setDroppedFiles({});
    }

    if (Settings::shared().boolOr(QStringLiteral("kelvaro.autoReveal"), false))
        revealOutputs();
}

QString KelvaroStore::summary(const KelvaroOp& op, const OpResult& result, const QString& folder) const
{
    const QString count = countWord(result.outputs.size());
    const QString folderName = QFileInfo(folder).fileName();
    if (op.is<op::Move>()) {
        if (result.keptOriginals >= 1) {
            return Lf("Zkopírováno %@ do „%@“. Originály (%lld) zůstaly na místě – systém nepovolil jejich odstranění.",
                      count, folderName, result.keptOriginals);
        }
        return Lf("Přesunuto %@ do „%@“.", count, folderName);
    }
    if (op.is<op::Ocr>()) {
        if (!result.text)
            return L("Žádný text jsem nenašel.");
        return Lf("Text je ve schránce a uložený jako .txt (%@).", count);
    }
    return Lf("Hotovo – %@ ve složce „%@“.", count, folderName);
}

void KelvaroStore::cancelRun()
{
    if (m_hooks)
        m_hooks->cancel();
    setStatus(L("Rušení… dokončím rozdělanou fotku."), false);
}

} // namespace kelvaro
