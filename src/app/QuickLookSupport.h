#pragma once
// Keyboard preview over lists of produced files (history, shelves): Space opens a preview window
// of the selected file and closes it again, as does Escape; Up and Down step the selection through
// the list, an open preview following along; the preview closes when the list is hidden (another
// screen shown). QuickLookList attaches to the list widget of a screen (an event
// filter: keys it does not handle reach the list unchanged); the list, its rows and mouse
// selection stay the screen's. QuickLookPanel is the preview window: pictures (HEIC and PDF
// included) decoded upright through the engine's loader off the GUI thread, text files as plain
// text, anything else as its name and size. Main thread; created by the list screens.
#include <functional>
#include <optional>

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QAbstractItemView;

namespace kelvaro {

class QuickLookPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int maxSide = 2400;       // pixels asked of the decoder
    static constexpr qint64 maxTextBytes = 256 * 1024;

    enum class Content { loading, image, text, none };

    explicit QuickLookPanel(QWidget* parent = nullptr);

    // The files the panel steps through with its own keys, and the one it shows.
    void setItems(const QStringList& items) { m_items = items; }
    void showFile(const QString& path);
    QString file() const { return m_file; }
    Content content() const { return m_content; }
    QImage image() const { return m_image; }
    QString text() const { return m_text; }
    // Waits (running the event loop) until the current file has been read; for tests.
    bool waitForContent(int timeoutMs = 5000);

    QSize sizeHint() const override { return {760, 560}; }

Q_SIGNALS:
    // The user stepped to another file inside the panel.
    void stepped(const QString& path);
    // The panel closed through its own keys or its window's close control.
    void closedByUser();
    void contentChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void step(int delta);
    void load();

    QStringList m_items;
    QString m_file;
    Content m_content = Content::none;
    QImage m_image;
    QString m_text;
    qint64 m_bytes = 0;
    quint64 m_generation = 0;
    int m_spinPhase = 0;
    bool m_closingFromList = false;
    friend class QuickLookList;
};

class QuickLookList : public QObject {
    Q_OBJECT
public:
    enum class KeyResult { handled, ignored };

    // Watches the keys of `list` (which parents this object and the panel's owner window).
    explicit QuickLookList(QWidget* list);
    // The preview window goes with the list it belongs to.
    ~QuickLookList() override;

    // Binds a helper to an item view whose rows carry absolute paths under `pathRole`: the list
    // of files is read from the model, the selection is the view's current row.
    static QuickLookList* attach(QAbstractItemView* view, int pathRole = Qt::UserRole);

    // The files of the list, in display order (the screen keeps this current).
    void setUrls(const QStringList& urls) { m_urls = urls; }
    QStringList urls() const;
    // The screen's selection; a new file selected (a click) gives the list keyboard focus.
    void setSelection(const std::optional<QString>& selection);
    std::optional<QString> selection() const { return m_selection; }
    // The file the panel shows; none while it is closed.
    std::optional<QString> preview() const { return m_preview; }
    QuickLookPanel* panel() const { return m_panel; }

    KeyResult togglePreview();
    KeyResult move(int step);

Q_SIGNALS:
    // The helper moved the selection; the screen selects that row.
    void selectionRequested(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void select(const QString& path);
    void setPreview(const std::optional<QString>& path);

    QPointer<QWidget> m_list;
    QStringList m_urls;
    std::function<QStringList()> m_urlSource;
    std::optional<QString> m_selection;
    std::optional<QString> m_preview;
    QPointer<QuickLookPanel> m_panel;
};

} // namespace kelvaro
