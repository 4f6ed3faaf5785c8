#pragma once
// The content of the tray's drop window: a drop box that loads photos onto the wheel and brings
// the main window forward, a line telling how many watched folders are on (shown only while
// any is), a hint, and the buttons "Otevřít okno", "Vybrat…" and "Ukončit". Fixed width 260,
// height from its content. Keeps only whether a drag hovers over the box; everything else comes
// from the store and the folder watcher, live. Main thread; installed by the screen installer as
// the content of the tray's drop window.
#include <functional>

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QMimeData;

namespace kelvaro {

class FolderWatcher;
class KelvaroButton;
class KelvaroStore;
class SymbolView;
class Text;

// The dashed box that takes file drops. Only local files count: a drag that carries none (text,
// web links) is refused at entry and on drop.
class DropBox : public QWidget {
    Q_OBJECT
public:
    explicit DropBox(QWidget* parent = nullptr);

    bool isTargeted() const { return m_targeted; }
    QString symbol() const;
    QString title() const;
    qreal borderOpacity() const { return m_targeted ? 0.9 : 0.4; }
    void retranslate();

    // The local files among a drag's URLs, in order.
    static QStringList localFiles(const QMimeData* data);

Q_SIGNALS:
    void dropped(const QStringList& files);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setTargeted(bool targeted);

    bool m_targeted = false;
    SymbolView* m_icon;
    Text* m_title;
    Text* m_subtitle;
};

class MenuBarDropView : public QWidget {
    Q_OBJECT
public:
    struct Hooks {
        // Opens the main window (re-creating it when closed) and brings the application forward.
        std::function<void()> openMainWindow;
        std::function<void()> quit; // none: QCoreApplication::quit
    };
    static constexpr int fixedWidth = 260;

    MenuBarDropView(KelvaroStore& store, FolderWatcher& watcher, Hooks hooks, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    DropBox* dropBox() const { return m_box; }
    // The watched-folders line; hidden while no rule is on.
    QWidget* watchLine() const { return m_watchLine; }
    QString watchText() const;
    QString hintText() const;
    KelvaroButton* openButton() const { return m_open; }
    KelvaroButton* chooseButton() const { return m_choose; }
    KelvaroButton* quitButton() const { return m_quit; }

    // Files dropped on the box: they replace the wheel's files, the home screen is selected and
    // the main window comes forward. An empty list changes nothing.
    void receive(const QStringList& files);
    void retranslate();

Q_SIGNALS:
    // An action of the view is done: the window holding it may close.
    void finished();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateWatchLine();
    void openMainWindow();

    KelvaroStore& m_store;
    QPointer<FolderWatcher> m_watcher;
    Hooks m_hooks;
    DropBox* m_box;
    QWidget* m_watchLine;
    Text* m_watchText;
    Text* m_hint;
    KelvaroButton* m_open;
    KelvaroButton* m_choose;
    KelvaroButton* m_quit;
};

} // namespace kelvaro
