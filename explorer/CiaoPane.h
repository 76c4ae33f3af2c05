#pragma once

#include "analysis/ChampionGrid.h"
#include "analysis/GenerationRange.h"
#include "charts/CiaoPlot.h"
#include "records/ArchiveReader.h"

#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>

class MatchPool;
class QPainter;
class QProgressBar;
class QTimer;

// The champion grid of a run drawn as its two CIAO maps, computed in the
// background on a pool of threads started once and drawn as its rows come
// in; Esc cancels. A run longer than the pane has pixels is played on every
// k-th generation, and the wheel zooms into a range, played anew. Hovering
// names a cell's generations and both scores; a click chooses that duel.
class CiaoPane : public QWidget
{
    Q_OBJECT

public:
    explicit CiaoPane(QWidget* parent = nullptr);
    ~CiaoPane() override;

    // The run's archive (copied: the champions of every generation). An
    // archive that `onlyGrew` since it was set, generations appended to
    // it, adds only their champions: a look at a long run costs what it
    // read.
    void setArchive(const RunArchive& archive, bool onlyGrew = false);
    // The champions of every generation of a run's archive, taken from it
    // elsewhere, and its matches' layout.
    void setChampions(SelectedChampions champions, const MatchLayout& layout);
    void clear();
    bool computing() const;
    // The generations the grid is played on.
    const std::vector<int>& shownGenerations() const { return generations; }
    const CiaoLayout& lastLayout() const { return layout; }
    // The matches the grid shown had to play: those of the pairs the grid
    // before did not hold.
    long long matchesToPlay() const { return grid ? grid->matchesToPlay() : 0; }
    // Waits for the grid in progress; for tests and scripts.
    void waitForGrid();
    // The board cells times steps the grid in progress has left to play, at
    // most the largest long long: what it costs, whatever the board.
    long long workLeft() const;
    // A picture waits for its map when the map's matches are at most this
    // much work (some tens of seconds on one core); a larger one is drawn as
    // far as it got, its progress shown.
    static constexpr long long pictureWork = 1LL << 36;
    // Waits for the grid as a picture of the pane does: not at all when its
    // work is more than pictureWork, otherwise until it is done or `within`
    // has passed (none: no bound). Whether the map is complete.
    bool waitForPicture(std::optional<std::chrono::milliseconds> within = {});
    // Marks the cell of population 1's champion of `generation1` against
    // population 2's of `generation2` on both maps, at the nearest
    // generations played.
    void setSelection(int generation1, int generation2);
    // Where the marker lies on each map, as last painted; empty where none.
    const std::vector<QRectF>& selectionMarkers() const { return markers; }
    // What the map plays, after its title: "every 7th generation: 1,429 of
    // 10,000" for the whole run, or the range zoomed into.
    QString playedNote() const;
    // Every k-th generation is played; 1 when each is.
    int playedStride() const;
    // The pane's picture painted into `area` of any device, as the pane
    // shows it: the maps, the selection's markers, the note.
    void paintMaps(QPainter& painter, const QRect& area) const;
    // The grid shown as numbers, the columns of the analyzer's grid, or
    // empty while it is still being played.
    QByteArray gridAsCsv() const;

signals:
    void duelChosen(int generation1, int generation2);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The maps painted into `area`, the markers' places put in `placed`.
    CiaoLayout paintInto(QPainter& painter, const QRect& area, std::vector<QRectF>& placed) const;
    // The zoom kept or made whole, `before` champions a side set before,
    // and the grid played anew.
    void championsChanged(int before, const MatchLayout& layout);
    void replay();
    // How many generations the pane has room for, a few pixels each.
    int room() const;
    void cancel();
    void poll();
    // The index of `generation` in the generations shown, or -1.
    int indexOf(int generation) const;
    // The index of the generation shown nearest to `generation`, or -1.
    int nearestIndexOf(int generation) const;

    std::unique_ptr<MatchPool> pool;
    std::unique_ptr<ChampionGrid> grid;
    MatchLayout matchLayout;
    // Every archived generation and its champions.
    SelectedChampions archived;
    // The range zoomed into, as indices into `archived`, and the generations
    // played in it.
    int from = 0;
    int to = -1;
    std::vector<int> generations;
    CiaoLayout layout;
    QProgressBar* progress = nullptr;
    QTimer* poller = nullptr;
    // A pane resized far from the size its grid was made for plays anew,
    // once the resizing has stopped.
    QTimer* resizeReplay = nullptr;
    int playedRoom = 0;
    QString status;
    int selected1 = 0;
    int selected2 = 0;
    std::vector<QRectF> markers;
};
