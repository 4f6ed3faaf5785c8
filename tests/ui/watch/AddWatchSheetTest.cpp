// The add-watch sheet: how "Začít sledovat" refuses or adds a rule, which folders count as the
// same, what the picker offers, the note on results, and one watch run end to end.
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"
#include "gallery/ScriptedWatchService.h"
#include "model/WorkflowLibrary.h"
#include "output/OutputFolder.h"
#include "platform/FolderChooser.h"
#include "platform/Json.h"
#include "platform/NativePath.h"
#include "platform/Notifications.h"
#include "platform/Settings.h"
#include "platform/widgets/FileDialogFolderChooser.h"
#include "ui/design/DesignSystem.h"
#include "ui/watch/AddWatchSheet.h"
#include "ui/watch/WatchRuleList.h"
#include "ui/watch/WatchView.h"
#include "watch/FolderWatcher.h"

using namespace kelvaro;

namespace {

class AddWatchSheetTest : public uitest::CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        FolderChooser::setShared(chooser);
        Notifications::setCurrent(std::make_shared<RecordingNotifier>());
        for (const char* key : {OutputFolder::bookmarkKey, PresetStore::key, WorkflowLibrary::key})
            Settings::shared().remove(QString::fromLatin1(key));
        for (const char* name : {"In", "Out", "Other"})
            QDir(temp.path()).mkpath(QString::fromLatin1(name));
    }
    void TearDown() override
    {
        FolderChooser::setShared(nullptr);
        Notifications::setCurrent(nullptr);
    }
    std::unique_ptr<AddWatchSheet> makeSheet(const WatchAction& initial = WatchAction::stripMetadata())
    {
        auto sheet = std::make_unique<AddWatchSheet>(initial, service, Settings::shared());
        sheet->show();
        return sheet;
    }
    // The section header above the chosen item of the picker.
    static QString chosenSection(const QComboBox* picker)
    {
        for (int i = picker->currentIndex(); i >= 0; --i)
            if (!(picker->model()->flags(picker->model()->index(i, 0)) & Qt::ItemIsEnabled))
                return picker->itemText(i);
        return {};
    }

    std::shared_ptr<FakeFolderChooser> chooser = std::make_shared<FakeFolderChooser>();
    std::shared_ptr<ScriptedWatchService> service = std::make_shared<ScriptedWatchService>();
};

TEST_F(AddWatchSheetTest, startNeedsAFolderTheNoteNamesTheResultsFolderAndEscapeCloses)
{
    auto sheet = makeSheet();
    EXPECT_FALSE(sheet->startButton()->isEnabled());
    uitest::pressKey(sheet.get(), Qt::Key_Return);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(service->calls.isEmpty());
    EXPECT_EQ(sheet->noteText()->text(), QStringLiteral("Originály se nikdy nemění. Kelvaro se tě zeptá, kam výsledky ukládat."));
    ASSERT_TRUE(OutputFolder::remember(path(QStringLiteral("Out"))));
    EXPECT_EQ(sheet->noteText()->text(), QStringLiteral("Originály se nikdy nemění. Výsledky se ukládají do „Out/Automaticky“."));
    uitest::pressKey(sheet.get(), Qt::Key_Escape);
    EXPECT_FALSE(sheet->isVisible());
}

struct StartCase {
    const char* name;
    const char* watchedWith; // a rule on In with this convert format; empty: none
    bool chooseThroughLink;
    bool outputRemembered, outputChosen, addSucceeds;
    const char* problem;     // empty: the sheet closed with the rule added
    int folderQuestions;     // panels opened: the watched folder, then maybe the results folder
};

// The folder dialog belongs to the sheet that asks, not to the window under it, and the sheet is
// active again once the dialog closes.
TEST_F(AddWatchSheetTest, theFolderDialogBelongsToTheSheetWhichIsActiveAfterIt)
{
    QWidget main;
    main.resize(700, 500);
    main.show();
    FolderChooser::setShared(std::make_shared<FileDialogFolderChooser>(&main));
    auto* sheet = new AddWatchSheet(WatchAction::stripMetadata(), service, Settings::shared(), &main);
    sheet->show();
    sheet->activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return QApplication::activeWindow() == sheet; })) << "the sheet never became active";
    test::DialogCanceller<FolderDialog> user;
    sheet->chooseFolder();
    EXPECT_EQ(user.shown, 1);
    EXPECT_EQ(user.parent, sheet);
    EXPECT_TRUE(uitest::waitFor([&] { return QApplication::activeWindow() == sheet; })) << "the sheet is not active after the dialog";
}

