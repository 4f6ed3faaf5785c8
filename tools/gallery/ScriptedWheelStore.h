#pragma once
// A WheelStore that holds plain values and records the requests made of it: the demo content of
// the gallery pictures and the store of widget tests. Requests change its values the way the
// application store does where a picture or a test needs it (receive, remove, clear, mode);
// everything else is only recorded. Main thread.
#include "ui/wheel/WheelStore.h"

namespace kelvaro::wheel {

class ScriptedWheelStore : public WheelStore {
    Q_OBJECT
public:
    using WheelStore::WheelStore;

    struct Values {
        QStringList droppedFiles;
        WheelMode wheelMode = WheelMode::convert;
        std::optional<QString> statusMessage;
        bool statusIsError = false;
        QStringList statusDetails;
        bool isWorking = false;
        int progressDone = 0;
        int progressTotal = 0;
        AppLanguage runLanguage = AppLanguage::czech;
        QStringList lastOutputs;
        bool hasUndo = false;
        std::optional<ComparePair> comparePair;
        std::optional<QString> studioHighlight;
        bool studioCompare = false;
        bool showImporter = false;
        bool importerAdds = false;
    };

    struct Received {
        QList<QUrl> urls;
        bool adding = false;
    };
    struct Performed {
        WheelAction action;
        WheelMode mode = WheelMode::convert;
    };

    Values values;
    QList<Received> received;
    QList<Performed> performed;
    QList<bool> importerRequests;
    QStringList removed;
    int clears = 0;
    int cancels = 0;
    int reveals = 0;
    int undos = 0;

    // Replaces the values and announces the change.
    void set(const Values& next);
    template <typename F>
    void update(F&& change)
    {
        change(values);
        Q_EMIT changed();
    }

    QStringList droppedFiles() const override { return values.droppedFiles; }
    WheelMode wheelMode() const override { return values.wheelMode; }
    void setWheelMode(WheelMode mode) override;
    std::optional<QString> statusMessage() const override { return values.statusMessage; }
    bool statusIsError() const override { return values.statusIsError; }
    QStringList statusDetails() const override { return values.statusDetails; }
    bool isWorking() const override { return values.isWorking; }
    int progressDone() const override { return values.progressDone; }
    int progressTotal() const override { return values.progressTotal; }
    AppLanguage runLanguage() const override { return values.runLanguage; }
    QStringList lastOutputs() const override { return values.lastOutputs; }
    bool hasUndo() const override { return values.hasUndo; }
    std::optional<ComparePair> comparePair() const override { return values.comparePair; }
    std::optional<QString> studioHighlight() const override { return values.studioHighlight; }
    bool studioCompare() const override { return values.studioCompare; }
    void setStudioCompare(bool compare) override;
    bool showImporter() const override { return values.showImporter; }
    void setShowImporter(bool show) override;
    bool importerAdds() const override { return values.importerAdds; }
    void setImporterAdds(bool adds) override;

    // Replacing takes the local files as given; adding appends those not yet loaded. No local
    // file is nothing usable.
    bool receive(const QList<QUrl>& urls, bool adding) override;
    void requestImporter(bool adding) override;
    void removeDropped(const QString& path) override;
    void clearSelection() override;
    void perform(const WheelAction& action, WheelMode mode) override;
    void cancelRun() override;
    void revealOutputs() override;
    void undoLast() override;
};

} // namespace kelvaro::wheel
