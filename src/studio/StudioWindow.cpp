#include "studio/StudioWindow.h"

#include <QCheckBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/FileManager.h"
#include "studio/ScreenshotStudio.h"
#include "studio/StudioDropZone.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Spinner.h"
#include "ui/sheets/SegmentedPicker.h"

namespace kelvaro {
namespace {

constexpr int kWidth = 400;
constexpr int kMinHeight = 560;

QColor noticeOrange()
{
    return QColor::fromRgbF(1.0f, 0.58f, 0.0f);
}

Text* wrapped(const QString& text, TextStyle style, QWidget* parent)
{
    auto* label = new Text(text, style, parent);
    label->setColor(Theme::secondary());
    label->setWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    label->setSizePolicy(policy);
    return label;
}

QVBoxLayout* section(QWidget* widget, int spacing, const QString& title = {})
{
    auto* column = new QVBoxLayout(widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    if (!title.isEmpty())
        column->addWidget(new Text(title, TextStyle::headline, widget));
    return column;
}

// One scene of the list: its symbol, "3. Před a po" and its headline in the studio's language;
// the current scene on an ember tint with an ember symbol.
class StudioSceneRow : public HoverButton {
public:
    StudioSceneRow(const StudioScene& scene, QWidget* parent) : HoverButton(8, parent), m_scene(scene)
    {
        setObjectName(QStringLiteral("scene%1").arg(scene.id));
        contentLayout()->setContentsMargins(10, 7, 10, 7);
        contentLayout()->setSpacing(10);
        m_symbol = new SymbolView(scene.symbol, 16, this);
        m_symbol->setBoxWidth(22);
        contentLayout()->addWidget(m_symbol, 0, Qt::AlignVCenter);
        auto* texts = new QVBoxLayout();
        texts->setSpacing(1);
        auto* title = new Text(QStringLiteral("%1. %2").arg(scene.id).arg(scene.title), TextStyle::callout, this);
        title->setObjectName(QStringLiteral("title"));
        title->setStyle(TextStyle::callout, QFont::DemiBold);
        texts->addWidget(title);
        m_headline = new Text(QString(), TextStyle::caption, this);
        m_headline->setColor(Theme::secondary());
        m_headline->setElide(Qt::ElideRight);
        texts->addWidget(m_headline);
        contentLayout()->addLayout(texts, 1);
    }

    void set(const QString& code, bool current)
    {
        m_headline->setText(m_scene.headlineFor(code));
        m_symbol->setColor(current ? DynamicColor{Theme::ember(), Theme::ember()} : Theme::secondary());
        if (m_current != current) {
            m_current = current;
            update();
        }
    }
    bool isCurrent() const { return m_current; }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (m_current) {
            QPainter p(this);
            p.setRenderHint(QPainter::Antialiasing);
            QColor tint = Theme::ember();
            tint.setAlphaF(0.12f);
            QPainterPath path;
            path.addRoundedRect(QRectF(rect()), 8, 8);
            p.fillPath(path, tint);
        }
        HoverButton::paintEvent(event);
    }

private:
    StudioScene m_scene;
    SymbolView* m_symbol;
    Text* m_headline;
    bool m_current = false;
};

} // namespace

StudioWindow::StudioWindow(ScreenshotStudio& studio, Hooks hooks, QWidget* parent)
    : QScrollArea(parent), m_studio(studio), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("studioView"));
    if (!m_hooks.files)
        m_hooks.files = std::make_shared<DesktopFileManager>();
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFixedWidth(kWidth);
    setMinimumHeight(kMinHeight);

    m_column = new QWidget(this);
    auto* column = new QVBoxLayout(m_column);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(18);
    column->addWidget(header());
    column->addWidget(startCard());
    for (QWidget* part : {options(), autoCapture(), scenes(), finisher()}) {
        column->addWidget(part);
        m_activeSections << part;
    }
    column->addStretch(1);
    setWidget(m_column);

    connect(&m_studio, &ScreenshotStudio::changed, this, &StudioWindow::refresh);
    m_wasActive = m_studio.isActive();
    refresh();
}

StudioWindow::~StudioWindow()
{
    disconnect(&m_studio, nullptr, this, nullptr);
    m_studio.stop();
}

QWidget* StudioWindow::header()
{
    auto* header = new QWidget(m_column);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    auto* titles = new QVBoxLayout();
    titles->setSpacing(2);
    auto* title = new Text(QStringLiteral("Studio pro screenshoty"), TextStyle::title2, header);
    title->setStyle(TextStyle::title2, QFont::DemiBold);
    titles->addWidget(title);
    auto* note = new Text(QStringLiteral("Jen ve vývojové verzi"), TextStyle::caption, header);
    note->setColor(Theme::secondary());
    titles->addWidget(note);
    row->addLayout(titles);
    row->addStretch(1);
    auto* end = new KelvaroButton(QStringLiteral("Ukončit"), KelvaroButton::Kind::secondary, header);
    end->setObjectName(QStringLiteral("end"));
    connect(end, &QAbstractButton::clicked, this, [this] { m_studio.stop(); });
    row->addWidget(end, 0, Qt::AlignVCenter);
    m_end = end;
    return header;
}