TEST_F(AddWatchSheetTest, startRefusesWithTheFirstReasonOrAdds)
{
    const StartCase cases[] = {
        {"same folder through a link, equal action", "png", true, false, true, true, "Tuhle složku s tímto postupem už hlídám.", 1},
        {"same folder, another action", "jpg", false, true, false, true, "", 1},
        {"no results folder, panel cancelled", "", false, false, false, true, "Bez složky pro výsledky to nepůjde.", 2},
        {"no results folder, one chosen", "", false, false, true, true, "", 2},
        {"watcher cannot remember it", "", false, true, false, false, "Složku se nepodařilo zapamatovat. Zkus ji vybrat znovu.", 1},
    };
    const QString in = path(QStringLiteral("In"));
    QFile::link(in, path(QStringLiteral("Link")));
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey));
        if (c.outputRemembered) {
            ASSERT_TRUE(OutputFolder::remember(path(QStringLiteral("Out"))));
        }
        service->setRules({});
        if (*c.watchedWith)
            service->setRules({WatchRule::make(in, QByteArray("b"), WatchAction::convert(QString::fromLatin1(c.watchedWith)))});
        service->addSucceeds = c.addSucceeds;
        service->calls.clear();
        chooser->requests.clear();

        auto sheet = makeSheet(WatchAction::convert(QStringLiteral("png")));
        chooser->answer = path(c.chooseThroughLink ? QStringLiteral("Link") : QStringLiteral("In"));
        sheet->chooseFolder();
        chooser->answer = c.outputChosen ? std::optional(path(QStringLiteral("Out"))) : std::nullopt;
        uitest::pressKey(sheet.get(), Qt::Key_Return);

        EXPECT_EQ(sheet->problem().value_or(QString()), QString::fromUtf8(c.problem));
        EXPECT_EQ(sheet->isVisible(), *c.problem != 0);
        EXPECT_EQ(chooser->requests.size(), c.folderQuestions);
        const qsizetype rulesBefore = *c.watchedWith ? 1 : 0;
        EXPECT_EQ(service->rules().size(), rulesBefore + (*c.problem ? 0 : 1));
        if (!*c.problem) {
            EXPECT_EQ(service->rules().last().action, WatchAction::convert(QStringLiteral("png")));
        }
    }
}

TEST_F(AddWatchSheetTest, aFolderIsTheSameByItsRealPathAndUnicodeForm)
{
    const QString in = path(QStringLiteral("In"));
    QFile::link(in, path(QStringLiteral("Link")));
    // A name that is not UTF-8 ("caf\xe9"), as the folder listing gives it, and a link to it.
    const QString latin = NativePath::decoded(NativePath::encoded(temp.path()) + "/caf\xe9");
    ASSERT_EQ(::mkdir(NativePath::encoded(latin).constData(), 0755), 0);
    ASSERT_EQ(::symlink(NativePath::encoded(latin).constData(), NativePath::encoded(path(QStringLiteral("LatinLink"))).constData()), 0);
    const QString composed = QStringLiteral("/nikde/Fotky \u00e9");   // é
    const QString decomposed = QStringLiteral("/nikde/Fotky e\u0301"); // e + combining acute
    const struct {
        QString a, b;
        bool same;
    } cases[] = {
        {in, path(QStringLiteral("Link")), true},
        {in, path(QStringLiteral("Other/../In/")), true},
        {latin, path(QStringLiteral("LatinLink")), true},
        {latin, in, false},
        {composed, decomposed, true},
        {in, path(QStringLiteral("in")), false},
        {in, path(QStringLiteral("Other")), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AddWatchSheet::isSameFolder(c.a, c.b), c.same) << c.a.toStdString() << " / " << c.b.toStdString();
}

TEST_F(AddWatchSheetTest, thePickerOffersTheListsThenThePlatformsThenQuickActions)
{
    const auto sections = AddWatchSheet::pickerSections(WatchView::defaultAction(), WorkflowLibrary::defaults(),
                                                        PresetSpec::defaults());
    QStringList heads;
    for (const auto& s : sections)
        heads << QStringLiteral("%1 (%2)").arg(s.title).arg(s.items.size());
    ASSERT_EQ(heads.size(), 5);
    EXPECT_EQ(heads.mid(0, 2), (QStringList{QStringLiteral("Moje postupy (3)"), QStringLiteral("Moje předvolby (3)")}));
    EXPECT_TRUE(heads[2].startsWith(QStringLiteral("Instagram"))) << heads[2].toStdString();
    EXPECT_TRUE(heads[3].startsWith(QStringLiteral("YouTube"))) << heads[3].toStdString();
    EXPECT_EQ(heads[4], QStringLiteral("Rychlé úpravy (5)"));

    // Nothing stored: the built-ins fill both lists, and the web recipe's preset is one of them.
    auto sheet = makeSheet(WatchView::defaultAction());
    EXPECT_EQ(sheet->picker()->currentText(), QStringLiteral("Web"));
    EXPECT_EQ(chosenSection(sheet->picker()), QStringLiteral("Moje předvolby"));
    EXPECT_EQ(sheet->detailText()->text(), PresetSpec::defaults().first().summary());

    // A preset no list knows shows first, chosen; an empty stored list loses its section.
    Settings::shared().setValue(QString::fromLatin1(WorkflowLibrary::key), QByteArray("[]"));
    PresetSpec stray = PresetSpec::defaults().first();
    stray.id = QUuid::createUuid();
    sheet = makeSheet(WatchAction::preset(stray));
    EXPECT_EQ(sheet->picker()->itemText(0), QStringLiteral("Doporučeno"));
    EXPECT_EQ(chosenSection(sheet->picker()), QStringLiteral("Doporučeno"));
    EXPECT_EQ(sheet->picker()->findText(QStringLiteral("Moje postupy")), -1);
    sheet->setAction(WatchAction::removeBackground());
    EXPECT_EQ(sheet->picker()->findText(QStringLiteral("Doporučeno")), -1);
    EXPECT_EQ(chosenSection(sheet->picker()), QStringLiteral("Rychlé úpravy"));
}

// A folder watched with "Portfolio" while the interface was Czech, then the interface in English:
// choosing "Portfolio" for the same folder again is a duplicate, and the stored rule's action is
// the listed built-in, not a stranger of the same name.
TEST_F(AddWatchSheetTest, aBuiltInStoredInAnotherLanguageIsTheSameWorkflow)
{
    const QString in = path(QStringLiteral("In"));
    ASSERT_TRUE(OutputFolder::remember(path(QStringLiteral("Out"))));
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("en"));
    // As a Czech interface stored it: every step's text is the Czech default.
    Workflow czechPortfolio = WorkflowLibrary::defaults().first();
    for (WorkflowStep& step : czechPortfolio.steps)
        step.text = QString::fromUtf8("© Moje fotky");
    const std::optional<WatchRule> rule =
        WatchRule::fromJson(WatchRule::make(in, QByteArray("b"), WatchAction::workflow(czechPortfolio)).toJson());
    ASSERT_TRUE(rule);
    service->setRules({*rule});

    auto sheet = makeSheet(WatchAction::stripMetadata());
    const int portfolio = sheet->picker()->findText(QStringLiteral("Portfolio"));
    ASSERT_GE(portfolio, 0);
    Q_EMIT sheet->picker()->activated(portfolio);
    ASSERT_TRUE(uitest::waitFor([&] { return sheet->action().as<Workflow>() != nullptr; }));
    EXPECT_EQ(sheet->action().as<Workflow>()->steps.last().text, QStringLiteral("© My photos"));
    chooser->answer = in;
    sheet->chooseFolder();
    uitest::pressKey(sheet.get(), Qt::Key_Return);
    EXPECT_EQ(sheet->problem().value_or(QString()), QStringLiteral("This folder is already watched with this action."));
    EXPECT_EQ(service->rules().size(), 1);
    EXPECT_TRUE(service->calls.isEmpty());

    auto stored = makeSheet(rule->action);
    EXPECT_EQ(stored->picker()->currentText(), QStringLiteral("Portfolio"));
    EXPECT_EQ(chosenSection(stored->picker()), QStringLiteral("My Workflows"));
    EXPECT_EQ(stored->picker()->findText(QStringLiteral("Suggested")), -1);
}

