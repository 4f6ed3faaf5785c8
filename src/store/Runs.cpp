#include "store/Runs.h"

#include <QDateTime>
#include <QFileInfo>

#include "engine/ImageEngine.h"
#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/Clipboard.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "store/BackgroundJob.h"
#include "store/Handoff.h"
#include "store/HeldFolder.h"
#include "store/Intake.h"
#include "store/Library.h"
#include "store/NearbySending.h"
#include "store/StoreStatus.h"
#include "store/Undo.h"
#include "store/ViewState.h"

namespace kelvaro {
namespace {

QString countWord(qint64 n, AppLanguage language)
{
    return Lp(language, n, "1 soubor", "%lld soubory", "%lld souborů");
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

Runs::Runs(Parts parts, const StoreServices& services) : m_parts(parts), m_services(services) {}

void Runs::perform(const WheelAction& action, WheelMode mode)
{
    if (m_parts.intake.droppedFiles().isEmpty()) {
        m_parts.status.setStatus(L("Nejdřív přetáhni nebo vyber soubory."), false);
        return;
    }
    if (m_parts.job.isWorking())
        return;
    const std::optional<WheelCommand> command = wheelCommand(mode, action.key);
    if (!command)
        return;
    ViewState& view = m_parts.view;
    switch (*command) {
    case WheelCommand::convertJpg: return run(KelvaroOp::convert(ImageFormat::jpg));
    case WheelCommand::convertPng: return run(KelvaroOp::convert(ImageFormat::png));
    case WheelCommand::convertHeic: return run(KelvaroOp::convert(ImageFormat::heic));
    case WheelCommand::convertTiff: return run(KelvaroOp::convert(ImageFormat::tiff));
    case WheelCommand::convertPdf: return run(KelvaroOp::convert(ImageFormat::pdf));
    case WheelCommand::convertZip: return run(KelvaroOp::convert(ImageFormat::zip));
    case WheelCommand::crop: return view.setActiveSheet(ToolSheet::crop);
    case WheelCommand::resize: return view.setActiveSheet(ToolSheet::resize);
    case WheelCommand::compress: return view.setActiveSheet(ToolSheet::compress);
    case WheelCommand::watermark: return view.setActiveSheet(ToolSheet::watermark);
    case WheelCommand::adjust: return view.setActiveSheet(ToolSheet::adjust);
    case WheelCommand::removeBackground: return run(KelvaroOp::removeBackground());
    case WheelCommand::blurFaces: return run(KelvaroOp::blurFaces());
    case WheelCommand::ocr: return run(KelvaroOp::ocr());
    case WheelCommand::scan: return run(KelvaroOp::scan());
    case WheelCommand::shelve: return view.setActiveSheet(ToolSheet::shelf);
    case WheelCommand::rename: return view.setActiveSheet(ToolSheet::rename);
    case WheelCommand::clipboard: return view.setActiveSheet(ToolSheet::clipboard);
    case WheelCommand::stripMetadata: return run(KelvaroOp::stripMetadata());
    case WheelCommand::sendNearby: return m_parts.sending.sendNearby();
    case WheelCommand::move: return moveFiles();
    }
}

void Runs::run(const KelvaroOp& op)
{
    if (m_parts.job.isWorking() || m_parts.intake.droppedFiles().isEmpty())
        return;
    // Asked for the first time, the folder dialog opens where results belong (the pictures
    // folder), not among the originals.
    const auto folder = OutputFolder::obtain();
    if (!folder) {
        m_parts.status.setStatus(L("Bez složky pro výsledky nemůžu pokračovat."), true);
        return;
    }
    execute(op, *folder);
}

void Runs::moveFiles()
{
    std::optional<QString> start;
    if (!m_parts.intake.droppedFiles().isEmpty())
        start = QFileInfo(m_parts.intake.droppedFiles().first()).absolutePath();
    const auto destination = OutputFolder::choose(L("Vyber složku, kam se soubory přesunou."), start);
    if (!destination)
        return;
    execute(KelvaroOp::move(), *destination);
}

void Runs::execute(const KelvaroOp& op, const QString& outDir)
{
    const QStringList files = m_parts.intake.droppedFiles();
    // Read once, here: a setting changed while the run works must not split it.
    const EngineSettings settings = EngineSettings::read(Settings::shared());
    const ProcessFunction process = m_services.process;
    const auto work = [this, process, op, files, outDir, settings](const RunHooksPtr& hooks) -> BackgroundJob::Finish {
        Outcome outcome;
        try {
            outcome.result = process(op, files, outDir, hooks, settings);
        } catch (const KelvaroError& error) {
            outcome.error = error.message(settings.language);
        } catch (...) { // a test double's own failure; the engine throws KelvaroError alone
            outcome.error = KelvaroError::writeFailed(QString()).message(settings.language);
        }
        return [this, op, files, outcome, outDir, language = settings.language] {
            finish(op, files, outcome, outDir, language);
        };
    };
    // One combined document reports no per-file progress.
    m_parts.job.start(isCombined(op) ? 0 : int(files.size()), settings.language, work, [this, outDir] {
        m_parts.status.setLastSources({});
        m_parts.status.setLastOutputs({});
        m_parts.undo.setUndoState(std::nullopt);
        m_parts.held.hold(outDir);
    });
}

void Runs::finish(const KelvaroOp& op, const QStringList& files, const Outcome& outcome, const QString& outDir,
                  AppLanguage language)
{
    if (!outcome.result) {
        m_parts.status.setStatus(outcome.error, true);
        return;
    }
    const OpResult& result = *outcome.result;
    // Before the outputs, so that whoever follows them finds their inputs.
    m_parts.status.setLastSources(sourcesOf(op, files, result));
    m_parts.status.setLastOutputs(result.outputs);

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
        m_parts.undo.setUndoState(std::nullopt);
    } else {
        UndoState state = Undo::stateOf(result.outputs);
        state.moves = result.moves;
        state.isMove = op.is<op::Move>();
        for (const ActivityItem& item : entries)
            state.entryIds.append(item.id);
        state.folder = outDir;
        m_parts.undo.setUndoState(state);
    }
    const bool booked = m_parts.library.addHistoryEntries(entries);

    // In the run's language, as the names it gave its results, whatever the interface says now.
    QString text = summary(op, result, outDir, language);
    if (result.failed > 0)
        text += QLatin1Char(' ') + Lf(language, "Nepovedlo se: %lld.", result.failed);
    // Said here: this sentence replaces whatever the status line said about the failed save. Once
    // the retry has saved the history, the sentence says only what the run did.
    if (booked)
        m_parts.status.setStatus(text, false);
    else if (m_parts.library.canPersist())
        m_parts.status.setUnsavedStatus(text + QLatin1Char(' ') + L(language, "Historii se nepodařilo uložit."), false, text);
    else
        m_parts.status.setStatus(text + QLatin1Char(' ') + L(language, "Historii neukládám, protože uloženou se nepodařilo přečíst."), false);
    m_parts.status.setStatusDetails(result.failures);

    if (op.is<op::Ocr>() && result.text && m_services.clipboard)
        m_services.clipboard->setText(*result.text);

    if (op.is<op::Move>()) {
        // The moved originals are gone from where the wheel knew them.
        m_parts.intake.releaseAccess();
        m_parts.intake.setDroppedFiles({});
    }

    if (Settings::shared().boolOr(QString::fromLatin1(SettingsKey::autoReveal), false))
        m_parts.handoff.revealOutputs();
}

QString Runs::summary(const KelvaroOp& op, const OpResult& result, const QString& folder, AppLanguage language) const
{
    const QString count = countWord(result.outputs.size(), language);
    const QString folderName = NativePath::displayName(QFileInfo(folder).fileName());
    if (op.is<op::Move>()) {
        if (result.keptOriginals >= 1) {
            return Lf(language,
                      "Zkopírováno %@ do „%@“. Originály (%lld) zůstaly na místě – systém nepovolil jejich odstranění.",
                      count, folderName, result.keptOriginals);
        }
        return Lf(language, "Přesunuto %@ do „%@“.", count, folderName);
    }
    if (op.is<op::Ocr>()) {
        if (!result.text)
            return L(language, "Žádný text jsem nenašel.");
        return Lf(language, "Text je ve schránce a uložený jako .txt (%@).", count);
    }
    return Lf(language, "Hotovo – %@ ve složce „%@“.", count, folderName);
}

void Runs::cancelRun()
{
    m_parts.job.cancel();
    // A job under way keeps to its own language; without one the interface's applies.
    const char* text = LKey("Rušení… dokončím rozdělanou fotku.");
    m_parts.status.setStatus(m_parts.job.isWorking() ? L(m_parts.job.language(), text) : L(text), false);
}

} // namespace kelvaro
