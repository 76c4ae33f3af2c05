#include "explorer/SweepPane.h"

#include "charts/SummaryPlot.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QTreeWidget>

namespace
{

// The list's share of the pane; the chart takes the rest.
constexpr int listWidth = 300;
// Where a line keeps the condition or the run it stands for.
constexpr int conditionRole = Qt::UserRole;
constexpr int runRole = Qt::UserRole + 1;

QString reached(const SweepRun& run)
{
    if (run.log.isEmpty())
        return QObject::tr("no generation yet");
    const int last = run.log.back().generation;
    return run.finished ? QObject::tr("finished at generation %1").arg(last)
                        : QObject::tr("unfinished, at generation %1").arg(last);
}

} // namespace

SweepPane::SweepPane(QWidget* parent) : QWidget(parent)
{
    list = new QTreeWidget(this);
    list->setColumnCount(2);
    list->setHeaderLabels({tr("Condition, seed"), tr("Last generation")});
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->setFixedWidth(listWidth);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(list);
    row->addStretch(1);
    connect(list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            chooseCondition(item->data(0, conditionRole).toInt());
    });
    connect(list, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { itemChosen(item); });
}

void SweepPane::setSweep(const QString& path, SweepRead read)
{
    sweep = std::move(read);
    title = path;
    list->clear();
    for (int k = 0; k < static_cast<int>(sweep.conditions.size()); ++k) {
        auto* conditionItem = new QTreeWidgetItem(list, {sweep.conditions[k]});
        conditionItem->setData(0, conditionRole, k);
        conditionItem->setData(0, runRole, -1);
        for (int r = 0; r < static_cast<int>(sweep.runs.size()); ++r) {
            const SweepRun& run = sweep.runs[static_cast<std::size_t>(r)];
            if (run.condition != k)
                continue;
            auto* runItem = new QTreeWidgetItem(
                conditionItem, {tr("seed %1").arg(run.seed), reached(run)});
            runItem->setData(0, conditionRole, k);
            runItem->setData(0, runRole, r);
        }
    }
    list->expandAll();
    condition = -1;
    chooseCondition(0);
}

QStringList SweepPane::lines() const
{
    QStringList shown;
    for (int k = 0; k < list->topLevelItemCount(); ++k) {
        const QTreeWidgetItem* conditionItem = list->topLevelItem(k);
        shown << conditionItem->text(0);
        for (int r = 0; r < conditionItem->childCount(); ++r)
            shown << QStringLiteral("  %1: %2").arg(conditionItem->child(r)->text(0),
                                                   conditionItem->child(r)->text(1));
    }
    return shown;
}

void SweepPane::chooseCondition(int chosen)
{
    if (chosen == condition)
        return;
    condition = chosen;
    std::vector<QVector<GenerationRecord>> logs;
    for (const SweepRun& run : sweep.runs)
        if (run.condition == condition && !run.log.isEmpty())
            logs.push_back(run.log);
    summary = logs.empty() ? std::vector<SummaryRow>() : summarizeRuns(logs);
    update();
}

void SweepPane::chooseSeed(int run)
{
    if (run >= 0 && run < static_cast<int>(sweep.runs.size()))
        emit runChosen(sweep.runs[static_cast<std::size_t>(run)].path);
}

void SweepPane::itemChosen(QTreeWidgetItem* item)
{
    if (item)
        chooseSeed(item->data(0, runRole).toInt());
}

void SweepPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect().adjusted(listWidth, 0, 0, 0);
    painter.fillRect(area, Qt::white);
    if (summary.empty()) {
        chart = {};
        painter.drawText(area, Qt::AlignCenter, tr("No seed of this condition has a log yet"));
        return;
    }
    const QString name = condition >= 0 && condition < static_cast<int>(sweep.conditions.size())
                             ? sweep.conditions[static_cast<std::size_t>(condition)]
                             : QString();
    chart = paintSummaryPlot(painter, area, summary, name);
}
