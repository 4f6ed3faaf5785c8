// What the keys do to a name typed in a sheet: Return in the field does what the field is for
// (adds, creates, renames, runs with it), and no key closes a sheet and throws the text away.
#include <functional>

#include <QDir>
#include <QLineEdit>
#include <QtTest/qtestkeyboard.h>

#include "../../support/TestImages.h"
#include "../main/UiTestSupport.h"
#include "model/WorkflowLibrary.h"
#include "output/OutputFolder.h"
#include "store/UserPresets.h"
#include "ui/presets/PresetsSheet.h"
#include "ui/sheets/RenameSheet.h"
#include "ui/sheets/ShelfSheet.h"
#include "ui/sheets/WatermarkSheet.h"
#include "ui/shelves/ShelfEditSheet.h"
#include "ui/shelves/ShelvesView.h"
#include "ui/workflows/WorkflowEditor.h"

using namespace kelvaro;
namespace ti = kelvaro::testimages;

namespace {

const QString kTyped = QStringLiteral("Tisk");

// The rows reach into the fixture: its store, the screen a sheet is asked from, the sheet kept.
class TypedTextFixture : public uitest::CzechTest {
public:
    void SetUp() override
    {
        CzechTest::SetUp();
        const QString out = temp.filePath(QStringLiteral("out"));
        QDir().mkpath(out);
        ASSERT_TRUE(OutputFolder::remember(out));
        store = uitest::makeStore();
        store->setDroppedFiles({ti::writeJpeg(temp.path(), "a.jpg", ti::quadrants(40, 30))});
    }
    // Shows `sheet` active and types the name into `field` as keys, over what it held.
    void type(QDialog* sheet, QLineEdit* field)
    {
        sheet->show();
        sheet->activateWindow();
        ASSERT_TRUE(uitest::waitFor([&] { return sheet->isActiveWindow(); }));
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, kTyped);
        ASSERT_EQ(field->text(), kTyped);
    }
    bool shelfNamed(const QString& name) const
    {
        return std::any_of(store->shelves().cbegin(), store->shelves().cend(), [&](const Shelf& s) { return s.name == name; });
    }

    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<QWidget> host; // a screen a sheet is asked from
    std::unique_ptr<QDialog> sheet;
    std::optional<Workflow> saved;
};

// A sheet with a text field: how to open it with its field, and whether what was typed was used.
struct Field {
    const char* name;
    std::function<std::pair<QDialog*, QLineEdit*>(TypedTextFixture&)> open;
    std::function<bool(TypedTextFixture&, QDialog*)> used;
};

class TypedText : public TypedTextFixture, public ::testing::WithParamInterface<Field> {};

TEST_P(TypedText, ReturnInTheFieldUsesWhatWasTyped)
{
    const Field& row = GetParam();
    const auto [dialog, field] = row.open(*this);
    ASSERT_NE(dialog, nullptr);
    const QPointer<QDialog> guarded(dialog);
    type(dialog, field);
    ASSERT_TRUE(test::typeKey(Qt::Key_Return));
    EXPECT_TRUE(uitest::waitFor([&] { return row.used(*this, guarded); })) << "Return threw away what was typed";
}

// The sheet, kept by the fixture.
template <typename Sheet, typename... Args>
Sheet* kept(TypedTextFixture& f, Args&&... args)
{
    auto* sheet = new Sheet(std::forward<Args>(args)...);
    f.sheet.reset(sheet);
    return sheet;
}

