#include "gallery/ScriptedWheelStore.h"

namespace kelvaro::wheel {

void ScriptedWheelStore::set(const Values& next)
{
    values = next;
    Q_EMIT changed();
}

void ScriptedWheelStore::setWheelMode(WheelMode mode)
{
    update([mode](Values& v) { v.wheelMode = mode; });
}

void ScriptedWheelStore::setStudioCompare(bool compare)
{
    update([compare](Values& v) { v.studioCompare = compare; });
}

void ScriptedWheelStore::setShowImporter(bool show)
{
    update([show](Values& v) { v.showImporter = show; });
}

void ScriptedWheelStore::setImporterAdds(bool adds)
{
    update([adds](Values& v) { v.importerAdds = adds; });
}

bool ScriptedWheelStore::receive(const QList<QUrl>& urls, bool adding)
{
    received.append({urls, adding});
    QStringList paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    if (paths.isEmpty())
        return false;
    update([&](Values& v) {
        if (!adding || v.droppedFiles.isEmpty()) {
            v.droppedFiles = paths;
            v.statusMessage.reset();
        } else {
            for (const QString& path : paths)
                if (!v.droppedFiles.contains(path))
                    v.droppedFiles.append(path);
        }
        v.lastOutputs.clear();
    });
    return true;
}

void ScriptedWheelStore::requestImporter(bool adding)
{
    importerRequests.append(adding);
    update([adding](Values& v) {
        v.importerAdds = adding;
        v.showImporter = true;
    });
}

void ScriptedWheelStore::removeDropped(const QString& path)
{
    removed.append(path);
    update([&](Values& v) {
        v.droppedFiles.removeAll(path);
        v.lastOutputs.clear();
        v.statusMessage.reset();
    });
}

void ScriptedWheelStore::clearSelection()
{
    ++clears;
    update([](Values& v) {
        v.droppedFiles.clear();
        v.lastOutputs.clear();
        v.statusMessage.reset();
    });
}

void ScriptedWheelStore::perform(const WheelAction& action, WheelMode mode)
{
    performed.append({action, mode});
}

void ScriptedWheelStore::cancelRun() { ++cancels; }
void ScriptedWheelStore::revealOutputs() { ++reveals; }
void ScriptedWheelStore::undoLast() { ++undos; }

} // namespace kelvaro::wheel
