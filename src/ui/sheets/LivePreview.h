#pragma once
// The before/after preview at the top of the sheets whose result is a visual effect (adjust,
// watermark). It loads a reduced, upright copy of the first selected file once (at most 900 px
// on the longer side; a PDF's first page), runs the sheet's own rendering on it whenever the
// sheet's settings change, and shows the result (a spinner until one exists, "Náhled není k
// dispozici" when the file cannot be read or the rendering fails, never the unprocessed copy in
// its place); while the mouse button is held on the picture it shows the unprocessed copy. Under
// the picture a caption tells how to compare (hidden while no preview is available) and names
// the file, whole when it fits beside the caption, else on a line of its own, shortened in the
// middle only when even that line is too narrow; with no caption it stands on the first line.
// Bursts of setting changes are coalesced by a 90 ms wait and a rendering that finishes after its
// settings were replaced is thrown away.
// Loading and rendering run in a small thread pool; results are applied on the main thread only.
// Created by the sheets; main thread.
#include <functional>
#include <memory>
#include <optional>

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "engine/Bitmap.h"
#include "model/Operations.h"

namespace kelvaro {

// The before picture of `file`: decoded upright through the engine's loader and reduced to at
// most `maxSide` pixels on its longer side. None when the file cannot be read. Blocking; any
// thread; touches disk.
std::optional<Bitmap> previewThumbnail(const QString& file, int maxSide = 900);

// Whether two operations are the same case with equal parameters.
bool sameOperation(const KelvaroOp& a, const KelvaroOp& b);

class LivePreview : public QWidget {
    Q_OBJECT
public:
    static constexpr int maxSide = 900;   // pixels, longer side of the before picture
    static constexpr int areaHeight = 210; // logical pixels
    static constexpr int debounceMs = 90;

    // The sheet's rendering of its settings onto the before picture. Runs on a worker thread;
    // may throw (the preview then says that none is available until a later rendering succeeds).
    using RenderFunction = std::function<Bitmap(const Bitmap& base)>;

    explicit LivePreview(QWidget* parent = nullptr);
    ~LivePreview() override;

    // The file to preview (the sheets pass the first dropped file); none shows "Náhled není k
    // dispozici". Starts loading its before picture.
    void setFile(const std::optional<QString>& file);
    std::optional<QString> file() const { return m_file; }

    // The sheet's current settings and how to render them. A key equal (==) to the last one
    // changes nothing; any other starts a new rendering after the wait.
    template <typename Key>
    void setKey(const Key& key, RenderFunction render)
    {
        auto box = std::make_shared<KeyBox<Key>>(key);
        if (m_key && m_key->equals(*box))
            return;
        m_key = std::move(box);
        m_render = std::move(render);
        scheduleRender();
    }
    // The engine's own rendering of a per-file operation (adjust, watermark, crop …) as the key.
    void setOperation(const KelvaroOp& op);

    // State, for the sheets' tests.
    bool hasBase() const { return !m_base.isNull(); }
    bool isFailed() const { return m_failed; } // no file, unreadable, or the last rendering failed
    bool isHoldingOriginal() const { return m_holding; }
    QImage baseImage() const { return m_base; }
    QImage shownImage() const { return m_shown; }
    QImage drawnImage() const; // what the picture area shows now (null: label or spinner)
    QString captionText() const; // empty while no preview is available
    QString captionSymbol() const;
    QString shownFileName() const; // the file's name as drawn at the current width
    bool isFileNameOnOwnLine() const;
    QRect pictureArea() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void baseFinished(); // the load of the current file ended, with or without a picture
    void renderFinished(); // a rendering was applied to the shown picture

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct KeyBase {
        virtual ~KeyBase() = default;
        virtual bool equals(const KeyBase& other) const = 0;
    };
    template <typename Key>
    struct KeyBox : KeyBase {
        explicit KeyBox(const Key& k) : key(k) {}
        bool equals(const KeyBase& other) const override
        {
            const auto* same = dynamic_cast<const KeyBox<Key>*>(&other);
            return same && same->key == key;
        }
        Key key;
    };
    struct OperationKey {
        KelvaroOp op;
        bool operator==(const OperationKey& other) const { return sameOperation(op, other.op); }
    };

    // Where the caption's parts go at `width`: the hint on the first line, the name beside it
    // (right-aligned) or on a second line under the hint.
    struct CaptionLayout {
        QString name;
        bool ownLine = false;
    };
    CaptionLayout captionLayout(int width) const;

    void loadBase();
    void scheduleRender();
    void startRender();
    void setFailed(bool failed);
    void setHolding(bool holding);
    void updateSpinner();

    std::optional<QString> m_file;
    QImage m_base;      // the before picture, as drawn
    Bitmap m_baseBitmap; // the same, as the renderings take it
    QImage m_shown;     // the last rendering
    bool m_failed = false;
    bool m_holding = false;
    QPointF m_pressAt;
    std::shared_ptr<KeyBase> m_key;
    RenderFunction m_render;
    quint64 m_loadGeneration = 0;
    quint64 m_renderGeneration = 0;
    QTimer m_debounce;
    QTimer m_spin;
    int m_spinPhase = 0;
};

} // namespace kelvaro
