#pragma once
// The home screen's drop card, through which files enter the wheel. Empty, it shows the drop
// ring with "Vybrat soubory…" and, under it, the store's last message with its result links;
// with files loaded it shows the loaded wheel. The whole card takes drops of local files (web
// links are refused): on the empty card a drop replaces the selection, on a loaded card a drop
// outside the wedges adds to it, and a drop on a wedge replaces the selection and runs that
// wedge. The card also hosts the window's one file importer, opened through the store's
// showImporter. Every change of the dropped files fades the card over to its new face while its
// height springs to the new one (FaceFade); the prompt's ring springs to a drag and its symbol
// bounces (DropRing), and the adding overlay fades with it (AddToSelectionOverlay). Reads and
// writes the store through WheelStore; main thread.
#include <memory>
#include <optional>

#include <QWidget>

#include "ui/wheel/WheelStore.h"

namespace kelvaro {
class LinkButton;
}

namespace kelvaro::wheel {

class AddToSelectionOverlay;
class DropPrompt;
class FaceFade;
class FileImporter;
class LoadedWheel;
class ResultBanner;

class DropWheelCard : public QWidget {
    Q_OBJECT
    // The height the card comes to rest at once its face has changed; a screen that scrolls the
    // card into view reads it while the card is still growing.
    Q_PROPERTY(int settledHeight READ settledHeight)
public:
    explicit DropWheelCard(WheelStore& store, std::shared_ptr<FileImporter> importer = nullptr,
                           QWidget* parent = nullptr);
    ~DropWheelCard() override;

    static constexpr int kMinimumHeight = 400;

    bool isTargeted() const { return m_targeted; }
    bool isLoadedFaceShown() const;
    // Whether "Přidat do výběru" is in (it fades in and out over 0.15 s) and how opaque it is.
    bool isOverlayShown() const;
    double overlayOpacity() const;
    // How far the drop ring has gone towards its targeted look, 0–1 (it springs there), and the
    // scale of its symbol (1 at rest, more while it bounces).
    double ringTargeting() const;
    double symbolScale() const;
    // Whether the card is fading from what it showed before a change of the dropped files.
    bool isChangingFace() const;
    QString promptTitle() const;
    bool isBannerShown() const;
    QString bannerText() const;
    LoadedWheel* loadedWheel() const { return m_loaded; }
    QWidget* browseButton() const;
    LinkButton* bannerRevealButton() const;
    LinkButton* bannerUndoButton() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int settledHeight() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void refresh();
    // The height the shown face asks for, and laying the faces out in it.
    int faceHeight() const;
    void layOutFaces();
    void noteFilesChange();
    void fitBanner();
    void setTargeted(bool targeted);
    // The wheel under a card point, when the wheel takes drags now (loaded and not working).
    bool overWheel(QPointF cardPoint, QPointF* wheelPoint) const;
    void openImporterIfAsked();

    WheelStore& m_store;
    std::shared_ptr<FileImporter> m_importer;
    QWidget* m_faces = nullptr;
    DropPrompt* m_prompt = nullptr;
    ResultBanner* m_banner = nullptr;
    QWidget* m_emptyFace = nullptr;
    LoadedWheel* m_loaded = nullptr;
    AddToSelectionOverlay* m_overlay = nullptr;
    FaceFade* m_fade = nullptr;
    QStringList m_shownFiles;
    bool m_targeted = false;
    bool m_importerOpen = false;
    bool m_dragOverWheel = false;
};

} // namespace kelvaro::wheel
