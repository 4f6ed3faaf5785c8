// Every text the store shows has its English form, and runs report in the chosen language.
#include <QPainter>

#include "StoreTestSupport.h"
#include "engine/Localization.h"

namespace kelvaro::test {
namespace {

class StoreTextTest : public ::testing::TestWithParam<const char*> {};

TEST_P(StoreTextTest, HasAnEnglishTranslation)
{
    EXPECT_TRUE(L10n::hasEnglishTranslation(QString::fromUtf8(GetParam()))) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StoreTextTest,
    ::testing::Values("1 soubor", "%lld soubory", "%lld souborů", "Bez složky pro výsledky nemůžu pokračovat.",
                      "Cesta k souboru je ve schránce.", "KDE Connect teď není dostupné. Spáruj telefon a zapni KDE Connect.",
                      "Nejdřív přetáhni nebo vyber soubory.", "Nová police", "Název souboru je ve schránce.", "Pracuju na tom…",
                      "Přesunuté soubory jsou pořád v cílové složce.", "Rušení… dokončím rozdělanou fotku.",
                      "Soubory jsou zpátky na původním místě.", "Soubory posílám přes KDE Connect do zařízení „%@“.",
                      "Soubory se na polici nepodařilo uložit.", "Tyhle soubory už ve výběru jsou.",
                      "V tom, co jsi přidal, nejsou žádné fotky ani PDF.", "Vráceno – výsledky jsou v koši.",
                      "Vyber složku, kam se soubory přesunou.", "Zkontroluj je ve správci souborů.", "Žádný text jsem nenašel.",
                      "Cesty ke %lld souborům jsou ve schránce.", "Do schránky jsem zkopíroval %@. Vlož je Ctrl+V.",
                      "Hotovo – %@ ve složce „%@“.", "Nepodařilo se vrátit %lld souborů.", "Nepovedlo se: %lld.",
                      "Názvy %lld souborů jsou ve schránce.", "Odloženo na polici „%@“.", "Přesunuto %@ do „%@“.",
                      "Text je ve schránce a uložený jako .txt (%@).",
                      "Zkopírováno %@ do „%@“. Originály (%lld) zůstaly na místě – systém nepovolil jejich odstranění.",
                      "„%@“ je na polici „%@“."));

using StoreLanguageTest = StoreTest;

TEST_F(StoreLanguageTest, EnglishSentenceOfAPartialRun)
{
    Settings::shared().setValue("kelvaro.language", QStringLiteral("en"));
    rememberOutput();
    KelvaroStore& s = makeStore(fakeProcess);
    s.receive(QStringList{touch("a.jpg"), touch("b.jpg"), touch("bad.jpg")}, false);
    s.run(KelvaroOp::convert(ImageFormat::png));
    ASSERT_TRUE(waitUntil([&] { return !s.isWorking(); }));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Done – 2 files in the folder “out”. Failed: 1."));
}

// The whole road through the engine's text recognition.
TEST_F(StoreLanguageTest, RealTextRecognitionPutsTheTextOnTheClipboard)
{
    rememberOutput();
    QImage page(420, 120, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(60);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(page.rect(), Qt::AlignCenter, QStringLiteral("KELVARO"));
    }
    const QString file = path("in/page.png");
    QDir().mkpath(path("in"));
    ASSERT_TRUE(page.save(file));
    const QString blank = image("in/blank.png", 60, 60, Qt::white);

    KelvaroStore& s = makeStore();
    s.receive(QStringList{file}, false);
    s.run(KelvaroOp::ocr());
    ASSERT_TRUE(waitUntil([&] { return !s.isWorking(); }, 60000));
    ASSERT_FALSE(s.statusIsError()) << s.statusMessage().value_or("").toStdString();
    EXPECT_TRUE(clipboard->text.contains("KELVARO")) << clipboard->text.toStdString();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Text je ve schránce a uložený jako .txt (1 soubor)."));
    ASSERT_EQ(s.lastOutputs().size(), 1);
    EXPECT_TRUE(s.lastOutputs().first().endsWith("page.txt"));

    clipboard->text.clear();
    const int writes = clipboard->writes;
    s.receive(QStringList{blank}, false);
    s.run(KelvaroOp::ocr());
    ASSERT_TRUE(waitUntil([&] { return !s.isWorking(); }, 60000));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Žádný text jsem nenašel."));
    EXPECT_EQ(clipboard->writes, writes);
}

} // namespace
} // namespace kelvaro::test
