// Modifier keys switch the wheel's mode anywhere in the application, and the keys still reach
// the widget that has the focus.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

#include "AppTestSupport.h"
#include "app/ModifierMonitor.h"

using namespace kelvaro;
using namespace kelvaro::apptest;

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers kMeta = Qt::MetaModifier;

// ---- The mapping ---------------------------------------------------------------------------------

TEST(ModifierMonitorMapping, HeldKeysPickAMode)
{
    const std::pair<Qt::KeyboardModifiers, std::optional<WheelMode>> rows[] = {
        {kNone, std::nullopt}, {kShift, WheelMode::convert}, {kShift | kAlt, WheelMode::tools}, {kCtrl, WheelMode::actions},
        {kAlt, std::nullopt}, {kMeta, std::nullopt}, {kShift | kCtrl, std::nullopt}, {kShift | kMeta, std::nullopt},
        {kCtrl | kAlt, std::nullopt}, {kShift | kAlt | kCtrl, std::nullopt}, {kShift | Qt::KeypadModifier, WheelMode::convert},
        {kCtrl | Qt::GroupSwitchModifier, WheelMode::actions}};
    for (const auto& [held, mode] : rows)
        EXPECT_EQ(ModifierMonitor::modeFor(held), mode) << int(held);
}

struct KeyCase {
    const char* name;
    QEvent::Type type;
    int key;
    Qt::KeyboardModifiers reported; // as the platform hands them in
    quint32 keysym;
    std::optional<Qt::KeyboardModifiers> after;
};

TEST(ModifierMonitorMapping, TheKeysOwnChangeIsApplied)
{
    const KeyCase rows[] = {
        // X11 and Wayland report the state before the key.
        {"shiftDown", QEvent::KeyPress, Qt::Key_Shift, kNone, 0, kShift},
        {"shiftUp", QEvent::KeyRelease, Qt::Key_Shift, kShift, 0, kNone},
        {"altDownWithShift", QEvent::KeyPress, Qt::Key_Alt, kShift, 0, kShift | kAlt},
        {"altUpWithShift", QEvent::KeyRelease, Qt::Key_Alt, kShift | kAlt, 0, kShift},
        // A platform that reports the state after the key must not flip it back.
        {"shiftDownReportedAfter", QEvent::KeyPress, Qt::Key_Shift, kShift, 0, kShift},
        {"shiftUpReportedAfter", QEvent::KeyRelease, Qt::Key_Shift, kNone, 0, kNone},
        // Shift and then Alt on an X keymap: the Alt key sends the Meta_L keysym.
        {"metaLeftKeysymIsAlt", QEvent::KeyPress, Qt::Key_Meta, kShift, 0xffe7, kShift | kAlt},
        {"metaRightKeysymIsAlt", QEvent::KeyRelease, Qt::Key_Meta, kShift | kAlt, 0xffe8, kShift},
        {"superIsMeta", QEvent::KeyPress, Qt::Key_Super_L, kShift, 0xffeb, kShift | kMeta},
        {"ctrlDown", QEvent::KeyPress, Qt::Key_Control, kNone, 0, kCtrl},
        {"capsLockIgnored", QEvent::KeyPress, Qt::Key_CapsLock, kNone, 0, std::nullopt},
        {"letterIgnored", QEvent::KeyPress, Qt::Key_A, kShift, 0, std::nullopt},
        {"altGrIgnored", QEvent::KeyPress, Qt::Key_AltGr, kNone, 0, std::nullopt}};
    for (const KeyCase& c : rows) {
        const QKeyEvent event(c.type, c.key, c.reported, 0, c.keysym, 0);
        EXPECT_EQ(ModifierMonitor::modifiersAfter(event), c.after) << c.name;
    }
}

// ---- In the application -----------------------------------------------------------------------------

class ModifierMonitorTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        window = std::make_unique<QWidget>();
        auto* column = new QVBoxLayout(window.get());
        edit = new QLineEdit(window.get());
        column->addWidget(edit);
        window->show();
        edit->setFocus();
        monitor.start(*store);
    }

    // A key as the platform delivers it: to the window, which passes it to the focused widget.
    void key(QEvent::Type type, int code, Qt::KeyboardModifiers before, const QString& text = {})
    {
        QKeyEvent event(type, code, before, text);
        QApplication::sendEvent(edit, &event);
        passPostedEvents();
    }
    void press(int code, Qt::KeyboardModifiers before) { key(QEvent::KeyPress, code, before); }
    void release(int code, Qt::KeyboardModifiers before) { key(QEvent::KeyRelease, code, before); }

    ModifierMonitor monitor;
    std::unique_ptr<QWidget> window;
    QLineEdit* edit = nullptr;
};

TEST_F(ModifierMonitorTest, ShiftThenAltThenLettingGoWhileTypingStillReachesTheLineEdit)
{
    store->setWheelMode(WheelMode::actions);
    press(Qt::Key_Shift, kNone);
    EXPECT_EQ(store->wheelMode(), WheelMode::convert);
    key(QEvent::KeyPress, Qt::Key_A, kShift, QStringLiteral("A"));
    key(QEvent::KeyRelease, Qt::Key_A, kShift, QStringLiteral("A"));
    EXPECT_EQ(edit->text(), QStringLiteral("A"));
    press(Qt::Key_Alt, kShift);
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    release(Qt::Key_Alt, kShift | kAlt);
    EXPECT_EQ(store->wheelMode(), WheelMode::convert);
    release(Qt::Key_Shift, kShift);
    EXPECT_EQ(store->wheelMode(), WheelMode::convert); // letting go leaves the last mode
}

