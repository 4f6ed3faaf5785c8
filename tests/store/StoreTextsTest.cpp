// Runs report in the chosen language.
#include <QPainter>

#include "StoreTestSupport.h"
#include "l10n/Localization.h"

namespace kelvaro::test {
namespace {

using StoreLanguageTest = StoreTest;

// The history keeps the Czech title whatever the interface language, and shows it translated.
TEST_F(StoreLanguageTest, EnglishSentenceOfAPartialRunAndACzechHistory)
{
    Settings::shared().setValue("kelvaro.language", QStringLiteral("en"));
    rememberOutput();
    KelvaroStore& s = makeStore(fakeProcess);
    ASSERT_TRUE(runOn({touch("a.jpg"), touch("b.jpg"), touch("bad.jpg")}, KelvaroOp::convert(ImageFormat::png)));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Done – 2 files in the folder “out”. Failed: 1."));
    ASSERT_FALSE(s.activities().isEmpty());
    EXPECT_EQ(s.activities()[0].actionTitle, QStringLiteral("Převod na PNG"));
    EXPECT_EQ(LParts(s.activities()[0].actionTitle), QStringLiteral("Convert to PNG"));
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
    const QString file = path("page.png");
    ASSERT_TRUE(page.save(file));
    const QString blank = image("in/blank.png", 60, 60, Qt::white);

    KelvaroStore& s = makeStore();
    s.receive(QStringList{file}, false);
    s.perform({"OCR", "x"}, WheelMode::tools);
    ASSERT_TRUE(finished(60000));
    ASSERT_FALSE(s.statusIsError()) << s.statusMessage().value_or("").toStdString();
    EXPECT_TRUE(clipboard->text.contains("KELVARO")) << clipboard->text.toStdString();
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Text je ve schránce a uložený jako .txt (1 soubor)."));
    ASSERT_EQ(s.lastOutputs().size(), 1);
    EXPECT_TRUE(s.lastOutputs().first().endsWith("page.txt"));

    clipboard->text.clear();
    const int writes = clipboard->writes;
    s.receive(QStringList{blank}, false);
    s.run(KelvaroOp::ocr());
    ASSERT_TRUE(finished(60000));
    EXPECT_EQ(s.statusMessage(), QStringLiteral("Žádný text jsem nenašel."));
    EXPECT_EQ(clipboard->writes, writes);
}

} // namespace
} // namespace kelvaro::test
