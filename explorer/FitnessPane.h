#pragma once

#include "charts/ChartStyle.h"
#include "charts/FitnessPlot.h"
#include "records/GenerationRecord.h"

#include <QImage>
#include <QVector>
#include <QWidget>

class FitnessLinesPainter;
struct FitnessLines;
class QPainter;
class QThread;

// The fitness chart of a run, painted by the charts' own code into the pane,
// with a cursor at each generation of the selected duel; its lines, which
// cost a long run most of its painting, are painted on a thread of their
// own and laid over the rest once painted. A click or Left and
// Right (with Shift, ten at a time) choose one generation for both; the
// wheel zooms the generation axis around the pointer; hovering shows the
// values of the generation under it.
class FitnessPane : public QWidget
{
    Q_OBJECT

public:
    explicit FitnessPane(QWidget* parent = nullptr);
    ~FitnessPane() override;

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
    // Paints the pane and waits for the lines of the chart as it now is,
    // the event loop running meanwhile; for scripts and tests.
    void waitForLines();

signals:
    void generationChosen(int generation);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // What a layer of lines was painted for: the pane's size in device
    // pixels and their ratio, the records (numbered as they change) and the
    // range shown.
    struct LinesKey {
        QSize size;
        qreal pixelRatio = 1.0;
        int records = 0;
        int first = 0;
        int last = 0;
        bool operator==(const LinesKey& other) const
        {
            return size == other.size && pixelRatio == other.pixelRatio &&
                   records == other.records && first == other.first && last == other.last;
        }
        bool operator!=(const LinesKey& other) const { return !(*this == other); }
    };
    QVector<GenerationRecord> shownRecords() const;
    void drawCursors(QPainter& painter, const ChartLayout& painted) const;
    void receive(const FitnessLines& lines);
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
    int recordsChanged = 0;
    FitnessLinesPainter* linesPainter = nullptr;
    QThread* linesThread = nullptr;
    int requests = 0;
    LinesKey asked;
    // The newest layer painted; the one the pane shows until the lines of
    // the chart as it now is come.
    QImage lines;
    int linesRequest = 0;
};
