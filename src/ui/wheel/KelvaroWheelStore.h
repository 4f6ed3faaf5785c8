#pragma once
// The drop card's view of the application store: forwards every read and request to a
// KelvaroStore and turns its per-field change signals into changed(). Does not own the store.
// Main thread.
#include "ui/wheel/WheelStore.h"

class QWidget;

namespace kelvaro {
class KelvaroStore;
}

namespace kelvaro::wheel {

class DropWheelCard;

class KelvaroWheelStore : public WheelStore {
    Q_OBJECT
public:
    explicit KelvaroWheelStore(KelvaroStore& store, QObject* parent = nullptr);

    KelvaroStore& store() const { return m_store; }

    QStringList droppedFiles() const override;
    WheelMode wheelMode() const override;
    void setWheelMode(WheelMode mode) override;
    std::optional<QString> statusMessage() const override;
    bool statusIsError() const override;
    QStringList statusDetails() const override;
    bool isWorking() const override;
    int progressDone() const override;
    int progressTotal() const override;
    AppLanguage runLanguage() const override;
    QStringList lastOutputs() const override;
    bool hasUndo() const override;
    std::optional<ComparePair> comparePair() const override;
    std::optional<QString> studioHighlight() const override;
    bool studioCompare() const override;
    void setStudioCompare(bool compare) override;
    bool showImporter() const override;
    void setShowImporter(bool show) override;
    bool importerAdds() const override;
    void setImporterAdds(bool adds) override;

    bool receive(const QList<QUrl>& urls, bool adding) override;
    void requestImporter(bool adding) override;
    void removeDropped(const QString& path) override;
    void clearSelection() override;
    void perform(const WheelAction& action, WheelMode mode) override;
    void cancelRun() override;
    void revealOutputs() override;
    void undoLast() override;

private:
    KelvaroStore& m_store;
};

// The home screen's drop card on the application store, with the desktop file importer. The
// card owns its view of the store; the installer adds what it shows from other folders (the
// preset panel, the device question).
DropWheelCard* makeDropWheelCard(KelvaroStore& store, QWidget* parent = nullptr);

} // namespace kelvaro::wheel
