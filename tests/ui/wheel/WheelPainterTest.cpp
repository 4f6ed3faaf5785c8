// Painting of the wheel: where its labels go.
#include <gtest/gtest.h>

#include "l10n/Localization.h"
#include "model/Models.h"
#include "platform/Settings.h"
#include "ui/wheel/WheelPainter.h"
#include "../main/UiTestSupport.h"

using namespace kelvaro;
using namespace kelvaro::wheel;

namespace {

QTransform highlighted(const WheelGeometry& g)
{
    return QTransform::fromTranslate(g.centre().x(), g.centre().y())
        .scale(kHighlightScale, kHighlightScale)
        .translate(-g.centre().x(), -g.centre().y());
}

// The labels, of every mode, whose text runs past their highlighted wedge at the size the
// loaded wheel shows.
QStringList labelsOutsideTheirWedge()
{
    QStringList outside;
    for (WheelMode mode : allWheelModes()) {
        const QList<WheelAction>& list = actions(mode);
        const WheelGeometry g{280, 0.4, int(list.size())};
        const QTransform hover = highlighted(g);
        const WheelLabels labels = wheelLabels(g, list);
        for (int i = 0; i < list.size(); ++i)
            if (i >= labels.textRects.size() || !hover.map(g.wedgePath(i)).contains(hover.mapRect(labels.textRects[i])))
                outside << QStringLiteral("%1 at %2 px").arg(L(list[i].key)).arg(labels.textSize);
    }
    return outside;
}

// A highlighted wedge turns its label white: any of the text outside the wedge would vanish on
// the canvas, so every label lies inside its wedge, in both languages and either interface font.
TEST(WheelPainter, EveryHighlightedLabelLiesInsideItsWedge)
{
    for (const QFont& font : uitest::interfaceFonts()) {
        const uitest::ApplicationFont shown(font);
        for (const char* language : {"cs", "en"}) {
            Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(language));
            EXPECT_EQ(labelsOutsideTheirWedge(), QStringList()) << language << " in " << font.family().toStdString();
        }
    }
}

} // namespace