TEST_F(ModifierMonitorTest, CtrlPartOfAShortcutGivesTheWheelBackButCtrlAloneKeepsActions)
{
    // Ctrl is the shortcut key too: Ctrl+O must not leave the actions wheel behind.
    store->setWheelMode(WheelMode::tools);
    press(Qt::Key_Control, kNone);
    EXPECT_EQ(store->wheelMode(), WheelMode::actions);
    key(QEvent::ShortcutOverride, Qt::Key_O, kCtrl, QStringLiteral("o"));
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    release(Qt::Key_Control, kCtrl);
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);

    // A plain Ctrl+letter press that no shortcut took does the same.
    press(Qt::Key_Control, kNone);
    key(QEvent::KeyPress, Qt::Key_A, kCtrl, QStringLiteral("a"));
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    release(Qt::Key_Control, kCtrl);

    // Ctrl and the key arriving together, before the Ctrl switch took effect.
    {
        QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, kNone);
        QKeyEvent o(QEvent::ShortcutOverride, Qt::Key_O, kCtrl, QStringLiteral("o"));
        QApplication::sendEvent(edit, &ctrl);
        QApplication::sendEvent(edit, &o);
        passPostedEvents();
    }
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    release(Qt::Key_Control, kCtrl);

    // Ctrl+Shift+? (the guide): Shift joining Ctrl does not forget what Ctrl replaced.
    press(Qt::Key_Control, kNone);
    press(Qt::Key_Shift, kCtrl);
    key(QEvent::ShortcutOverride, Qt::Key_Question, kCtrl | kShift, QStringLiteral("?"));
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    release(Qt::Key_Shift, kCtrl | kShift); // Ctrl alone again, but it was the shortcut's
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    release(Qt::Key_Control, kCtrl);

    // A shortcut that picks a mode itself runs after the filter and has the last word.
    press(Qt::Key_Control, kNone);
    key(QEvent::ShortcutOverride, Qt::Key_1, kCtrl, QStringLiteral("1"));
    store->selectMode(WheelMode::convert, true);
    release(Qt::Key_Control, kCtrl);
    EXPECT_EQ(store->wheelMode(), WheelMode::convert);

    // Once let go, Ctrl alone shows the actions wheel again, also when the Ctrl key's own
    // shortcut override (which reports Ctrl held) comes along.
    {
        QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, kNone);
        QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Control, kNone);
        QApplication::sendEvent(edit, &override);
        QApplication::sendEvent(edit, &ctrl);
        passPostedEvents();
    }
    EXPECT_EQ(store->wheelMode(), WheelMode::actions);
    // Ctrl alone, let go, keeps the actions wheel.
    release(Qt::Key_Control, kCtrl);
    key(QEvent::KeyPress, Qt::Key_A, kNone, QStringLiteral("a"));
    EXPECT_EQ(store->wheelMode(), WheelMode::actions);
    // Started from actions, Ctrl changed nothing and a shortcut has nothing to give back.
    press(Qt::Key_Control, kNone);
    key(QEvent::ShortcutOverride, Qt::Key_O, kCtrl, QStringLiteral("o"));
    EXPECT_EQ(store->wheelMode(), WheelMode::actions);
}

// The held keys are the ones the platform reports (other combinations are the mapping's rows).
TEST_F(ModifierMonitorTest, KeysHeldBeforeTheFocusCameAnOpenSheetOrDemoContentChangeNothing)
{
    store->setWheelMode(WheelMode::tools);
    press(Qt::Key_Control, kShift); // Shift went down while another program had the keyboard
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);

    store->setActiveSheet(ToolSheet::crop);
    press(Qt::Key_Shift, kNone);
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    release(Qt::Key_Shift, kShift);
    store->setActiveSheet(std::nullopt);

    store->enterDemo({}, {});
    press(Qt::Key_Control, kNone);
    EXPECT_EQ(store->wheelMode(), WheelMode::tools);
    release(Qt::Key_Control, kCtrl);
    store->exitDemo();
    press(Qt::Key_Control, kNone);
    EXPECT_EQ(store->wheelMode(), WheelMode::actions);
}

TEST(ModifierMonitorLifetime, NotStartedSeesNothingAndAGoneMonitorLeavesNoFilter)
{
    KelvaroStore store(StoreServices::desktop(), QStringLiteral("kelvaro.test.library"));
    QLineEdit edit;
    {
        ModifierMonitor idle;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier);
        QApplication::sendEvent(&edit, &press);
        passPostedEvents();
        EXPECT_EQ(store.wheelMode(), WheelMode::convert);
        auto* started = new ModifierMonitor();
        started->start(store);
        delete started;
    }
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier);
    QApplication::sendEvent(&edit, &press); // must not reach a deleted filter
    passPostedEvents();
    EXPECT_EQ(store.wheelMode(), WheelMode::convert);
}

} // namespace
