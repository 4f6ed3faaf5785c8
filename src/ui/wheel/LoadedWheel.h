#pragma once
// The working face of the drop card while files are loaded: the header (first file, count, add
// and close), the strip of tiles from two files on, the mode switch over the action wheel (with
// an optional side panel beside it when the card is wide enough) and the status line. Every
// click, hover and drop ends in a call on the store. A file that leaves the wheel lets go of its
// thumbnails at once, which stops their decode; a file that stays keeps its tile. Created by
// DropWheelCard; main thread.
#include <optional>

#include <QPointer>
#include <QWidget>

#include "model/Models.h"
#include "ui/wheel/WheelStore.h"

class QHBoxLayout;
class QLabel;
class QScrollArea;

namespace kelvaro {
class FileThumb;
class ModeSwitcher;
}

namespace kelvaro::wheel {

class ActionWheel;
class SmallButton;
class StatusLine;
class SymbolButton;
class ToneLabel;

// "1 soubor připraven" for one file, "%lld souborů připraveno" for every other count.
QString preparedText(int count);

class LoadedWheel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxTiles = 60;
    static constexpr int kWheelSize = 280;
    static constexpr double kInnerRatio = 0.4;

    explicit LoadedWheel(WheelStore& store, QWidget* parent = nullptr);

    // A panel shown beside the wheel column when both fit (the preset panel).
    void setSidePanel(QWidget* panel);
    void refresh();

    ActionWheel* wheel() const { return m_wheel; }
    ModeSwitcher* modeSwitch() const { return m_switch; }
    StatusLine* statusLine() const { return m_status; }
    SmallButton* addButton() const { return m_add; }
    SymbolButton* closeButton() const { return m_close; }
    // The first file's thumbnail beside the title.
    FileThumb* headerThumb() const { return m_headerThumb; }
    QString titleText() const;
    QString countText() const;
    bool isStripShown() const;
    int tileCount() const { return int(m_tiles.size()); }
    QString moreText() const; // "+N", empty when none
    // The remove button of the tile of `path`, or null.
    SymbolButton* removeButton(const QString& path) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuildStrip(const QStringList& files);
    void updateSidePanel();

    WheelStore& m_store;
    FileThumb* m_headerThumb = nullptr;
    ToneLabel* m_title = nullptr;
    ToneLabel* m_count = nullptr;
    SmallButton* m_add = nullptr;
    SymbolButton* m_close = nullptr;
    QScrollArea* m_strip = nullptr;
    QWidget* m_stripContent = nullptr;
    QHBoxLayout* m_stripRow = nullptr;
    QList<QWidget*> m_tiles;
    QLabel* m_more = nullptr;
    QStringList m_stripFiles;
    QWidget* m_column = nullptr;
    ModeSwitcher* m_switch = nullptr;
    ActionWheel* m_wheel = nullptr;
    QPointer<QWidget> m_sidePanel;
    QHBoxLayout* m_wheelRow = nullptr;
    StatusLine* m_status = nullptr;
    QString m_fullTitle;
};

} // namespace kelvaro::wheel
