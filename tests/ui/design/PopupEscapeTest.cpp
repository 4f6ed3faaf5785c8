// Escape on an open drop-down list closes the list and nothing behind it: neither a dialog, which
// rejects on Escape, nor a window whose Escape shortcut closes it. Typed as the desktop delivers
// it, to the window with the keyboard focus; the next Escape reaches the window.
#include <functional>
#include <memory>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QShortcut>
#include <QVBoxLayout>

#include "../main/UiTestSupport.h"
#include "ui/design/PopupEscape.h"

using namespace kelvaro;

namespace {

struct Behind {
    const char* name;
    std::function<std::unique_ptr<QWidget>()> make;
};

void PrintTo(const Behind& row, std::ostream* os)
{
    *os << row.name;
}

class PopupEscape : public ::testing::TestWithParam<Behind> {};

TEST_P(PopupEscape, ClosesTheListAloneAndTheNextEscapeReachesTheWindow)
{
    installPopupEscape();
    std::unique_ptr<QWidget> window = GetParam().make();
    auto* column = new QVBoxLayout(window.get());
    auto* list = new QComboBox(window.get());
    list->addItems({QStringLiteral("Rozmazání"), QStringLiteral("Pixelizace"), QStringLiteral("Plná výplň")});
    column->addWidget(list);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return QGuiApplication::focusWindow() == window->windowHandle(); }));
    list->setFocus(Qt::TabFocusReason);
    list->showPopup();
    QWidget* popup = list->view()->window();
    ASSERT_TRUE(uitest::waitFor([&] { return popup->isVisible(); })) << "the list never opened";

    ASSERT_TRUE(test::typeKey(Qt::Key_Escape));
    EXPECT_TRUE(uitest::waitFor([&] { return !popup->isVisible(); })) << "the list stayed open";
    uitest::passPostedEvents();
    ASSERT_TRUE(window->isVisible()) << "the window closed with the list";
    EXPECT_EQ(list->currentIndex(), 0) << "Escape chose in the list";

    // The test platform leaves its focus on the closed list, where a desktop keeps it on the window.
    window->activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return QGuiApplication::focusWindow() == window->windowHandle(); }));
    ASSERT_TRUE(test::typeKey(Qt::Key_Escape));
    EXPECT_TRUE(uitest::waitFor([&] { return !window->isVisible(); })) << "the second Escape left the window open";
}

INSTANTIATE_TEST_SUITE_P(
    Windows, PopupEscape,
    ::testing::Values(Behind{"dialog", [] { return std::unique_ptr<QWidget>(new QDialog()); }},
                      Behind{"windowWithAnEscapeShortcut",
                             [] {
                                 auto window = std::make_unique<QWidget>(nullptr, Qt::Window);
                                 auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), window.get());
                                 QObject::connect(shortcut, &QShortcut::activated, window.get(), &QWidget::close);
                                 return window;
                             }}),
    test::RowName());

} // namespace
