#pragma once

#include "analysis/RunFolders.h"
#include "analysis/SeedSummary.h"
#include "charts/ChartStyle.h"

#include <QWidget>

class QTreeWidget;
class QTreeWidgetItem;

// A sweep's folder, or one condition's, at a glance: its conditions and
// their seeds, each with the last generation it reached (finished, or how
// far an unfinished run got), and the summary chart over the seeds of the
// condition chosen in the list. Choosing a seed (a double click, or Enter)
// asks for its run to be opened.
class SweepPane : public QWidget
{
    Q_OBJECT

public:
    explicit SweepPane(QWidget* parent = nullptr);

    void setSweep(const QString& path, SweepRead sweep);

    // The list's lines, condition by condition, each seed indented below its
    // condition, as shown.
    QStringList lines() const;
    // The condition the chart summarizes.
    int chosenCondition() const { return condition; }
    void chooseCondition(int condition);
    // Asks for the run of the k-th seed of the sweep, in the list's order.
    void chooseSeed(int run);
    const ChartLayout& chartLayout() const { return chart; }

signals:
    void runChosen(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void itemChosen(QTreeWidgetItem* item);

    SweepRead sweep;
    QString title;
    int condition = 0;
    // The summary of the chosen condition's seeds that have a log.
    std::vector<SummaryRow> summary;
    QTreeWidget* list = nullptr;
    ChartLayout chart;
};
