#pragma once

#include "charts/ChartStyle.h"
#include "charts/FitnessPlot.h"
#include "records/GenerationRecord.h"

#include <QVector>
#include <QWidget>

class QPainter;

// The fitness chart of a run, painted by the charts' own code into the pane,
// with a cursor at each generation of the selected duel. A click or Left and
// Right (with Shift, ten at a time) choose one generation for both; the
// wheel zooms the generation axis around the pointer; hovering shows the
// values of the generation under it.
class FitnessPane : public QWidget
{
    Q_OBJECT

public:
    explicit FitnessPane(QWidget* parent = nullptr);

    // Generations 1, 2, ... of a run; `source` says where they come from.
    void setRecords(const QVector<GenerationRecord>& records, const QString& title,
                    FitnessSource source = FitnessSource::log);
    void setGeneration(int generation) { setGenerations(generation, generation); }
    // The cursors at population 1's and population 2's generation of the duel.
    void setGenerations(int generation1, int generation2);
    int generation() const { return cursor; }
    int secondGeneration() const { return cursor2; }
    // The generations shown, first and last.
    std::pair<int, int> shownRange() const { return {first, last}; }
    // The pixel column of `generation`'s cursor, as last painted.
    double cursorX(int generation) const;
    // The chart as the pane shows it, cursors included, painted into `area`
    // of any device; its panels.
    ChartLayout paintChart(QPainter& painter, const QRect& area) const;

signals:
    void generationChosen(int generation);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The generation under a pixel column, within the shown range.
    int generationAt(double x) const;
    void choose(int generation);

    QVector<GenerationRecord> records;
    QString title;
    FitnessSource source = FitnessSource::log;
    ChartLayout layout;
    int cursor = 0;
    int cursor2 = 0;
    int first = 1;
    int last = 1;
};