// The real watcher behind the screen: a JPEG put into a folder watched with the PNG conversion
// comes out as a PNG in the results folder, and the card counts it.
TEST_F(AddWatchSheetTest, aWatchAddedOnTheScreenProcessesANewPhoto)
{
    AppActivity::setOverride(true);
    ASSERT_TRUE(OutputFolder::remember(path(QStringLiteral("Out"))));
    FolderWatcher watcher;
    watcher.setTickInterval(std::chrono::milliseconds(40));
    WatchView view(std::make_shared<FolderWatcherService>(&watcher), Settings::shared());
    view.resize(900, 800);
    view.show();

    view.openSheet(WatchAction::convert(QStringLiteral("png")));
    chooser->answer = path(QStringLiteral("In"));
    view.sheet()->chooseFolder();
    view.sheet()->start();
    ASSERT_EQ(view.sheet(), nullptr);
    ASSERT_EQ(view.ruleList()->cards().size(), 1);
    WatchRuleCard* card = view.ruleList()->cards().first();
    EXPECT_EQ(card->processedText()->text(), QStringLiteral("Zpracováno: 0"));

    // The first scan takes what is there as already seen; a file arriving later is new.
    const QString rule = json::uuidText(watcher.rules().first().id);
    ASSERT_TRUE(uitest::waitFor([&] {
        const auto seen = Settings::shared().dataValue(QString::fromLatin1(FolderWatcher::seenKey));
        return seen && QJsonDocument::fromJson(*seen).object().contains(rule);
    })) << "the first scan never took the folder's baseline";
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(QColor(200, 120, 40));
    ASSERT_TRUE(photo.save(path(QStringLiteral("In/fotka.jpg")), "JPEG", 90));

    ASSERT_TRUE(uitest::waitFor([&] { return card->processedText()->text() == QStringLiteral("Zpracováno: 1"); }, 20000));
    const QDir results(path(QStringLiteral("Out/Automaticky/In \u2013 Převod na PNG")));
    const QStringList pngs = results.entryList({QStringLiteral("*.png")}, QDir::Files);
    ASSERT_EQ(pngs.size(), 1);
    EXPECT_EQ(QImage(results.filePath(pngs.first())).size(), QSize(64, 48));
    EXPECT_TRUE(card->agoText()->isVisibleTo(card));
    AppActivity::setOverride(std::nullopt);
}

} // namespace
