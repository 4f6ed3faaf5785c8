#pragma once
// What the drop card reads from and asks of the application store, as one small interface: the
// card's widgets are written against it, the application hands them KelvaroWheelStore (the real
// store behind it) and tests hand them a scripted one. Every change of a field the card shows
// emits changed(); the card redraws from the values. Main thread.
#include <optional>

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "l10n/Localization.h"
#include "model/Models.h"

namespace kelvaro::wheel {

// A result with the input it was made from.
struct ComparePair {
    QString before; // absolute paths
    QString after;
    bool operator==(const ComparePair&) const = default;
};

// Whether a file's extension is one the compare sheet can show (jpg, jpeg, png, heic, tif, tiff,
// pdf; any case).
bool isComparable(const QString& path);

class WheelStore : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QStringList droppedFiles() const = 0; // absolute paths
    virtual WheelMode wheelMode() const = 0;
    virtual void setWheelMode(WheelMode mode) = 0;
    virtual std::optional<QString> statusMessage() const = 0; // already translated
    virtual bool statusIsError() const = 0;
    // Each failed file's message behind the status message; empty when there is none.
    virtual QStringList statusDetails() const = 0;
    virtual bool isWorking() const = 0;
    virtual int progressDone() const = 0;
    virtual int progressTotal() const = 0;
    // The language the run under way speaks (KelvaroStore::runLanguage): its counter and cancel.
    virtual AppLanguage runLanguage() const = 0;
    virtual QStringList lastOutputs() const = 0;
    virtual bool hasUndo() const = 0;
    // The first output of the last run with the input that produced it, when both still exist
    // and both can be shown; none otherwise (no "Porovnat" then).
    virtual std::optional<ComparePair> comparePair() const = 0;
    virtual std::optional<QString> studioHighlight() const = 0;
    virtual bool studioCompare() const = 0;
    virtual void setStudioCompare(bool compare) = 0;
    virtual bool showImporter() const = 0;
    virtual void setShowImporter(bool show) = 0;
    virtual bool importerAdds() const = 0;
    virtual void setImporterAdds(bool adds) = 0;

    // False when nothing usable came (the store keeps its files and says so).
    virtual bool receive(const QList<QUrl>& urls, bool adding) = 0;
    virtual void requestImporter(bool adding) = 0;
    virtual void removeDropped(const QString& path) = 0;
    // The close button: access released, no files, no outputs, no message.
    virtual void clearSelection() = 0;
    virtual void perform(const WheelAction& action, WheelMode mode) = 0;
    virtual void cancelRun() = 0;
    virtual void revealOutputs() = 0;
    virtual void undoLast() = 0;

Q_SIGNALS:
    void changed();
};

} // namespace kelvaro::wheel
