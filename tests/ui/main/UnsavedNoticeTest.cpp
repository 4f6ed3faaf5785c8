// While changes cannot be saved, the main window says so in a line of its own that a run's status
// does not replace: under the wheel's status capsule when files are loaded, at the foot of the
// home screen otherwise; it goes with the first save that succeeds.
#include <cerrno>

#include <gtest/gtest.h>

#include "../../support/TestImages.h"
#include "UiTestSupport.h"
#include "l10n/Localization.h"
#include "l10n/SaveFailure.h"
#include "platform/FileSystem.h"
#include "ui/wheel/StatusLine.h"
#include "ui/wheel/UnsavedNotice.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

namespace {

struct PlaceRow {
    const char* name;
    bool filesLoaded;
};

class UnsavedChangesNotice : public ShownContentView, public ::testing::WithParamInterface<PlaceRow> {
protected:
    void beforeView() override
    {
        if (GetParam().filesLoaded)
            store->receive(QStringList{testimages::writeJpeg(temp.path(), QStringLiteral("a.jpg"), testimages::plain(40, 30, Qt::darkGreen))}, false);
    }
    void TearDown() override
    {
        FileSystem::setCurrent(nullptr);
        ShownContentView::TearDown();
    }

    // The notices standing in the window, with what each says.
    QList<wheel::UnsavedNotice*> standing() const
    {
        QList<wheel::UnsavedNotice*> shown;
        for (wheel::UnsavedNotice* notice : view->findChildren<wheel::UnsavedNotice*>())
            if (notice->isVisible())
                shown << notice;
        return shown;
    }
};

TEST_P(UnsavedChangesNotice, standsThroughARunUntilASaveSucceeds)
{
    FailingFileSystem disk;
    disk.writeBudget = 0;
    FileSystem::setCurrent(&disk);
    store->addHistoryEntry(activity(QStringLiteral("a.jpg"), QDateTime::currentDateTime()));
    ASSERT_TRUE(Settings::shared().hasUnsavedChanges());
    const QString sentence = Lf("Nastavení a historii se nepodařilo uložit: %@. Uložená verze zůstala beze změny.",
                                saveFailureReason(ENOSPC));

    auto* line = view->findChild<wheel::StatusLine*>();
    for (const QString& status : {QStringLiteral("Pracuji…"), QStringLiteral("Hotovo – 12 souborů")}) {
        store->setStatusIsError(false);
        store->setStatusMessage(status);
        ASSERT_TRUE(waitFor([&] { return standing().size() == 1; })) << status.toStdString();
        wheel::UnsavedNotice* notice = standing().first();
        EXPECT_EQ(notice->message(), sentence);
        if (GetParam().filesLoaded) {
            ASSERT_TRUE(line && line->isVisible());
            EXPECT_EQ(line->shownText(), status);
            EXPECT_EQ(notice, line->unsavedNotice());
        } else {
            EXPECT_EQ(notice, view->unsavedNotice());
        }
    }

    disk.writeBudget = -1;
    ASSERT_TRUE(Settings::shared().setValue(QStringLiteral("kelvaro.jpegQuality"), 0.8));
    EXPECT_TRUE(waitFor([&] { return standing().isEmpty(); }));
}

INSTANTIATE_TEST_SUITE_P(Places, UnsavedChangesNotice,
                         ::testing::Values(PlaceRow{"home", false}, PlaceRow{"underTheStatusCapsule", true}), test::RowName());

} // namespace