QWidget* StudioWindow::startCard()
{
    m_startCard = new QWidget(m_column);
    m_startCard->setObjectName(QStringLiteral("startCard"));
    QVBoxLayout* column = section(m_startCard, 10);
    column->addWidget(wrapped(QStringLiteral("Aplikace dočasně ukáže ukázkové fotky, police, historii a sledované složky. "
                                             "Tvoje data se mezitím neukládají a po ukončení studia se vrátí, stejně jako jazyk."),
                              TextStyle::callout, m_startCard));
    auto* start = new KelvaroButton(QStringLiteral("Spustit ukázkový režim"), KelvaroButton::Kind::primary, m_startCard);
    start->setObjectName(QStringLiteral("start"));
    connect(start, &QAbstractButton::clicked, this, [this] {
        // The studio sizes the main window, so it has to be there first.
        if (m_hooks.openMainWindow)
            m_hooks.openMainWindow();
        m_studio.start();
    });
    column->addWidget(start, 0, Qt::AlignLeft);
    return m_startCard;
}

QWidget* StudioWindow::options()
{
    auto* options = new QWidget(m_column);
    options->setObjectName(QStringLiteral("options"));
    QVBoxLayout* column = section(options, 10);
    auto addPicker = [&](const QString& label, const QList<SegmentedPicker::Segment>& segments) {
        auto* row = new QHBoxLayout();
        row->setSpacing(10);
        auto* text = new Text(label, TextStyle::body, options);
        text->setFixedWidth(48);
        row->addWidget(text);
        auto* picker = new SegmentedPicker(segments, label, options);
        row->addWidget(picker, 1);
        column->addLayout(row);
        return picker;
    };
    m_language = addPicker(QStringLiteral("Jazyk"), {{rawValue(AppLanguage::czech), QStringLiteral("Čeština")},
                                                       {rawValue(AppLanguage::english), QStringLiteral("English")}});
    m_language->setObjectName(QStringLiteral("language"));
    connect(m_language, &SegmentedPicker::tagClicked, this, [this](const QString& tag) {
        if (const std::optional<AppLanguage> language = appLanguageFromRaw(tag))
            m_studio.setLanguage(*language);
    });
    m_appearance = addPicker(QStringLiteral("Vzhled"), {{QStringLiteral("light"), QStringLiteral("Světlý")},
                                                         {QStringLiteral("dark"), QStringLiteral("Tmavý")}});
    m_appearance->setObjectName(QStringLiteral("appearance"));
    connect(m_appearance, &SegmentedPicker::tagClicked, this,
            [this](const QString& tag) { m_studio.setDark(tag == QLatin1String("dark")); });
    QList<SegmentedPicker::Segment> sizes;
    for (StudioSize size : {StudioSize::large, StudioSize::small}) {
        const QSize s = nominalSize(size);
        sizes.append({rawValue(size), QStringLiteral("%1 × %2").arg(s.width()).arg(s.height())});
    }
    m_size = addPicker(QStringLiteral("Okno"), sizes);
    m_size->setObjectName(QStringLiteral("size"));
    m_size->setToolTip(QStringLiteral("Okno se na tuhle velikost nastaví samo při každé scéně"));
    connect(m_size, &SegmentedPicker::tagClicked, this,
            [this](const QString& tag) { m_studio.setSize(studioSizeFromRaw(tag)); });
    m_notice = wrapped(QString(), TextStyle::caption, options);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setColor(noticeOrange());
    column->addWidget(m_notice);
    return options;
}

QWidget* StudioWindow::autoCapture()
{
    auto* capture = new QWidget(m_column);
    capture->setObjectName(QStringLiteral("autoCapture"));
    QVBoxLayout* column = section(capture, 8, QStringLiteral("Vyfotit automaticky"));
    auto* languages = new QHBoxLayout();
    languages->setSpacing(16);
    auto* czech = new QCheckBox(QStringLiteral("Čeština"), capture);
    czech->setObjectName(QStringLiteral("captureCzech"));
    auto* english = new QCheckBox(QStringLiteral("English"), capture);
    english->setObjectName(QStringLiteral("captureEnglish"));
    for (QCheckBox* box : {czech, english}) {
        box->setChecked(true);
        connect(box, &QCheckBox::toggled, this, &StudioWindow::refresh);
        languages->addWidget(box);
    }
    languages->addStretch(1);
    column->addLayout(languages);
    m_czech = czech;
    m_english = english;
    auto* framed = new QCheckBox(QStringLiteral("Oranžový rámeček s titulkem scény"), capture);
    framed->setObjectName(QStringLiteral("framed"));
    column->addWidget(framed);
    m_framed = framed;

    m_capture = new KelvaroButton(QStringLiteral("Vyfotit všechny scény"), KelvaroButton::Kind::primary, capture);
    m_capture->setObjectName(QStringLiteral("captureAll"));
    m_capture->setSymbol(QStringLiteral("camera.fill"));
    connect(m_capture, &QAbstractButton::clicked, this, &StudioWindow::captureAll);
    column->addWidget(m_capture, 0, Qt::AlignLeft);
    m_capturing = new QWidget(capture);
    auto* running = new QHBoxLayout(m_capturing);
    running->setContentsMargins(0, 0, 0, 0);
    running->setSpacing(10);
    running->addWidget(new Spinner(14, m_capturing));
    auto* stop = new KelvaroButton(QStringLiteral("Zastavit"), KelvaroButton::Kind::secondary, m_capturing);
    stop->setObjectName(QStringLiteral("stopCapture"));
    // The run ends before its next scene.
    connect(stop, &QAbstractButton::clicked, this, [this] { m_studio.setCapturing(false); });
    running->addWidget(stop);
    running->addStretch(1);
    column->addWidget(m_capturing);
    m_progress = new Text(QString(), TextStyle::caption, capture);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setColor(Theme::secondary());
    column->addWidget(m_progress);
    return capture;
}

