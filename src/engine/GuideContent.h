#pragma once
// The fixed content of the built-in guide: the three steps, the parts of the application, results
// and privacy, the keyboard shortcuts and a paragraph on every slice of the wheel. Every text is
// Czech and is the key of its English entry; the guide looks it up when it shows it. Immutable
// tables built on first use; any thread.
#include <optional>

#include <QList>
#include <QString>

#include "engine/Models.h"

namespace kelvaro {

// One entry of the guide. `title` is also its identity.
struct GuideTopic {
    QString symbol;
    QString title;
    QString text;
    std::optional<QString> badge; // no entry has one; the guide does not show it

    QString id() const { return title; }
};

// One row of the shortcuts card. `keys` is shown on a key cap (looked up: "Mezerník").
struct GuideShortcut {
    QString keys;
    QString text;

    QString id() const { return keys; }
};

namespace GuideContent {

const QList<GuideTopic>& steps();             // 3
const QList<GuideTopic>& appParts();          // 8, the card "Části aplikace"
const QList<GuideTopic>& resultsAndPrivacy(); // 6, the card "Výsledky a soukromí"
const QList<GuideShortcut>& shortcuts();      // 10

// The Czech paragraph that explains a slice, found by its exact key; any other key gives the
// slice's one-line detail (empty for a key that is no slice).
QString rawExplanation(const WheelAction& action);

} // namespace GuideContent
} // namespace kelvaro
