#pragma once
// The lower half of the home screen: four quiet counters (files processed, bytes saved, files on
// shelves, actions this week) that stand in one row when they fit and one under the other when
// they do not; the shelves with a link to their page; and the six most recent results with a
// link to the history. Read from the store and rebuilt whenever its history or shelves change.
// While the stored history and shelves cannot be read, the counters stay hidden and the empty
// lists say so instead of inviting the user to add to them. Main thread; created by HomeView.
#include <functional>
#include <optional>

#include <QDateTime>
#include <QLayout>
#include <QWidget>

#include "model/Models.h"
#include "ui/design/FitOrStackLayout.h"
#include "ui/design/QuietStat.h"
#include "ui/design/SectionHead.h"

class QVBoxLayout;

namespace kelvaro {

class KelvaroStore;
class LinkButton;
class Text;

class QuietStats : public QWidget {
    Q_OBJECT
public:
    explicit QuietStats(KelvaroStore& store, QWidget* parent = nullptr);
    // The four (value, label) pairs for the store as it is now.
    static QList<QPair<QString, QString>> values(const KelvaroStore& store);
    QList<QuietStat*> stats() const { return m_stats; }
    FitOrStackLayout* rowLayout() const { return m_layout; }
    // Reads the store again (this week's count also follows the date).
    void refresh();

private:
    KelvaroStore& m_store;
    FitOrStackLayout* m_layout;
    QList<QuietStat*> m_stats;
};

class ShelvesSection : public QWidget {
    Q_OBJECT
public:
    explicit ShelvesSection(KelvaroStore& store, QWidget* parent = nullptr);
    SectionHead* head() const { return m_head; }
    // The shelf lines shown (buttons, in order), and the empty text when there are none.
    QList<QWidget*> lines() const;
    Text* emptyText() const { return m_empty; }

private:
    void rebuild();

    KelvaroStore& m_store;
    SectionHead* m_head;
    QWidget* m_list;
    QVBoxLayout* m_listLayout;
    Text* m_empty = nullptr;
};

class RecentSection : public QWidget {
    Q_OBJECT
public:
    explicit RecentSection(KelvaroStore& store, QWidget* parent = nullptr);
    SectionHead* head() const { return m_head; }
    QList<QWidget*> rows() const;
    Text* emptyText() const { return m_empty; }

    // The clock relative dates are measured from (tests and the gallery fix it).
    static void setClockForTesting(std::function<QDateTime()> clock);
    static QDateTime now();
    // Works the rows' relative dates out again from now().
    void refreshDates();

private:
    void rebuild();

    KelvaroStore& m_store;
    SectionHead* m_head;
    QWidget* m_list;
    QVBoxLayout* m_listLayout;
    Text* m_empty = nullptr;
};

} // namespace kelvaro