QWidget* StudioWindow::scenes()
{
    auto* scenes = new QWidget(m_column);
    scenes->setObjectName(QStringLiteral("scenes"));
    QVBoxLayout* column = section(scenes, 6, QStringLiteral("Scény"));
    for (const StudioScene& scene : StudioScene::all()) {
        auto* row = new StudioSceneRow(scene, scenes);
        connect(row, &QAbstractButton::clicked, this, [this, id = scene.id] { m_studio.show(id); });
        column->addWidget(row);
        m_sceneRows << row;
    }
    column->addSpacing(4);
    column->addWidget(wrapped(QStringLiteral("Focení ručně: v nástroji na snímky obrazovky zvol snímek okna bez stínu a klikni "
                                             "na hlavní okno. Klávesa Shift teď kolo nepřepíná."),
                              TextStyle::caption, scenes));
    return scenes;
}

QWidget* StudioWindow::finisher()
{
    auto* finisher = new QWidget(m_column);
    finisher->setObjectName(QStringLiteral("finisher"));
    QVBoxLayout* column = section(finisher, 8, QStringLiteral("Ručně vyfocená PNG"));
    auto* zone = new StudioDropZone(m_studio, [this] { return m_framed->isChecked(); }, m_hooks.files, finisher);
    column->addWidget(zone);
    m_finishNote = new Text(QString(), TextStyle::caption, finisher);
    m_finishNote->setObjectName(QStringLiteral("finishNote"));
    m_finishNote->setColor(Theme::secondary());
    m_finishNote->hide();
    column->addWidget(m_finishNote);
    connect(zone, &StudioDropZone::finished, this, [this](const QString& note) {
        m_finishNote->setText(note);
        m_finishNote->show();
    });
    return finisher;
}

void StudioWindow::captureAll()
{
    QList<AppLanguage> languages;
    if (m_czech->isChecked())
        languages << AppLanguage::czech;
    if (m_english->isChecked())
        languages << AppLanguage::english;
    if (!languages.isEmpty())
        m_studio.captureAll(languages, m_framed->isChecked(), m_hooks.files);
}

void StudioWindow::refresh()
{
    const bool active = m_studio.isActive();
    m_end->setVisible(active);
    m_startCard->setVisible(!active);
    for (QWidget* part : m_activeSections)
        part->setVisible(active);

    m_language->setSelection(rawValue(m_studio.language()));
    m_appearance->setSelection(m_studio.isDark() ? QStringLiteral("dark") : QStringLiteral("light"));
    m_size->setSelection(rawValue(m_studio.size()));
    m_notice->setText(m_studio.notice().value_or(QString()));
    m_notice->setVisible(m_studio.notice().has_value());

    const bool capturing = m_studio.isCapturing();
    m_capture->setVisible(!capturing);
    // A stopped run may still be finishing its scene; a new one waits for it.
    m_capture->setEnabled((m_czech->isChecked() || m_english->isChecked()) && !m_studio.isCaptureRunning());
    m_capturing->setVisible(capturing);
    m_progress->setText(m_studio.captureProgress());
    m_progress->setVisible(!m_studio.captureProgress().isEmpty());

    const QString code = rawValue(m_studio.language());
    for (QWidget* row : m_sceneRows) {
        auto* sceneRow = static_cast<StudioSceneRow*>(row);
        sceneRow->set(code, m_studio.currentScene() == row->objectName().mid(5).toInt());
    }

    // Demo mode in or out: the window takes the height of what it now shows.
    if (active != m_wasActive) {
        m_wasActive = active;
        if (window() != this && window()->isVisible())
            window()->resize(window()->width(), sizeHint().height());
    }
}

QSize StudioWindow::sizeHint() const
{
    int height = m_column->sizeHint().height();
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        height = std::min(height, screen->availableGeometry().height() - 80);
    return {kWidth, std::max(kMinHeight, height)};
}

void StudioWindow::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    if (!m_watchingWindow) {
        m_watchingWindow = true;
        window()->installEventFilter(this);
    }
}

bool StudioWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Closing the window always gives the user's data, language and appearance back.
    if (watched == window() && event->type() == QEvent::Close)
        m_studio.stop();
    return QScrollArea::eventFilter(watched, event);
}

} // namespace kelvaro
