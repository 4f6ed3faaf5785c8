// The welcome's steps: a shown view cross-fades from one step to the next and ends with the new
// step drawn fully and nothing left of the old one, also when the user goes on mid-fade.
#include <QAbstractAnimation>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QStackedWidget>

#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"
#include "ui/design/DesignSystem.h"
#include "ui/onboarding/OnboardingView.h"

using namespace kelvaro;

namespace {

class OnboardingViewTest : public uitest::CzechTest {
protected:
    QWidget* shownStep() const { return view->findChild<QStackedWidget*>()->currentWidget(); }
    QLabel* leaving() const { return view->findChild<QLabel*>(QStringLiteral("leavingStep")); }
    double opacity(QWidget* widget) const
    {
        const auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget->graphicsEffect());
        return effect ? effect->opacity() : 1.0;
    }
    bool settled() const { return view->stepTransition()->state() == QAbstractAnimation::Stopped; }

    std::unique_ptr<OnboardingView> view = std::make_unique<OnboardingView>(nullptr);
};

TEST_F(OnboardingViewTest, StepsCrossFadeAndEndFullyDrawnAlsoWhenTheUserGoesOnMidFade)
{
    view->show();
    ASSERT_TRUE(uitest::waitFor([&] { return view->isVisible(); }));
    QWidget* welcome = shownStep();
    view->advance();
    EXPECT_EQ(view->step(), 1);
    EXPECT_NE(shownStep(), welcome);
    EXPECT_EQ(view->stepTransition()->state(), QAbstractAnimation::Running);
    EXPECT_EQ(view->stepTransition()->duration(), OnboardingView::transitionMs);
    EXPECT_LT(opacity(shownStep()), 1.0) << "the new step appears at once";
    ASSERT_NE(leaving(), nullptr);
    EXPECT_TRUE(leaving()->isVisible()) << "the old step vanishes at once";
    EXPECT_GT(opacity(leaving()), 0.0);

    // Return again before the fade ends: on to the last step, from the wheels.
    view->advance();
    EXPECT_EQ(view->step(), 2);
    EXPECT_EQ(view->mainButton()->text(), QStringLiteral("Začít"));
    ASSERT_TRUE(uitest::waitFor([&] { return settled(); })) << "the fade never ended";
    EXPECT_EQ(shownStep()->graphicsEffect(), nullptr);
    EXPECT_EQ(welcome->graphicsEffect(), nullptr);
    for (QWidget* page : view->findChild<QStackedWidget*>()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_EQ(page->graphicsEffect(), nullptr) << qPrintable(page->objectName());
    EXPECT_FALSE(leaving()->isVisible());

    // Back fades too.
    view->back();
    EXPECT_EQ(view->step(), 1);
    EXPECT_EQ(view->stepTransition()->state(), QAbstractAnimation::Running);
    ASSERT_TRUE(uitest::waitFor([&] { return settled(); })) << "the fade never ended";
    EXPECT_EQ(opacity(shownStep()), 1.0);
}

} // namespace