bool closedAccepted(QDialog* sheet)
{
    return sheet && !sheet->isVisible() && sheet->result() == QDialog::Accepted;
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, TypedText,
    ::testing::Values(
        Field{"presets",
              [](TypedTextFixture& f) -> std::pair<QDialog*, QLineEdit*> {
                  auto* sheet = kept<PresetsSheet>(f, Settings::shared());
                  return {sheet, sheet->nameField()};
              },
              [](TypedTextFixture&, QDialog* dialog) {
                  auto* sheet = qobject_cast<PresetsSheet*>(dialog);
                  const QList<PresetSpec> presets = sheet->presets().presets();
                  return sheet->isVisible() && std::any_of(presets.cbegin(), presets.cend(), [](const PresetSpec& p) { return p.name == kTyped; });
              }},
        Field{"shelfSheet",
              [](TypedTextFixture& f) -> std::pair<QDialog*, QLineEdit*> {
                  auto* sheet = kept<ShelfSheet>(f, *f.store);
                  return {sheet, sheet->nameField()};
              },
              [](TypedTextFixture& f, QDialog* dialog) { return closedAccepted(dialog) && f.shelfNamed(kTyped); }},
        Field{"newShelf",
              [](TypedTextFixture& f) -> std::pair<QDialog*, QLineEdit*> {
                  auto* view = new ShelvesView(*f.store, std::make_shared<RecordingFileManager>());
                  f.host.reset(view);
                  view->show();
                  SheetFrame* sheet = view->askNewShelf();
                  return {sheet, sheet->findChild<QLineEdit*>(QStringLiteral("name"))};
              },
              [](TypedTextFixture& f, QDialog*) { return f.shelfNamed(kTyped); }},
        Field{"editShelf",
              [](TypedTextFixture& f) -> std::pair<QDialog*, QLineEdit*> {
                  f.store->setShelves({uitest::shelf(QStringLiteral("Výlet"), 1, 0)});
                  auto* sheet = kept<ShelfEditSheet>(f, *f.store, f.store->shelves().first());
                  return {sheet, sheet->nameField()};
              },
              [](TypedTextFixture& f, QDialog* dialog) { return closedAccepted(dialog) && f.shelfNamed(kTyped); }},
        Field{"workflow",
              [](TypedTextFixture& f) -> std::pair<QDialog*, QLineEdit*> {
                  auto* sheet = kept<WorkflowEditor>(f, WorkflowLibrary::defaults().first(), false,
                                                     [&f](const Workflow& w) { f.saved = w; });
                  return {sheet, sheet->nameField()};
              },
              [](TypedTextFixture& f, QDialog* dialog) { return closedAccepted(dialog) && f.saved && f.saved->name == kTyped; }},
        Field{"rename",
              [](TypedTextFixture& f) -> std::pair<QDialog*, QLineEdit*> {
                  auto* sheet = kept<RenameSheet>(f, *f.store);
                  return {sheet, sheet->nameField()};
              },
              [](TypedTextFixture&, QDialog* dialog) {
                  const KelvaroOp op = qobject_cast<RenameSheet*>(dialog)->currentOp();
                  return closedAccepted(dialog) && op.as<op::Rename>() && op.as<op::Rename>()->spec.name == kTyped;
              }},
        Field{"watermark",
              [](TypedTextFixture& f) -> std::pair<QDialog*, QLineEdit*> {
                  auto* sheet = kept<WatermarkSheet>(f, *f.store);
                  return {sheet, sheet->textField()};
              },
              [](TypedTextFixture&, QDialog* dialog) {
                  const KelvaroOp op = qobject_cast<WatermarkSheet*>(dialog)->currentOp();
                  return closedAccepted(dialog) && op.as<op::Watermark>() && op.as<op::Watermark>()->spec.text == kTyped;
              }}),
    test::RowName());

// The presets sheet has no "Zrušit": "Hotovo" is all it closes with, so while a name waits to be
// added no key closes it: neither Escape nor Return with the focus elsewhere, which adds it.
struct Away {
    const char* name;
    Qt::Key key;
    const char* focus; // object name of what holds the focus as the key comes; the field when empty
    bool adds;
};

class PresetNameSurvives : public TypedTextFixture, public ::testing::WithParamInterface<Away> {};

TEST_P(PresetNameSurvives, NoKeyClosesTheSheetOverATypedName)
{
    const Away& row = GetParam();
    PresetsSheet sheet(Settings::shared());
    type(&sheet, sheet.nameField());
    const qsizetype before = sheet.presets().presets().size();
    if (*row.focus)
        sheet.findChild<QWidget*>(QString::fromLatin1(row.focus))->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(test::typeKey(row.key));
    test::passPostedEvents();
    EXPECT_TRUE(sheet.isVisible()) << "the sheet closed";
    EXPECT_EQ(sheet.presets().presets().size(), before + (row.adds ? 1 : 0));
    EXPECT_EQ(sheet.nameField()->text(), row.adds ? QString() : kTyped);
    // Once the field is empty, the keys close the sheet as "Hotovo" does.
    sheet.nameField()->clear();
    ASSERT_TRUE(test::typeKey(row.key));
    EXPECT_FALSE(sheet.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Keys, PresetNameSurvives,
                         ::testing::Values(Away{"escapeInTheField", Qt::Key_Escape, "", false},
                                           Away{"escapeOnDone", Qt::Key_Escape, "done", false},
                                           Away{"returnOnDone", Qt::Key_Return, "done", true},
                                           Away{"enterOnTheQuality", Qt::Key_Enter, "quality", true}),
                         test::RowName());

} // namespace
