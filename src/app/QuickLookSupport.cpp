#include "app/QuickLookSupport.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStringDecoder>
#include <QTextLayout>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include "l10n/Localization.h"
#include "platform/BackgroundPools.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "platform/widgets/WindowPlacement.h"
#include "store/KelvaroStore.h"
#include "ui/design/FileThumb.h"
#include "ui/design/Formatters.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

constexpr int kHeaderHeight = 44;
constexpr int kMargin = 16;

struct Loaded {
    QuickLookPanel::Content content = QuickLookPanel::Content::none;
    QImage image;
    QString text;
};

QThreadPool& panelPool()
{
    static QThreadPool* pool = BackgroundPools::make(1); // one preview at a time; a stale decode is simply dropped
    return *pool;
}

// At most `limit` bytes from the start of the regular file at `path`, opened by the name's bytes
// (QFile finds no file whose name is not UTF-8) and without waiting on a FIFO; none when there is
// no such file or it cannot be read. Touches disk.
std::optional<QByteArray> head(const QString& path, qint64 limit)
{
    const int fd = ::open(NativePath::encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.emplace();
        char buffer[64 * 1024];
        while (bytes && bytes->size() < limit) {
            const ssize_t got = ::read(fd, buffer, size_t(std::min<qint64>(qint64(sizeof buffer), limit - bytes->size())));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                bytes.reset();
            else if (got == 0)
                break;
            else
                bytes->append(buffer, got);
        }
    }
    ::close(fd);
    return bytes;
}

Loaded read(const QString& path)
{
    Loaded loaded;
    const QString extension = QFileInfo(path).suffix().toLower();
    if (KelvaroStore::acceptedExtensions().contains(extension)) {
        loaded.image = FileThumb::thumbnail(path, QuickLookPanel::maxSide);
        if (!loaded.image.isNull())
            loaded.content = QuickLookPanel::Content::image;
        return loaded;
    }
    if (extension == QLatin1String("txt")) {
        if (const auto bytes = head(path, QuickLookPanel::maxTextBytes)) {
            QStringDecoder decoder(QStringDecoder::Utf8);
            loaded.text = decoder(*bytes);
            loaded.content = QuickLookPanel::Content::text;
        }
    }
    return loaded;
}

} // namespace

// ---- QuickLookPanel ---------------------------------------------------------------------------

QuickLookPanel::QuickLookPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool)
{
    // The list keeps the keyboard: the panel appears beside it without taking focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
    resize(sizeHint());
    auto* spin = new QTimer(this);
    spin->setInterval(80);
    connect(spin, &QTimer::timeout, this, [this] {
        m_spinPhase = (m_spinPhase + 1) % 12;
        update();
    });
    connect(this, &QuickLookPanel::contentChanged, spin, [this, spin] {
        if (m_content == Content::loading)
            spin->start();
        else
            spin->stop();
    });
}

void QuickLookPanel::showFile(const QString& path)
{
    if (path == m_file && m_content != Content::none)
        return;
    m_file = path;
    setWindowTitle(NativePath::displayName(QFileInfo(path).fileName()));
    load();
}

void QuickLookPanel::load()
{
    const quint64 generation = ++m_generation;
    m_content = Content::loading;
    m_image = QImage();
    m_text.clear();
    m_bytes = NativeFile::size(m_file);
    Q_EMIT contentChanged();
    update();
    auto* watcher = new QFutureWatcher<Loaded>(this);
    connect(watcher, &QFutureWatcher<Loaded>::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_generation)
            return;
        const Loaded loaded = watcher->result();
        m_content = loaded.content;
        m_image = loaded.image;
        m_text = loaded.text;
        Q_EMIT contentChanged();
        update();
    });
    const QString path = m_file;
    watcher->setFuture(QtConcurrent::run(&panelPool(), [path] { return read(path); }));
}

bool QuickLookPanel::waitForContent(int timeoutMs)
{
    const qint64 until = QDateTime::currentMSecsSinceEpoch() + timeoutMs;
    while (m_content == Content::loading && QDateTime::currentMSecsSinceEpoch() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return m_content != Content::loading;
}

void QuickLookPanel::step(int delta)
{
    const qsizetype at = m_items.indexOf(m_file);
    if (m_items.isEmpty())
        return;
    const qsizetype next = at < 0 ? (delta < 0 ? m_items.size() - 1 : 0) : qBound<qsizetype>(0, at + delta, m_items.size() - 1);
    if (m_items[next] == m_file)
        return;
    showFile(m_items[next]);
    Q_EMIT stepped(m_file);
}

void QuickLookPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() & ~Qt::KeypadModifier)
        return QWidget::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Escape:
        if (!event->isAutoRepeat())
            close();
        return;
    case Qt::Key_Left:
    case Qt::Key_Up:
        step(-1);
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
        step(1);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void QuickLookPanel::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (!m_closingFromList)
        Q_EMIT closedByUser();
}

void QuickLookPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool dark = Theme::isDark(this);
    p.fillRect(rect(), Theme::canvas().resolve(dark));

    // Header: the file's name and size.
    const QColor primary = Theme::primary().resolve(dark);
    const QColor secondary = Theme::secondary().resolve(dark);
    const QRect header(kMargin, 0, width() - 2 * kMargin, kHeaderHeight);
    const QString size = Formatters::byteCount(m_bytes, L10n::locale(L10n::current()));
    const QFont sizeFont = Theme::font(TextStyle::callout);
    const int sizeWidth = QFontMetrics(sizeFont).horizontalAdvance(size);
    p.setFont(sizeFont);
    p.setPen(secondary);
    p.drawText(header, Qt::AlignRight | Qt::AlignVCenter, size);
    const QFont nameFont = Theme::font(TextStyle::headline);
    p.setFont(nameFont);
    p.setPen(primary);
    p.drawText(header.adjusted(0, 0, -(sizeWidth + 12), 0), Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(nameFont).elidedText(NativePath::displayName(QFileInfo(m_file).fileName()), Qt::ElideMiddle, header.width() - sizeWidth - 12));
    p.fillRect(QRect(0, kHeaderHeight, width(), 1), Theme::hairline().resolve(dark));

    const QRectF body = QRectF(rect()).adjusted(kMargin, kHeaderHeight + kMargin, -kMargin, -kMargin);
    switch (m_content) {
    case Content::image: {
        const QSizeF fitted = QSizeF(m_image.size()).scaled(body.size(), Qt::KeepAspectRatio);
        // Small pictures are not blown up past their own size.
        const QSizeF shown = fitted.width() > m_image.width() ? QSizeF(m_image.size()) : fitted;
        p.drawImage(QRectF(body.center().x() - shown.width() / 2, body.center().y() - shown.height() / 2, shown.width(),
                           shown.height()),
                    m_image);
        break;
    }
    case Content::text: {
        QPainterPath card;
        card.addRoundedRect(body, 10, 10);
        p.fillPath(card, Theme::cardFill().resolve(dark));
        p.setPen(primary);
        p.setFont(Theme::font(TextStyle::body));
        p.setClipRect(body.adjusted(12, 12, -12, -12));
        p.drawText(body.adjusted(12, 12, -12, -12), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_text);
        p.setClipping(false);
        break;
    }
    case Content::none: {
        const int glyph = 56;
        const QPointF centre = body.center();
        Symbols::paint(p, QRectF(centre.x() - glyph / 2.0, centre.y() - glyph - 8, glyph, glyph), QStringLiteral("doc"),
                       secondary);
        p.setFont(Theme::font(TextStyle::body));
        p.setPen(secondary);
        p.drawText(QRectF(body.left(), centre.y() + 4, body.width(), 24), Qt::AlignHCenter | Qt::AlignTop,
                   L("Náhled není k dispozici"));
        break;
    }
    case Content::loading: {
        const QPointF c = body.center();
        for (int i = 0; i < 12; ++i) {
            QColor tick = secondary;
            tick.setAlphaF(float(0.15 + 0.85 * (((i - m_spinPhase + 12) % 12) / 11.0)));
            p.save();
            p.translate(c);
            p.rotate(i * 30);
            p.setPen(QPen(tick, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(0, -6), QPointF(0, -11));
            p.restore();
        }
        break;
    }
    }
}

// ---- QuickLookList ----------------------------------------------------------------------------

QuickLookList::QuickLookList(QWidget* list)
    : QObject(list), m_list(list)
{
    list->installEventFilter(this);
}

QuickLookList::~QuickLookList()
{
    if (m_panel)
        m_panel->deleteLater();
}

