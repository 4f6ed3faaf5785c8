#include "model/Models.h"

#include <cstdlib>
#include <limits>

#include <QJsonArray>

#include "l10n/Localization.h"
#include "platform/Json.h"

namespace kelvaro {
namespace {

struct ActionRow {
    WheelMode mode;
    const char* key;
    const char* symbol;
    const char* detail;
    WheelCommand command;
};

// The 21 slices in wheel order, with the Czech descriptions that detail() looks up and what each
// does. The key is stored and shown; only this table turns it into a command.
const ActionRow kActionRows[] = {
    {WheelMode::convert, LKey("JPG"), "photo", LKey("Univerzální a malé"), WheelCommand::convertJpg},
    {WheelMode::convert, LKey("PNG"), "square.on.square", LKey("Bez ztráty, s průhledností"), WheelCommand::convertPng},
    {WheelMode::convert, LKey("HEIC"), "camera.aperture", LKey("Moderní a úsporné"), WheelCommand::convertHeic},
    {WheelMode::convert, LKey("TIFF"), "photo.artframe", LKey("Pro tisk a archiv"), WheelCommand::convertTiff},
    {WheelMode::convert, LKey("PDF"), "doc.richtext", LKey("Více fotek do jednoho PDF"), WheelCommand::convertPdf},
    {WheelMode::convert, LKey("ZIP"), "doc.zipper", LKey("Zabalit do jednoho archivu"), WheelCommand::convertZip},
    {WheelMode::tools, LKey("Ořez"), "crop", LKey("Poměr 1:1, 4:5, 16:9\u2026"), WheelCommand::crop},
    {WheelMode::tools, LKey("Velikost"), "arrow.up.left.and.arrow.down.right", LKey("Procenta nebo delší strana"), WheelCommand::resize},
    {WheelMode::tools, LKey("Komprese"), "arrow.down.right.and.arrow.up.left", LKey("Menší soubor, stejný dojem"), WheelCommand::compress},
    {WheelMode::tools, LKey("Pozadí"), "person.crop.rectangle", LKey("Vystřihne hlavní objekt"), WheelCommand::removeBackground},
    {WheelMode::tools, LKey("Úpravy"), "slider.horizontal.3", LKey("Jas, kontrast, sytost\u2026"), WheelCommand::adjust},
    {WheelMode::tools, LKey("Obličeje"), "face.dashed", LKey("Rozmaže obličeje na fotce"), WheelCommand::blurFaces},
    {WheelMode::tools, LKey("OCR"), "text.viewfinder", LKey("Text z obrázku do schránky"), WheelCommand::ocr},
    {WheelMode::tools, LKey("Sken"), "doc.viewfinder", LKey("Narovná dokument do PDF"), WheelCommand::scan},
    {WheelMode::tools, LKey("Vodoznak"), "signature", LKey("Text přes celou fotku"), WheelCommand::watermark},
    {WheelMode::actions, LKey("Na polici"), "tray.full", LKey("Odložit na později"), WheelCommand::shelve},
    {WheelMode::actions, LKey("KDE Connect"), "airplayaudio", LKey("Poslat do okolí"), WheelCommand::sendNearby},
    {WheelMode::actions, LKey("Přesunout"), "folder", LKey("Do jiné složky"), WheelCommand::move},
    {WheelMode::actions, LKey("Přejmenovat"), "character.cursor.ibeam", LKey("Dávkově, s číslováním"), WheelCommand::rename},
    {WheelMode::actions, LKey("Metadata"), "eye.slash", LKey("Smaže EXIF a polohu GPS"), WheelCommand::stripMetadata},
    {WheelMode::actions, LKey("Schránka"), "doc.on.clipboard", LKey("Soubory, cesty nebo názvy"), WheelCommand::clipboard},
};

std::optional<int> toInt(qint64 value)
{
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

template <typename E>
std::optional<E> fromRaw(const QList<E>& all, const QString& raw)
{
    for (E e : all)
        if (rawValue(e) == raw)
            return e;
    return std::nullopt;
}

} // namespace

// ---- Wheel ------------------------------------------------------------------------------------

QString rawValue(WheelMode mode)
{
    switch (mode) {
    case WheelMode::convert: return QStringLiteral("convert");
    case WheelMode::tools: return QStringLiteral("tools");
    case WheelMode::actions: return QStringLiteral("actions");
    }
    return QStringLiteral("convert");
}

const QList<WheelMode>& allWheelModes()
{
    static const QList<WheelMode> all{WheelMode::convert, WheelMode::tools, WheelMode::actions};
    return all;
}

std::optional<WheelMode> wheelModeFromRaw(const QString& raw)
{
    return fromRaw(allWheelModes(), raw);
}

QString title(WheelMode mode)
{
    switch (mode) {
    case WheelMode::convert: return L("Převést");
    case WheelMode::tools: return L("Nástroje");
    case WheelMode::actions: return L("Akce");
    }
    return {};
}

QString modifierKeys(WheelMode mode)
{
    switch (mode) {
    case WheelMode::convert: return QStringLiteral("Shift");
    case WheelMode::tools: return QStringLiteral("Shift+Alt");
    case WheelMode::actions: return QStringLiteral("Ctrl");
    }
    return {};
}

const QList<WheelAction>& actions(WheelMode mode)
{
    static const auto build = [](WheelMode m) {
        QList<WheelAction> list;
        for (const ActionRow& row : kActionRows)
            if (row.mode == m)
                list.append({QString::fromUtf8(row.key), QString::fromUtf8(row.symbol)});
        return list;
    };
    static const QList<WheelAction> convert = build(WheelMode::convert);
    static const QList<WheelAction> tools = build(WheelMode::tools);
    static const QList<WheelAction> acts = build(WheelMode::actions);
    switch (mode) {
    case WheelMode::convert: return convert;
    case WheelMode::tools: return tools;
    case WheelMode::actions: return acts;
    }
    return convert;
}

std::optional<WheelCommand> wheelCommand(WheelMode mode, const QString& key)
{
    // Convert keys are format names, taken whatever their case.
    const Qt::CaseSensitivity sensitivity = mode == WheelMode::convert ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (const ActionRow& row : kActionRows) {
        if (row.mode == mode && key.compare(QString::fromUtf8(row.key), sensitivity) == 0)
            return row.command;
    }
    return std::nullopt;
}

QString WheelAction::detail() const
{
    for (const ActionRow& row : kActionRows)
        if (key == QString::fromUtf8(row.key))
            return L(row.detail);
    return {};
}

// ---- ActivityItem -----------------------------------------------------------------------------

QJsonObject ActivityItem::toJson() const
{
    return json::Writer(unknownMembers)
        .set(QStringLiteral("id"), id)
        .set(QStringLiteral("fileName"), fileName)
        .set(QStringLiteral("actionTitle"), actionTitle)
        .set(QStringLiteral("symbol"), symbol)
        .set(QStringLiteral("date"), date)
        .set(QStringLiteral("savedBytes"), savedBytes)
        .setOptional(QStringLiteral("outputPath"), outputPath)
        .object();
}

std::optional<ActivityItem> ActivityItem::fromJson(const QJsonValue& value)
{
    json::Reader r(value);
    ActivityItem a;
    a.id = r.uuid(QStringLiteral("id"));
    a.fileName = r.string(QStringLiteral("fileName"));
    a.actionTitle = r.string(QStringLiteral("actionTitle"));
    a.symbol = r.string(QStringLiteral("symbol"));
    a.date = r.date(QStringLiteral("date"));
    a.savedBytes = r.integer(QStringLiteral("savedBytes"));
    a.outputPath = r.optString(QStringLiteral("outputPath"));
    a.unknownMembers = r.unknownMembers();
    if (!r.ok())
        return std::nullopt;
    return a;
}

qint64 totalSavedBytes(const QList<ActivityItem>& activities)
{
    qint64 total = 0;
    for (const ActivityItem& item : activities)
        if (item.savedBytes > 0 && total <= std::numeric_limits<qint64>::max() - item.savedBytes)
            total += item.savedBytes;
    return total;
}

// ---- ShelfItem and Shelf ----------------------------------------------------------------------

QJsonObject ShelfItem::toJson() const
{
    return json::Writer(unknownMembers)
        .set(QStringLiteral("id"), id)
        .set(QStringLiteral("name"), name)
        .setData(QStringLiteral("bookmark"), bookmark)
        .set(QStringLiteral("bytes"), bytes)
        .set(QStringLiteral("added"), added)
        .setOptional(QStringLiteral("storedPath"), storedPath)
        .object();
}

std::optional<ShelfItem> ShelfItem::fromJson(const QJsonValue& value)
{
    json::Reader r(value);
    ShelfItem item;
    item.id = r.uuid(QStringLiteral("id"));
    item.name = r.string(QStringLiteral("name"));
    item.bookmark = r.data(QStringLiteral("bookmark"));
    item.bytes = r.integer(QStringLiteral("bytes"));
    item.added = r.date(QStringLiteral("added"));
    item.storedPath = r.optString(QStringLiteral("storedPath"));
    item.unknownMembers = r.unknownMembers();
    if (!r.ok())
        return std::nullopt;
    return item;
}

int paletteIndex(qint64 colorIndex, int paletteCount)
{
    if (paletteCount <= 0)
        return 0;
    // Remainder first: the absolute value of the smallest integer does not exist.
    return int(std::llabs(colorIndex % paletteCount));
}

int Shelf::paletteIndex(int paletteCount) const
{
    return kelvaro::paletteIndex(colorIndex, paletteCount);
}

QJsonObject Shelf::toJson() const
{
    QJsonArray itemArray;
    for (const ShelfItem& item : items)
        itemArray.append(item.toJson());
    return json::Writer(unknownMembers)
        .set(QStringLiteral("id"), id)
        .set(QStringLiteral("name"), name)
        .set(QStringLiteral("symbol"), symbol)
        .set(QStringLiteral("colorIndex"), colorIndex)
        .set(QStringLiteral("fileCount"), fileCount)
        .set(QStringLiteral("items"), QJsonValue(itemArray))
        .object();
}

std::optional<Shelf> Shelf::fromJson(const QJsonValue& value)
{
    json::Reader r(value);
    Shelf shelf;
    shelf.id = r.uuid(QStringLiteral("id"));
    shelf.name = r.string(QStringLiteral("name"));
    shelf.symbol = r.string(QStringLiteral("symbol"));
    const auto color = toInt(r.integer(QStringLiteral("colorIndex")));
    const auto count = toInt(r.optInteger(QStringLiteral("fileCount")).value_or(0));
    if (!color || !count)
        r.fail();
    shelf.colorIndex = color.value_or(0);
    shelf.fileCount = count.value_or(0);
    if (r.has(QStringLiteral("items"))) {
        for (const QJsonValue& v : r.array(QStringLiteral("items"))) {
            auto item = ShelfItem::fromJson(v);
            if (!item) {
                r.fail();
                break;
            }
            shelf.items.append(std::move(*item));
        }
    }
    shelf.unknownMembers = r.unknownMembers();
    if (!r.ok())
        return std::nullopt;
    return shelf;
}

// ---- SidebarItem ------------------------------------------------------------------------------

QString rawValue(SidebarItem item)
{
    switch (item) {
    case SidebarItem::home: return QStringLiteral("home");
    case SidebarItem::workflows: return QStringLiteral("workflows");
    case SidebarItem::watch: return QStringLiteral("watch");
    case SidebarItem::shelves: return QStringLiteral("shelves");
    case SidebarItem::history: return QStringLiteral("history");
    case SidebarItem::guide: return QStringLiteral("guide");
    }
    return QStringLiteral("home");
}

const QList<SidebarItem>& allSidebarItems()
{
    static const QList<SidebarItem> all{SidebarItem::home, SidebarItem::workflows, SidebarItem::watch,
                                        SidebarItem::shelves, SidebarItem::history, SidebarItem::guide};
    return all;
}

std::optional<SidebarItem> sidebarItemFromRaw(const QString& raw)
{
    return fromRaw(allSidebarItems(), raw);
}

QString title(SidebarItem item)
{
    switch (item) {
    case SidebarItem::home: return L("Domů");
    case SidebarItem::workflows: return L("Postupy");
    case SidebarItem::watch: return L("Sledované složky");
    case SidebarItem::shelves: return L("Police");
    case SidebarItem::history: return L("Historie");
    case SidebarItem::guide: return L("Průvodce");
    }
    return {};
}

QString symbol(SidebarItem item)
{
    switch (item) {
    case SidebarItem::home: return QStringLiteral("house");
    case SidebarItem::workflows: return QStringLiteral("wand.and.stars");
    case SidebarItem::watch: return QStringLiteral("eye");
    case SidebarItem::shelves: return QStringLiteral("tray.2");
    case SidebarItem::history: return QStringLiteral("clock.arrow.circlepath");
    case SidebarItem::guide: return QStringLiteral("questionmark.circle");
    }
    return {};
}

// ---- Sample content ---------------------------------------------------------------------------

namespace SampleData {

QList<ActivityItem> activities()
{
    struct Row {
        qint64 ageSeconds;
        const char* fileName;
        const char* title;
        const char* symbol;
        qint64 saved;
    };
    // Titles are stored in Czech, as a run would store them; the history translates them.
    static const Row rows[] = {
        {3600, "Svatba_0412.HEIC", LKey("HEIC \u2192 JPG"), "photo", 2400000},
        {10800, "Portfolio_2026", LKey("Spojit do PDF"), "doc.richtext", 0},
        {18000, "DSC_7781.jpg", LKey("Ořez 4:5"), "crop", 310000},
        {93600, "Vyber_klienta_2026", LKey("Zabalit do ZIP"), "doc.zipper", 18600000},
        {108000, "Produkt_hrnek_04.png", LKey("Odstranit pozadí"), "person.crop.rectangle", 0},
        {172800, "Island_Vik_221.jpg", LKey("Komprese"), "arrow.down.right.and.arrow.up.left", 5100000},
        {176400, "Island_Vik_222.jpg", LKey("Komprese"), "arrow.down.right.and.arrow.up.left", 4800000},
        {259200, "Faktura_sken.jpg", LKey("Text z obrázku"), "text.viewfinder", 0},
        {345600, "Portret_ateliér_01.HEIC", LKey("HEIC \u2192 JPG"), "photo", 1900000},
        {352800, "Portret_ateliér_02.HEIC", LKey("Vodoznak"), "signature", 0},
        {432000, "Reportaz_Brno", LKey("Zabalit do ZIP"), "doc.zipper", 32000000},
        {518400, "Krajina_Sumava.tiff", LKey("TIFF \u2192 JPG"), "photo", 41000000},
    };
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<ActivityItem> list;
    for (const Row& row : rows) {
        ActivityItem a;
        a.id = QUuid::createUuid();
        a.fileName = QString::fromUtf8(row.fileName);
        a.actionTitle = QString::fromUtf8(row.title);
        a.symbol = QString::fromUtf8(row.symbol);
        a.date = now.addSecs(-row.ageSeconds);
        a.savedBytes = row.saved;
        list.append(a);
    }
    return list;
}

QList<Shelf> shelves()
{
    const auto make = [](const QString& name, const char* symbol, int color, int count) {
        Shelf s;
        s.id = QUuid::createUuid();
        s.name = name;
        s.symbol = QString::fromUtf8(symbol);
        s.colorIndex = color;
        s.fileCount = count;
        return s;
    };
    return {
        make(L("Svatby"), "heart.fill", 4, 128),
        make(QStringLiteral("Portfolio 2026"), "star.fill", 1, 42),
        make(L("Produktovky"), "shippingbox.fill", 0, 67),
        make(L("Island"), "mountain.2.fill", 2, 214),
    };
}

} // namespace SampleData
} // namespace kelvaro
