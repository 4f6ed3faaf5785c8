#include "model/GuideContent.h"

#include "l10n/Localization.h"

namespace kelvaro::GuideContent {
namespace {

struct Row {
    const char* symbol;
    const char* title;
    const char* text;
};

template <size_t N>
QList<GuideTopic> topics(const Row (&rows)[N])
{
    QList<GuideTopic> list;
    for (const Row& row : rows)
        list.append({QString::fromUtf8(row.symbol), QString::fromUtf8(row.title), QString::fromUtf8(row.text), std::nullopt});
    return list;
}

const Row kSteps[] = {
    {"1.circle.fill", LKey("Přetáhni soubory"),
     LKey("Hoď fotky, PDF nebo celou složku do kola na Domů nebo do okénka, které otevře ikona na panelu, případně použij "
          "Ctrl+O. Složky se rozbalí na jednotlivé soubory. Další fotky přidáš tlačítkem „Přidat“ nebo je přetáhni na "
          "kartu – připojí se k výběru.")},
    {"2.circle.fill", LKey("Vyber kolo"),
     LKey("Tři kola: Převést mění formát, Nástroje upravují obsah, Akce pracují se soubory. Přepínáš je tlačítky nad "
          "kolem, zkratkami Ctrl+1–3 nebo podržením Shift, Shift+Alt či Ctrl, když je okno Kelvaro aktivní.")},
    {"3.circle.fill", LKey("Klikni na výseč"),
     LKey("Najeď na výseč a klikni. Některé akce se nejdřív zeptají na nastavení. Výsledky se uloží do výstupní "
          "složky, originály zůstávají nedotčené.")},
};

const Row kAppParts[] = {
    {"house", LKey("Domů"),
     LKey("Kolo pro ruční práci, přehled statistik, aktivita za poslední týden, police a nedávno vytvořené výsledky.")},
    {"wand.and.stars", LKey("Postupy"),
     LKey("Řetězec kroků, třeba úpravy, zmenšení, vodoznak a uložení jako JPG. Sestavíš ho jednou a spustíš na celou "
          "dávku fotek. Najdeš ho i v Rychlých předvolbách u kola a můžeš ho dát hlídat sledované složce.")},
    {"eye", LKey("Sledované složky"),
     LKey("Vyber složku a postup. Každou novou fotku, která do složky přistane, Kelvaro sám zpracuje a výsledek uloží "
          "do podsložky Automaticky ve výstupní složce. Originály zůstávají. Dokud má Kelvaro ikonu na panelu, běží "
          "to i se zavřeným oknem.")},
    {"tray.2", LKey("Police"),
     LKey("Místo na odložené fotky. Klikem soubor vybereš a mezerníkem otevřeš rychlý náhled. Z police fotky otevřeš, "
          "ukážeš ve správci souborů nebo pošleš zpět do kola.")},
    {"clock.arrow.circlepath", LKey("Historie"),
     LKey("Seznam všeho, co aplikace vytvořila, s náhledem a filtrem Ruční / Automaticky. Mezerník otevře rychlý "
          "náhled výsledku, šipkami se posouváš. Z každého záznamu výsledek otevřeš, ukážeš ve správci souborů nebo "
          "vrátíš do kola.")},
    {"menubar.rectangle", LKey("Ikona na panelu"),
     LKey("Kelvaro má ikonu i na panelu. Klikni na ni a pusť fotky do okénka, které se otevře; na ikonu samotnou je "
          "pustit nejde. Otevře se kolo s akcemi.")},
    {"folder.window", LKey("Správce souborů"),
     LKey("Pravým klikem na fotku ve správci souborů zvol Otevřít v aplikaci › Kelvaro nebo akci Poslat do Kelvaro. "
          "Soubory skočí rovnou do kola.")},
    {"gearshape", LKey("Nastavení"),
     LKey("Jazyk, výstupní složka, kvalita JPEG a HEIC, skrytí obličejů a smazání ukázkových dat. Otevřeš přes "
          "Ctrl+,.")},
};

const Row kResultsAndPrivacy[] = {
    {"folder.badge.gearshape", LKey("Výstupní složka"),
     LKey("Všechny výsledky jdou do jedné složky, kterou si vybereš při prvním použití. Změnit ji můžeš v Nastavení. "
          "Tlačítko v liště okna ji otevře ve správci souborů.")},
    {"rectangle.on.rectangle", LKey("Porovnat"),
     LKey("Po úpravě si můžeš originál a výsledek prohlédnout vedle sebe s posuvníkem.")},
    {"arrow.uturn.backward", LKey("Vrátit"),
     LKey("Poslední akci vrátíš zpět: výsledky se přesunou do koše a přesunuté originály se vrátí na místo.")},
    {"hand.draw", LKey("Přetáhnout dál"),
     LKey("Hotové soubory se objeví v pásu pod kolem. Můžeš je odtud rovnou přetáhnout do správce souborů, e-mailu "
          "nebo jiné aplikace.")},
    {"dock.rectangle", LKey("Průběh na panelu"),
     LKey("Když zpracováváš víc fotek najednou, ikona Kelvaro na panelu ukazuje průběh. Mezitím můžeš pracovat jinde; "
          "po dokončení si Kelvaro řekne o pozornost.")},
    {"lock.shield", LKey("Soukromí"),
     LKey("Všechno se děje v tvém počítači. Žádný účet, žádné nahrávání na server; rozpoznávání textu, obličejů i "
          "pozadí běží lokálně.")},
};

struct ShortcutRow {
    const char* keys;
    const char* text;
};

const ShortcutRow kShortcuts[] = {
    {"Ctrl+1", LKey("Kolo Převést")},
    {"Ctrl+2", LKey("Kolo Nástroje")},
    {"Ctrl+3", LKey("Kolo Akce")},
    {"Ctrl+O", LKey("Vybrat soubory do kola")},
    {"Shift", LKey("Podržením přepne na Převést")},
    {"Shift+Alt", LKey("Podržením přepne na Nástroje")},
    {"Ctrl", LKey("Podržením přepne na Akce")},
    {LKey("Mezerník"), LKey("Rychlý náhled v Policích a Historii")},
    {"↑ ↓", LKey("Posun výběru v Policích a Historii")},
    {"Ctrl+,", LKey("Nastavení")},
};

struct Explanation {
    const char* key;
    const char* text;
};

// One paragraph per slice, in wheel order.
const Explanation kExplanations[] = {
    {"JPG", LKey("Převede fotky do JPG, nejrozšířenějšího formátu. Hodí se pro web, e-mail a všude, kde záleží na malé "
                 "velikosti.")},
    {"PNG", LKey("Uloží obraz bez ztráty kvality a zachová průhlednost. Ideální pro grafiku, snímky obrazovky a výřezy "
                 "bez pozadí.")},
    {"HEIC", LKey("Moderní formát z iPhonu: podobná kvalita jako JPG při zhruba poloviční velikosti. Kvalitu nastavíš "
                  "v Nastavení.")},
    {"TIFF", LKey("Bezztrátový formát pro tisk a archivaci. Soubory jsou velké, ale nic se v nich neztratí.")},
    {"PDF", LKey("Spojí všechny vybrané fotky do jednoho PDF, každá fotka je jedna stránka. Pořadí odpovídá pořadí "
                 "v pásu nad kolem.")},
    {"ZIP", LKey("Zabalí vybrané soubory do jednoho archivu ZIP, který snadno pošleš nebo zálohuješ.")},
    {"Ořez", LKey("Ořízne fotky na zvolený poměr stran (1:1, 4:5, 16:9…) nebo rovnou na formát pro Instagram či "
                  "YouTube. Výřez se bere ze středu.")},
    {"Velikost", LKey("Změní velikost fotek procentem nebo na zadanou délku delší strany. Poměr stran zůstává.")},
    {"Komprese", LKey("Zmenší velikost souboru při zachování dojmu z fotky. Kolik místa jsi ušetřil, uvidíš hned "
                      "u výsledku i v Historii.")},
    {"Pozadí", LKey("Rozpozná hlavní objekt a odstraní pozadí. Výsledek je PNG s průhledností. Nejlépe funguje u lidí, "
                    "zvířat a výrazných předmětů.")},
    {"Úpravy", LKey("Otočí, zrcadlí nebo převrátí fotky a upraví jas, kontrast či převede do černobílé. Změny vidíš "
                    "hned v živém náhledu; podržením myši na náhledu porovnáš s originálem.")},
    {"Obličeje", LKey("Najde obličeje a skryje je měkkým rozmazáním v oválu (v Nastavení lze přepnout na pixelizaci "
                      "nebo zakrytí). Hodí se pro sdílení fotek z akcí, kde chceš chránit soukromí lidí.")},
    {"OCR", LKey("Přečte text z obrázku a zkopíruje ho do schránky. Rozpozná i QR kódy a čárové kódy a jejich obsah "
                 "připojí k textu.")},
    {"Sken", LKey("Najde ve fotce dokument, narovná perspektivu a zvýší kontrast, aby vypadal jako sken. Všechny "
                  "strany uloží do jednoho PDF.")},
    {"Vodoznak", LKey("Přidá přes fotku text nebo vlastní logo. Nastavíš umístění, velikost a průhlednost a výsledek "
                      "vidíš v živém náhledu ještě před použitím.")},
    {"Na polici", LKey("Odloží fotky na polici, kde na ně najdeš rychle cestu později. Police najdeš v postranním "
                       "panelu a jejich obsah i ve výstupní složce.")},
    {"KDE Connect", LKey("Pošle fotky přes KDE Connect do telefonu, tabletu nebo jiného počítače, který máš "
                         "spárovaný.")},
    {"Přesunout", LKey("Přesune originály do složky, kterou vybereš. Jediná akce, která hýbe s originály; dá se vrátit "
                       "tlačítkem Vrátit.")},
    {"Přejmenovat", LKey("Hromadně přejmenuje soubory podle zadaného vzoru s číslováním, například „Dovolená 01, 02, "
                         "03…“.")},
    {"Metadata", LKey("Smaže z fotek EXIF údaje: polohu GPS, typ fotoaparátu, datum a další. Bezpečné sdílení bez "
                      "stop.")},
    {"Schránka", LKey("Zkopíruje do schránky samotné soubory (vložíš je Ctrl+V do správce souborů nebo e-mailu), "
                      "jejich úplné cesty, nebo jen názvy. Hodí se do zpráv, terminálu i skriptů.")},
};

} // namespace

const QList<GuideTopic>& steps()
{
    static const QList<GuideTopic> list = topics(kSteps);
    return list;
}

const QList<GuideTopic>& appParts()
{
    static const QList<GuideTopic> list = topics(kAppParts);
    return list;
}

const QList<GuideTopic>& resultsAndPrivacy()
{
    static const QList<GuideTopic> list = topics(kResultsAndPrivacy);
    return list;
}

const QList<GuideShortcut>& shortcuts()
{
    static const QList<GuideShortcut> list = [] {
        QList<GuideShortcut> rows;
        for (const ShortcutRow& row : kShortcuts)
            rows.append({QString::fromUtf8(row.keys), QString::fromUtf8(row.text)});
        return rows;
    }();
    return list;
}

QString rawExplanation(const WheelAction& action)
{
    for (const Explanation& row : kExplanations)
        if (action.key == QString::fromUtf8(row.key))
            return QString::fromUtf8(row.text);
    return action.detail();
}

} // namespace kelvaro::GuideContent
