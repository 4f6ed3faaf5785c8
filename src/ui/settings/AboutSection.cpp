#include "ui/settings/AboutSection.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/AppIcon.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/SettingRows.h"
#include "ui/design/Spinner.h"
#include "ui/design/Symbols.h"
#include "ui/settings/PrivacyPolicyView.h"
#include "ui/settings/UpdateSource.h"

namespace kelvaro::settings {
namespace {

// The page's column: 14 px between its items, padded 24 px at the sides and 16 px above and
// below. In the settings window's fixed frame its gaps, those of the update row and the padding
// above and below close down, to no less than this share, when the content needs the room.
constexpr int kSpacing = 14;
constexpr int kPadding = 16;
constexpr int kSideMargin = 24;
constexpr int kUpdateSpacing = 8; // in the update row
constexpr double kLeastGapShare = 0.25;

// A privacy promise: symbol and title in ember on a capsule of ember at 12 %.
class AboutPill : public QWidget {
public:
    AboutPill(const QString& symbol, TextSource title, QWidget* parent) : QWidget(parent), m_symbol(symbol)
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        followLanguage(this, [this, title] {
            m_title = title();
            setAccessibleName(m_title);
            updateGeometry();
            update();
        });
    }
    QString title() const { return m_title; }
    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return {10 + 12 + 5 + metrics.horizontalAdvance(m_title) + 10, metrics.height() + 10};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor fill = Theme::ember();
        fill.setAlphaF(0.12f);
        QPainterPath capsule;
        capsule.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
        p.fillPath(capsule, fill);
        const qreal glyph = 12;
        Symbols::paint(p, QRectF(10, (height() - glyph) / 2, glyph, glyph), m_symbol, Theme::ember(), 1.2);
        p.setFont(font());
        p.setPen(Theme::emberText().on(this));
        p.drawText(QRect(10 + 12 + 5, 0, width() - 27, height()), Qt::AlignLeft | Qt::AlignVCenter, m_title);
    }

private:
    QFont font() const { return Theme::font(TextStyle::caption, QFont::Medium); }
    QString m_symbol;
    QString m_title;
};

Text* centredText(TextStyle style, const DynamicColor& color, QWidget* parent)
{
    auto* text = new Text(QString(), style, parent);
    text->setColor(color);
    text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return text;
}

Text* wrappedCentre(TextStyle style, const DynamicColor& color, int maxWidth, QWidget* parent)
{
    Text* text = centredText(style, color, parent);
    wrapToWidth(text);
    text->setMaximumWidth(maxWidth);
    return text;
}

// A row that centres `text`: its height then follows the width the text really gets.
QHBoxLayout* centred(QWidget* text)
{
    auto* row = new QHBoxLayout();
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(0);
    row->addWidget(text, 1);
    row->addStretch(0);
    return row;
}

QString privacyParagraph(bool checksForUpdates)
{
    const QString promise = L("Kelvaro upravuje fotky jen v tvém počítači. Nesbírá žádná data, nemá účet ani reklamy.");
    if (!checksForUpdates)
        return promise;
    return promise + QLatin1Char(' ') + L("Na internet se připojí jen kvůli kontrole nové verze a i tu můžeš vypnout.");
}

} // namespace

