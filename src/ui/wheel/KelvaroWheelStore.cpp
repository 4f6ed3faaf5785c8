#include "ui/wheel/KelvaroWheelStore.h"


#include "platform/NativeFile.h"
#include "store/KelvaroStore.h"
#include "ui/wheel/DropWheelCard.h"
#include "ui/wheel/FileImporter.h"

namespace kelvaro::wheel {

KelvaroWheelStore::KelvaroWheelStore(KelvaroStore& store, QObject* parent)
    : WheelStore(parent)
    , m_store(store)
{
    for (auto signal : {&KelvaroStore::droppedFilesChanged, &KelvaroStore::wheelModeChanged,
                        &KelvaroStore::statusMessageChanged, &KelvaroStore::statusIsErrorChanged, &KelvaroStore::statusDetailsChanged,
                        &KelvaroStore::isWorkingChanged, &KelvaroStore::lastOutputsChanged,
                        &KelvaroStore::undoStateChanged, &KelvaroStore::progressDoneChanged,
                        &KelvaroStore::progressTotalChanged, &KelvaroStore::showImporterChanged,
                        &KelvaroStore::importerAddsChanged, &KelvaroStore::studioHighlightChanged,
                        &KelvaroStore::studioCompareChanged, &KelvaroStore::activitiesChanged})
        connect(&m_store, signal, this, &WheelStore::changed);
}

QStringList KelvaroWheelStore::droppedFiles() const { return m_store.droppedFiles(); }
WheelMode KelvaroWheelStore::wheelMode() const { return m_store.wheelMode(); }
void KelvaroWheelStore::setWheelMode(WheelMode mode) { m_store.setWheelMode(mode); }
std::optional<QString> KelvaroWheelStore::statusMessage() const { return m_store.statusMessage(); }
bool KelvaroWheelStore::statusIsError() const { return m_store.statusIsError(); }
QStringList KelvaroWheelStore::statusDetails() const { return m_store.statusDetails(); }
bool KelvaroWheelStore::isWorking() const { return m_store.isWorking(); }
int KelvaroWheelStore::progressDone() const { return m_store.progressDone(); }
int KelvaroWheelStore::progressTotal() const { return m_store.progressTotal(); }
AppLanguage KelvaroWheelStore::runLanguage() const { return m_store.runLanguage(); }
QStringList KelvaroWheelStore::lastOutputs() const { return m_store.lastOutputs(); }
bool KelvaroWheelStore::hasUndo() const { return m_store.undoState().has_value(); }
std::optional<QString> KelvaroWheelStore::studioHighlight() const { return m_store.studioHighlight(); }
bool KelvaroWheelStore::studioCompare() const { return m_store.studioCompare(); }
void KelvaroWheelStore::setStudioCompare(bool compare) { m_store.setStudioCompare(compare); }
bool KelvaroWheelStore::showImporter() const { return m_store.showImporter(); }
void KelvaroWheelStore::setShowImporter(bool show) { m_store.setShowImporter(show); }
bool KelvaroWheelStore::importerAdds() const { return m_store.importerAdds(); }
void KelvaroWheelStore::setImporterAdds(bool adds) { m_store.setImporterAdds(adds); }

std::optional<ComparePair> KelvaroWheelStore::comparePair() const
{
    const QStringList outputs = m_store.lastOutputs();
    if (outputs.isEmpty())
        return std::nullopt;
    const QString after = outputs.first();
    // The original is the input the run made this output from, while it is still loaded.
    const QString before = m_store.lastSources().value(after);
    if (before.isEmpty() || !m_store.droppedFiles().contains(before))
        return std::nullopt;
    if (!NativeFile::exists(before) || !NativeFile::exists(after) || !isComparable(before) || !isComparable(after))
        return std::nullopt;
    return ComparePair{before, after};
}

bool KelvaroWheelStore::receive(const QList<QUrl>& urls, bool adding) { return m_store.receive(urls, adding); }
void KelvaroWheelStore::requestImporter(bool adding) { m_store.requestImporter(adding); }
void KelvaroWheelStore::removeDropped(const QString& path) { m_store.removeDropped(path); }

void KelvaroWheelStore::clearSelection()
{
    m_store.releaseAccess();
    m_store.setDroppedFiles({});
    m_store.setLastOutputs({});
    m_store.setStatusMessage(std::nullopt);
}

void KelvaroWheelStore::perform(const WheelAction& action, WheelMode mode) { m_store.perform(action, mode); }
void KelvaroWheelStore::cancelRun() { m_store.cancelRun(); }
void KelvaroWheelStore::revealOutputs() { m_store.revealOutputs(); }
void KelvaroWheelStore::undoLast() { m_store.undoLast(); }

DropWheelCard* makeDropWheelCard(KelvaroStore& store, QWidget* parent)
{
    auto* view = new KelvaroWheelStore(store);
    auto* card = new DropWheelCard(*view, FileImporter::desktop(), parent);
    // Parented last, so it is destroyed after every widget of the card that reads it.
    view->setParent(card);
    return card;
}

} // namespace kelvaro::wheel