QuickLookList* QuickLookList::attach(QAbstractItemView* view, int pathRole)
{
    auto* helper = new QuickLookList(view);
    QPointer<QAbstractItemView> guarded(view);
    auto rowOf = [guarded, pathRole](const QString& path) -> QModelIndex {
        if (!guarded || !guarded->model())
            return {};
        QAbstractItemModel* model = guarded->model();
        for (int row = 0; row < model->rowCount(guarded->rootIndex()); ++row) {
            const QModelIndex index = model->index(row, 0, guarded->rootIndex());
            if (index.data(pathRole).toString() == path)
                return index;
        }
        return {};
    };
    helper->m_urlSource = [guarded, pathRole] {
        QStringList urls;
        if (!guarded || !guarded->model())
            return urls;
        QAbstractItemModel* model = guarded->model();
        for (int row = 0; row < model->rowCount(guarded->rootIndex()); ++row) {
            const QString path = model->index(row, 0, guarded->rootIndex()).data(pathRole).toString();
            if (!path.isEmpty())
                urls << path;
        }
        return urls;
    };
    connect(helper, &QuickLookList::selectionRequested, view, [guarded, rowOf](const QString& path) {
        const QModelIndex index = rowOf(path);
        if (guarded && index.isValid())
            guarded->setCurrentIndex(index);
    });
    auto follow = [helper, pathRole](const QModelIndex& current) {
        const QString path = current.data(pathRole).toString();
        helper->setSelection(path.isEmpty() ? std::nullopt : std::optional<QString>(path));
    };
    if (view->selectionModel())
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, helper,
                [follow](const QModelIndex& current) { follow(current); });
    return helper;
}

QStringList QuickLookList::urls() const
{
    return m_urlSource ? m_urlSource() : m_urls;
}

void QuickLookList::setSelection(const std::optional<QString>& selection)
{
    if (selection == m_selection)
        return;
    m_selection = selection;
    // A click on a row lets the keys work at once.
    if (selection && m_list)
        m_list->setFocus(Qt::OtherFocusReason);
}

void QuickLookList::select(const QString& path)
{
    if (m_selection == path)
        return;
    m_selection = path;
    Q_EMIT selectionRequested(path);
}

void QuickLookList::setPreview(const std::optional<QString>& path)
{
    m_preview = path;
    if (!path) {
        if (m_panel && m_panel->isVisible()) {
            m_panel->m_closingFromList = true;
            m_panel->close();
            m_panel->m_closingFromList = false;
        }
        return;
    }
    if (!m_panel) {
        m_panel = new QuickLookPanel(m_list ? m_list->window() : nullptr);
        Theme::follow(m_panel);
        connect(m_panel, &QuickLookPanel::stepped, this, [this](const QString& file) {
            m_preview = file;
            select(file); // stepping inside the panel moves the list too
        });
        connect(m_panel, &QuickLookPanel::closedByUser, this, [this] { m_preview.reset(); });
    }
    m_panel->setItems(urls());
    m_panel->showFile(*path);
    if (!m_panel->isVisible()) {
        centreOver(m_panel, m_panel->parentWidget());
        m_panel->show();
    }
    m_panel->raise();
}

QuickLookList::KeyResult QuickLookList::togglePreview()
{
    if (m_preview) {
        setPreview(std::nullopt);
        return KeyResult::handled;
    }
    const QStringList list = urls();
    std::optional<QString> target = m_selection;
    if (!target && !list.isEmpty())
        target = list.first();
    if (!target)
        return KeyResult::ignored;
    select(*target);
    setPreview(*target);
    return KeyResult::handled;
}

QuickLookList::KeyResult QuickLookList::move(int step)
{
    const QStringList list = urls();
    if (list.isEmpty())
        return KeyResult::ignored;
    const qsizetype count = list.size();
    qsizetype current = m_selection ? list.indexOf(*m_selection) : -1;
    if (current < 0)
        current = step < 1 ? count : -1; // Down from nothing takes the first, Up the last
    const qsizetype next = qBound<qsizetype>(0, current + step, count - 1);
    select(list[next]);
    if (m_preview)
        setPreview(list[next]);
    return KeyResult::handled;
}

bool QuickLookList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_list)
        return QObject::eventFilter(watched, event);
    // The preview belongs to the list: when the list leaves the screen (another page, the window
    // closed), so does the preview.
    if (event->type() == QEvent::Hide) {
        if (m_preview)
            setPreview(std::nullopt);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Escape:
        // The panel never takes the keys, so its Escape arrives here.
        if (!m_preview)
            return false;
        setPreview(std::nullopt);
        return true;
    case Qt::Key_Space:
        // Holding Space must not flicker the panel open and shut.
        if (key->isAutoRepeat())
            return m_preview.has_value() || m_selection.has_value() || !urls().isEmpty();
        return togglePreview() == KeyResult::handled;
    case Qt::Key_Up:
        return move(-1) == KeyResult::handled;
    case Qt::Key_Down:
        return move(1) == KeyResult::handled;
    default:
        return false;
    }
}

} // namespace kelvaro