AboutSection::AboutSection(UpdateSource* updates, AboutInfo info, std::function<void(const QUrl&)> openUrl, QWidget* parent)
    : QWidget(parent), m_updates(updates), m_info(std::move(info)), m_openUrl(std::move(openUrl))
{
    setObjectName(QStringLiteral("about"));
    const bool hasFeed = m_updates && m_updates->hasFeed();
    // No scrolling: the page is laid out for the settings window's fixed frame (see fitGaps).
    m_column = new QVBoxLayout(this);
    QVBoxLayout* column = m_column;
    column->setContentsMargins(kSideMargin, kPadding, kSideMargin, kPadding);
    column->setSpacing(kSpacing);
    m_gapColumns.append({column, kSpacing});
    column->addStretch(1);
    column->addWidget(new AppLogo(76, this), 0, Qt::AlignHCenter);

    auto* identity = new QVBoxLayout();
    identity->setSpacing(4);
    auto* name = centredText(TextStyle::display, Theme::primary(), this);
    name->setTextFont(Theme::font(26, QFont::Bold));
    name->setText(QStringLiteral("Kelvaro"));
    identity->addWidget(name, 0, Qt::AlignHCenter);
    auto* tagline = centredText(TextStyle::body, Theme::secondary(), this);
    identity->addWidget(tagline, 0, Qt::AlignHCenter);
    auto* version = centredText(TextStyle::caption, Theme::tertiary(), this);
    version->setObjectName(QStringLiteral("version"));
    identity->addWidget(version, 0, Qt::AlignHCenter);
    column->addLayout(identity);

    auto* pills = new QHBoxLayout();
    pills->setSpacing(8);
    pills->addStretch(1);
    pills->addWidget(new AboutPill(QStringLiteral("eye.slash"), [] { return L("Bez sledování"); }, this));
    pills->addWidget(new AboutPill(QStringLiteral("person.crop.circle.badge.xmark"), [] { return L("Bez účtu"); }, this));
    pills->addWidget(new AboutPill(QStringLiteral("hand.raised.fill"), [] { return L("Bez reklam"); }, this));
    pills->addStretch(1);
    column->addLayout(pills);

    auto* promise = wrappedCentre(TextStyle::callout, Theme::secondary(), 400, this);
    promise->setObjectName(QStringLiteral("promise"));
    column->addLayout(centred(promise));

    auto* links = new QHBoxLayout();
    links->setSpacing(10);
    links->addStretch(1);
    auto* policy = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, this);
    policy->setObjectName(QStringLiteral("policy"));
    connect(policy, &QAbstractButton::clicked, this, &AboutSection::showPolicy);
    links->addWidget(policy);
    auto* site = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, this);
    site->setObjectName(QStringLiteral("site"));
    site->setVisible(!AboutInfo::page(m_info.siteCs, m_info.siteEn).isEmpty());
    connect(site, &QAbstractButton::clicked, this, [this] {
        if (m_openUrl)
            m_openUrl(AboutInfo::page(m_info.siteCs, m_info.siteEn));
    });
    links->addWidget(site);
    links->addStretch(1);
    column->addLayout(links);

    // The update row: a newer release, or the check button with its result; then the box.
    m_updateRow = new QWidget(this);
    m_updateRow->setObjectName(QStringLiteral("updates"));
    m_updateRow->setVisible(hasFeed);
    auto* updateColumn = new QVBoxLayout(m_updateRow);
    updateColumn->setContentsMargins(0, 0, 0, 0);
    updateColumn->setSpacing(kUpdateSpacing);
    m_gapColumns.append({updateColumn, kUpdateSpacing});
    m_availableBox = new QWidget(m_updateRow);
    auto* availableColumn = new QVBoxLayout(m_availableBox);
    availableColumn->setContentsMargins(0, 0, 0, 0);
    availableColumn->setSpacing(kUpdateSpacing);
    m_gapColumns.append({availableColumn, kUpdateSpacing});
    m_available = centredText(TextStyle::headline, DynamicColor{Theme::ember(), Theme::ember()}, m_availableBox);
    m_available->setObjectName(QStringLiteral("available"));
    availableColumn->addWidget(m_available, 0, Qt::AlignHCenter);
    // The notes come from the network: the Text widget draws them as plain text, never markup.
    m_notes = wrappedCentre(TextStyle::caption, Theme::secondary(), 360, m_availableBox);
    m_notes->setObjectName(QStringLiteral("notes"));
    availableColumn->addLayout(centred(m_notes));
    auto* download = new KelvaroButton(QString(), KelvaroButton::Kind::primary, m_availableBox);
    download->setObjectName(QStringLiteral("download"));
    connect(download, &QAbstractButton::clicked, this, [this] {
        if (m_updates)
            m_updates->openDownload();
    });
    availableColumn->addWidget(download, 0, Qt::AlignHCenter);
    updateColumn->addWidget(m_availableBox);

    m_checkRow = new QWidget(m_updateRow);
    auto* checkLine = new QHBoxLayout(m_checkRow);
    checkLine->setContentsMargins(0, 0, 0, 0);
    checkLine->setSpacing(10);
    checkLine->addStretch(1);
    m_check = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, m_checkRow);
    m_check->setObjectName(QStringLiteral("check"));
    connect(m_check, &QAbstractButton::clicked, this, [this] {
        if (m_updates)
            m_updates->check();
    });
    checkLine->addWidget(m_check);
    m_spinner = new Spinner(14, m_checkRow);
    m_spinner->setObjectName(QStringLiteral("spinner"));
    checkLine->addWidget(m_spinner);
    m_status = new Text(QString(), TextStyle::caption, m_checkRow);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setColor(Theme::secondary());
    checkLine->addWidget(m_status);
    checkLine->addStretch(1);
    updateColumn->addWidget(m_checkRow);

    m_autoCheck = new QCheckBox(m_updateRow);
    m_autoCheck->setObjectName(QStringLiteral("autoCheck"));
    m_autoCheck->setFont(Theme::font(TextStyle::caption));
    connect(m_autoCheck, &QCheckBox::clicked, this, [this](bool on) {
        if (m_updates)
            m_updates->setAutoCheck(on);
    });
    updateColumn->addWidget(m_autoCheck, 0, Qt::AlignHCenter);
    column->addWidget(m_updateRow);
    if (m_updates)
        connect(m_updates, &UpdateSource::changed, this, &AboutSection::refreshUpdates);

    auto* support = new QWidget(this);
    support->setObjectName(QStringLiteral("support"));
    support->setVisible(!AboutInfo::page(m_info.supportCs, m_info.supportEn).isEmpty());
    auto* supportColumn = new QVBoxLayout(support);
    supportColumn->setContentsMargins(0, 0, 0, 0);
    supportColumn->setSpacing(6);
    auto* donate = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, support);
    donate->setObjectName(QStringLiteral("donate"));
    donate->setSymbol(QStringLiteral("heart"));
    connect(donate, &QAbstractButton::clicked, this, [this] {
        if (m_openUrl)
            m_openUrl(AboutInfo::page(m_info.supportCs, m_info.supportEn));
    });
    supportColumn->addWidget(donate, 0, Qt::AlignHCenter);
    auto* free = centredText(TextStyle::caption, Theme::secondary(), support);
    supportColumn->addWidget(free, 0, Qt::AlignHCenter);
    column->addWidget(support);

    column->addStretch(1);
    auto* closing = centredText(TextStyle::caption, Theme::tertiary(), this);
    closing->setTextFont(Theme::font(10));
    closing->setText(QStringLiteral("© 2026 Kelvaro"));
    column->addWidget(closing, 0, Qt::AlignHCenter);

    followLanguage(this, [=, this] {
        tagline->setText(L("Dílna na fotky"));
        version->setText(L("Verze") + QLatin1Char(' ') + m_info.versionText());
        promise->setText(privacyParagraph(hasFeed));
        policy->setText(L("Zásady ochrany soukromí…"));
        site->setText(L("Web aplikace"));
        download->setText(L("Stáhnout"));
        m_check->setText(L("Zkontrolovat aktualizace"));
        m_autoCheck->setText(L("Automaticky hledat nové verze"));
        donate->setText(L("Podpořit vývoj…"));
        free->setText(L("Kelvaro je zdarma. Příspěvek je dobrovolný a nic neodemyká."));
        refreshUpdates();
    });
}

