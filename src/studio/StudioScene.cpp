#include "studio/StudioScene.h"

namespace kelvaro {
namespace {

QString lookup(const QHash<QString, QString>& texts, const QString& code)
{
    if (const auto it = texts.constFind(code); it != texts.constEnd())
        return *it;
    return texts.value(QStringLiteral("en"));
}

StudioScene scene(int id, const char* title, const char* symbol, const char* headlineCs, const char* headlineEn,
                  const char* sublineCs, const char* sublineEn)
{
    const QString cs = QStringLiteral("cs"), en = QStringLiteral("en");
    return {id,
            QString::fromUtf8(title),
            QString::fromUtf8(symbol),
            {{cs, QString::fromUtf8(headlineCs)}, {en, QString::fromUtf8(headlineEn)}},
            {{cs, QString::fromUtf8(sublineCs)}, {en, QString::fromUtf8(sublineEn)}}};
}

} // namespace

QString rawValue(StudioSize size)
{
    return size == StudioSize::small ? QStringLiteral("small") : QStringLiteral("large");
}

StudioSize studioSizeFromRaw(const QString& raw)
{
    return raw == QLatin1String("small") ? StudioSize::small : StudioSize::large;
}

QSize nominalSize(StudioSize size)
{
    return size == StudioSize::small ? QSize(1280, 800) : QSize(1440, 900);
}

QString StudioScene::headlineFor(const QString& code) const
{
    return lookup(headline, code);
}

QString StudioScene::sublineFor(const QString& code) const
{
    return lookup(subline, code);
}

const QList<StudioScene>& StudioScene::all()
{
    static const QList<StudioScene> scenes{
        scene(1, "Domů", "house", "Fotky upravíš jedním tahem", "Edit photos in a single move",
              "Přetáhni soubor na kolo a vyber, co s ním.", "Drop a file on the wheel and pick what to do."),
        scene(2, "Kolo: Pozadí", "person.crop.rectangle", "Pozadí pryč jedním kliknutím", "Remove backgrounds in one click",
              "Ořez, komprese, úpravy i text z obrázku.", "Crop, compress, adjust and read text from images."),
        scene(3, "Před a po", "rectangle.on.rectangle", "Porovnej před a po", "Compare before and after",
              "Uvidíš rozdíl i ušetřené místo.", "See the difference and the space you saved."),
        scene(4, "Úpravy", "slider.horizontal.3", "Úpravy s živým náhledem", "Adjustments with a live preview",
              "Jas, kontrast i barvy vidíš hned.", "Brightness, contrast and colour, instantly."),
        scene(5, "Postupy", "wand.and.stars", "Vlastní postupy na jedno kliknutí", "Your own one-click workflows",
              "Spoj víc kroků a pouštěj je znovu.", "Chain steps and run them again anytime."),
        scene(6, "Sledované složky", "eye", "Složky, které se zpracují samy", "Folders that process themselves",
              "Nové fotky se upraví automaticky.", "New photos are handled automatically."),
        scene(7, "Police", "tray.2", "Police pro rozpracované soubory", "Shelves for work in progress",
              "Odlož si soubory a vrať se k nim.", "Park files and come back to them later."),
        scene(8, "Historie", "clock.arrow.circlepath", "Přehled všeho, co jsi udělal", "Everything you did, at a glance",
              "Najdi výsledek a použij ho znovu.", "Find any result and use it again."),
    };
    return scenes;
}

} // namespace kelvaro
