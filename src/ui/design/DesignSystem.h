#pragma once
// The small widgets every screen is drawn from, one include for all: text in the theme's styles
// and colours, the card panel and its header, the key cap, the link, the primary, secondary and
// destructive buttons, the symbol badge and glyph, the plain row button whose whole rectangle is
// the click and hover target, the divider. Each lives in a file of its own and is drawn from its
// fields and the theme, resolved for the appearance of the widget's palette, so a change of
// appearance repaints it without rebuilding. Main thread; created by the screens.
#include "ui/design/Card.h"
#include "ui/design/CardHeader.h"
#include "ui/design/Divider.h"
#include "ui/design/HoverButton.h"
#include "ui/design/IconBadge.h"
#include "ui/design/KelvaroButton.h"
#include "ui/design/KeyCap.h"
#include "ui/design/LinkButton.h"
#include "ui/design/SymbolView.h"
#include "ui/design/Text.h"
#include "ui/design/Theme.h"