bool AboutSection::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // The page's layout has just been brought up to date with what its items now need.
    if (event->type() == QEvent::LayoutRequest)
        fitGaps();
    return handled;
}

void AboutSection::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitGaps();
}

void AboutSection::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    fitGaps();
}

void AboutSection::fitGaps()
{
    if (width() <= 0 || height() <= 0)
        return;
    // The gaps are the one part of the page that may give. Measured at the gaps now set, the
    // content's own height is what remains without them; a column on a hidden box has none.
    const QMargins margins = m_column->contentsMargins();
    int gapsNow = margins.top() + margins.bottom();
    int fullGaps = 2 * kPadding;
    for (const auto& [column, full] : m_gapColumns) {
        if (!column->parentWidget()->isVisibleTo(this))
            continue;
        int items = 0;
        for (int i = 0; i < column->count(); ++i)
            items += column->itemAt(i)->isEmpty() ? 0 : 1;
        gapsNow += column->spacing() * qMax(0, items - 1);
        fullGaps += full * qMax(0, items - 1);
    }
    const int now = m_column->hasHeightForWidth() ? m_column->heightForWidth(width()) : m_column->sizeHint().height();
    const int content = now - gapsNow;
    const double share = std::clamp(double(height() - content) / fullGaps, kLeastGapShare, 1.0);
    // Setting a value lays the page out again, which comes back here: only a change is set.
    for (const auto& [column, full] : m_gapColumns)
        if (const int spacing = int(std::floor(full * share)); spacing != column->spacing())
            column->setSpacing(spacing);
    const int padding = int(std::floor(kPadding * share));
    if (padding != margins.top() || padding != margins.bottom())
        m_column->setContentsMargins(kSideMargin, padding, kSideMargin, padding);
}

void AboutSection::refreshUpdates()
{
    if (!m_updates)
        return;
    const std::optional<QString> version = m_updates->availableVersion();
    m_availableBox->setVisible(version.has_value());
    m_checkRow->setVisible(!version);
    if (version) {
        m_available->setText(Lf("Je dostupná nová verze %@", *version));
        const std::optional<QString> notes = m_updates->notes();
        m_notes->setText(notes.value_or(QString()));
        m_notes->setVisible(notes && !notes->isEmpty());
    }
    const UpdateSource::Status status = m_updates->status();
    m_check->setEnabled(status != UpdateSource::Status::checking);
    m_spinner->setVisible(status == UpdateSource::Status::checking);
    m_status->setVisible(status == UpdateSource::Status::upToDate || status == UpdateSource::Status::failed);
    m_status->setText(status == UpdateSource::Status::failed ? L("Kontrola se nepovedla") : L("Máš nejnovější verzi"));
    m_autoCheck->setChecked(m_updates->autoCheck());
}

void AboutSection::showPolicy()
{
    auto* policy = new PrivacyPolicyView(m_updates && m_updates->hasFeed() ? m_updates->feedHost() : QString(), this);
    policy->setAttribute(Qt::WA_DeleteOnClose);
    policy->setWindowModality(Qt::WindowModal);
    Theme::follow(policy); // a window does not inherit its parent's palette
    policy->open();
}

} // namespace kelvaro::settings
