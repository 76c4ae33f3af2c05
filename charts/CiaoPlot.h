#pragma once

#include "charts/ChartStyle.h"
#include "charts/ImageFile.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

class ChampionGrid;
class QPainter;

constexpr int ciaoPlotWidth = 1240;
constexpr int ciaoPlotHeight = 600;

// The lines hatching the empty triangle, the matches not played (champions
// against younger opponents), so that no score's colour is mistaken for it;
// a shade of blue-grey, which the smoothed edge of no grey text takes.
inline const QColor ciaoUnplayedColor(0xb0, 0xb0, 0xbc);

// How far a map's colours reach: by default up to the 95th percentile of its
// scores, the twentieth above it in the top colour, so that neither an
// outlier nor a small block of very high scores pales every other cell; or
// up to its highest score.
enum class CiaoColourRange { clipped, full };
constexpr double ciaoClipQuantile = 0.95;

// A map's colour scale: from `low`, its lowest score, to `high`; `highest` is
// its highest score, above `high` when the scale is clipped.
struct CiaoColourScale {
    double low = 0.0;
    double high = 1.0;
    double highest = 1.0;

    bool clipped() const { return high < highest; }
};
// The scale of `scores`: up to their ciaoClipQuantile-quantile, or up to the
// highest when `range` is full or the quantile is the lowest score.
CiaoColourScale ciaoColourScale(const std::vector<double>& scores, CiaoColourRange range);

// A cell of population `population`'s CIAO map, at `row` and `column` of it:
// population 1's champion of `generation1` against population 2's of
// `generation2`, and the score of the map's population in their match.
struct CiaoCell {
    int population = 1;
    int row = 0;
    int column = 0;
    int generation1 = 0;
    int generation2 = 0;
    double score = 0.0;
};

// One CIAO triangle as painted: the champions of `population` (rows, upwards)
// against the other population's champions of their own and earlier
// generations (columns, rightwards), each cell coloured by its score on the
// map's own scale, the empty triangle hatched.
struct CiaoMap {
    int population = 1;
    // The panel, both axes in generations.
    ChartScale scale;
    // Where the cells lie: a square of generations.size() cells a side.
    QRectF cells;
    // The generations of the rows, which are also those of the columns.
    std::vector<int> generations;
    // scores[row][column] for column <= row; NaN for a cell whose row of
    // the grid is still being played, left hatched.
    std::vector<std::vector<float>> scores;
    // The map's colour scale, whose bar lies right of the panel.
    CiaoColourScale colours;
    QRect colourBar;

    // A score's colour, those past the scale's ends in the end's colour.
    QColor colourOf(double score) const;
    QRectF cellRect(int row, int column) const;
    // The cell under `point`, or none outside the cells or in the empty
    // triangle above them.
    std::optional<CiaoCell> cellAt(const QPointF& point) const;
};

// Population 1's map on the left, population 2's on the right; no map when
// there are no generations.
struct CiaoLayout {
    std::vector<CiaoMap> maps;

    std::optional<CiaoCell> cellAt(const QPointF& point) const;
};

// The two CIAO triangles side by side, or one above the other where that
// leaves them more room: first each population-1 champion (rows) against the
// population-2 champions of its own and earlier generations (columns),
// scored by score1; then the same for population 2 against population 1,
// scored by score2. Each triangle has a colour scale of its own, of `range`,
// its bar named with the clipping. `generations` names the grid's rows,
// which are also its columns; the axes span them. Painted into `area`, the
// maps are as large as it allows; `note` follows the title.
CiaoLayout paintCiaoPlot(QPainter& painter, const QRect& area, const ChampionGrid& grid,
                         const std::vector<int>& generations, const QString& title,
                         CiaoColourRange range = CiaoColourRange::clipped,
                         const QString& note = {});
// The chart as a picture of the plot's size; it refers to `grid`, which
// outlives it.
ChartPicture drawCiaoPlot(const ChampionGrid& grid, const std::vector<int>& generations,
                          const QString& title, CiaoColourRange range = CiaoColourRange::clipped);
