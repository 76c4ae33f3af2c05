#include "explorer/CiaoPane.h"

#include "board/MatchPool.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <limits>
#include <string>

namespace
{

constexpr int progressHeight = 16;
// A cell this many pixels a side at least: more generations than that would
// be played and not seen.
constexpr int smallestCell = 2;

} // namespace

CiaoPane::CiaoPane(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(320, 200);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    progress = new QProgressBar(this);
    progress->setTextVisible(true);
    progress->hide();
    poller = new QTimer(this);
    poller->setInterval(50);
    connect(poller, &QTimer::timeout, this, &CiaoPane::poll);
    resizeReplay = new QTimer(this);
    resizeReplay->setSingleShot(true);
    resizeReplay->setInterval(250);
    connect(resizeReplay, &QTimer::timeout, this, &CiaoPane::replay);
    std::string failure;
    pool = MatchPool::start(MatchPool::defaultThreadCount(), failure);
    if (!pool)
        status = QString::fromStdString(failure);
}

CiaoPane::~CiaoPane()
{
    cancel();
}

void CiaoPane::setArchive(const RunArchive& archive, bool onlyGrew)
{
    const int before = static_cast<int>(archived.generations.size());
    if (onlyGrew && before > 0 && !archive.generations.empty() &&
        archive.newestGeneration() >= archived.generations.back()) {
        if (archive.newestGeneration() == archived.generations.back())
            return;
        const SelectedChampions added =
            championsOf(archive, GenerationRange{archived.generations.back() + 1, std::nullopt, 1});
        if (added.error.isEmpty()) {
            for (std::size_t k = 0; k < added.generations.size(); ++k) {
                archived.generations.push_back(added.generations[k]);
                archived.champions1.push_back(added.champions1[k]);
                archived.champions2.push_back(added.champions2[k]);
            }
            return championsChanged(before, archive.config().match);
        }
    }
    setChampions(championsOf(archive), archive.config().match);
}

void CiaoPane::setChampions(SelectedChampions champions, const MatchLayout& layout)
{
    const int before = static_cast<int>(archived.generations.size());
    // None when the archive holds none.
    archived = std::move(champions);
    championsChanged(before, layout);
}

void CiaoPane::championsChanged(int before, const MatchLayout& layout)
{
    const bool wasWhole = to < 0 || to + 1 >= before;
    matchLayout = layout;
    const int count = static_cast<int>(archived.generations.size());
    if (wasWhole) {
        from = 0;
        to = count - 1;
    } else {
        to = std::min(to, count - 1);
        from = std::min(from, std::max(0, to));
    }
    replay();
}

void CiaoPane::clear()
{
    cancel();
    archived = {};
    generations.clear();
    grid.reset();
    layout = {};
    update();
}

bool CiaoPane::computing() const
{
    return poller->isActive();
}

void CiaoPane::cancel()
{
    if (pool && computing())
        pool->cancel();
    poller->stop();
    progress->hide();
}

void CiaoPane::waitForGrid()
{
    if (pool && computing())
        pool->waitForAll();
    poll();
}

long long CiaoPane::workLeft() const
{
    if (!grid || !computing())
        return 0;
    const long long largest = std::numeric_limits<long long>::max();
    // Each factor at most a few billion: the product is bounded step by step.
    long long work = std::max(1, matchLayout.boardWidth);
    for (const long long factor : {static_cast<long long>(std::max(1, matchLayout.boardHeight)),
                                   static_cast<long long>(std::max(1, matchLayout.steps)),
                                   std::max(0LL, grid->matchesToPlay())}) {
        if (factor != 0 && work > largest / factor)
            return largest;
        work *= factor;
    }
    return work;
}

bool CiaoPane::waitForPicture(std::optional<std::chrono::milliseconds> within)
{
    if (pool && computing() && workLeft() <= pictureWork) {
        if (within)
            pool->waitFor(*within);
        else
            pool->waitForAll();
    }
    poll();
    return !computing();
}

// The generations of the zoomed range, every k-th of them from its first so
// that each cell keeps a few pixels, and a new grid for them, played on the
// pool. The pairs the grid before held are taken from it: a run that grew
// plays only the rows and columns of its new generations, and one played at
// a new stride only the pairs it had not met.
void CiaoPane::replay()
{
    cancel();
    generations.clear();
    if (archived.generations.empty() || to < from || !pool) {
        grid.reset();
        update();
        return;
    }
    playedRoom = room();
    const int span = to - from + 1;
    const int stride = (span + playedRoom - 1) / playedRoom;
    std::vector<PackedPattern> rows1;
    std::vector<PackedPattern> rows2;
    const auto take = [&](int k) {
        generations.push_back(archived.generations[static_cast<std::size_t>(k)]);
        rows1.push_back(archived.champions1[static_cast<std::size_t>(k)]);
        rows2.push_back(archived.champions2[static_cast<std::size_t>(k)]);
    };
    for (int k = from; k <= to; k += stride)
        take(k);
    // The newest generation of the range always shows.
    if (generations.back() != archived.generations[static_cast<std::size_t>(to)])
        take(to);
    auto next = std::make_unique<ChampionGrid>(rows1, rows2, matchLayout);
    if (grid)
        next->reuse(*grid);
    grid = std::move(next);
    ChampionGrid* playing = grid.get();
    pool->begin(grid->rowCount(),
                [playing](int row, Board& board) { playing->playRow(row, board); });
    progress->setRange(0, grid->rowCount());
    progress->setValue(0);
    progress->setFormat(
        tr("%1 matches, every %2. generation: %p%").arg(grid->matchesToPlay()).arg(stride));
    progress->show();
    poller->start();
    update();
}

int CiaoPane::room() const
{
    return std::max(1, std::min(width() / 2, height()) / smallestCell);
}

void CiaoPane::poll()
{
    if (!grid)
        return;
    const bool done = pool->waitFor(std::chrono::milliseconds(0));
    progress->setValue(pool->rowsDone());
    if (done) {
        poller->stop();
        progress->hide();
    }
    update();
}

int CiaoPane::indexOf(int generation) const
{
    const auto found = std::find(generations.begin(), generations.end(), generation);
    return found == generations.end() ? -1 : static_cast<int>(found - generations.begin());
}

int CiaoPane::nearestIndexOf(int generation) const
{
    if (generations.empty())
        return -1;
    const auto after = std::lower_bound(generations.begin(), generations.end(), generation);
    if (after == generations.begin())
        return 0;
    if (after == generations.end() || generation - *(after - 1) <= *after - generation)
        return static_cast<int>(after - generations.begin()) - 1;
    return static_cast<int>(after - generations.begin());
}

void CiaoPane::setSelection(int generation1, int generation2)
{
    selected1 = generation1;
    selected2 = generation2;
    update();
}

QString CiaoPane::playedNote() const
{
    if (generations.empty())
        return {};
    const QLocale english(QLocale::English);
    const int count = static_cast<int>(archived.generations.size());
    if (from > 0 || to + 1 < count)
        return tr("zoomed: generations %1 to %2").arg(generations.front()).arg(generations.back());
    const int stride = playedStride();
    if (stride <= 1)
        return tr("every generation: %1").arg(english.toString(count));
    const int lastDigit = stride % 10;
    const bool teen = stride % 100 >= 11 && stride % 100 <= 13;
    const QString ordinal = teen || lastDigit == 0 || lastDigit > 3 ? QStringLiteral("th")
                            : lastDigit == 1                        ? QStringLiteral("st")
                            : lastDigit == 2                        ? QStringLiteral("nd")
                                                                    : QStringLiteral("rd");
    return tr("every %1%2 generation: %3 of %4")
        .arg(stride)
        .arg(ordinal, english.toString(static_cast<qlonglong>(generations.size())),
             english.toString(count));
}

int CiaoPane::playedStride() const
{
    return generations.size() > 1 ? generations[1] - generations[0] : 1;
}

QByteArray CiaoPane::gridAsCsv() const
{
    if (!grid || computing())
        return {};
    return gridCsv(*grid, generations, generations);
}

void CiaoPane::paintMaps(QPainter& painter, const QRect& area) const
{
    std::vector<QRectF> placed;
    paintInto(painter, area, placed);
}

CiaoLayout CiaoPane::paintInto(QPainter& painter, const QRect& area,
                               std::vector<QRectF>& placed) const
{
    placed.clear();
    if (!grid) {
        painter.setPen(Qt::black);
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
                         status.isEmpty() ? tr("No archive: the CIAO map needs run.arc") : status);
        return {};
    }
    CiaoLayout painted = paintCiaoPlot(painter, area, *grid, generations, tr("CIAO maps"),
                                       CiaoColourRange::clipped, playedNote());
    // The selected duel's cell on each map: on population 1's its champion's
    // row and the opponent's column, on population 2's the other way round.
    const int index1 = nearestIndexOf(selected1);
    const int index2 = nearestIndexOf(selected2);
    if (index1 < 0 || index2 < 0)
        return painted;
    painter.setBrush(Qt::NoBrush);
    for (const CiaoMap& map : painted.maps) {
        const QRectF cell =
            map.population == 1 ? map.cellRect(index1, index2) : map.cellRect(index2, index1);
        // At least a few pixels wide, in black and white to show on any colour.
        const QRectF marker = cell.adjusted(-2, -2, 2, 2);
        painter.setPen(QPen(Qt::white, 3));
        painter.drawRect(marker);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(marker);
        placed.push_back(marker);
    }
    return painted;
}

void CiaoPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    layout = paintInto(
        painter, rect().adjusted(0, 0, 0, progress->isVisible() ? -progressHeight : 0), markers);
}

void CiaoPane::resizeEvent(QResizeEvent*)
{
    progress->setGeometry(0, height() - progressHeight, width(), progressHeight);
    const int now = room();
    if (grid && (now > 2 * playedRoom || 2 * now < playedRoom))
        resizeReplay->start();
}

void CiaoPane::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (const auto cell = layout.cellAt(event->position()))
        emit duelChosen(cell->generation1, cell->generation2);
}

void CiaoPane::mouseMoveEvent(QMouseEvent* event)
{
    const auto cell = layout.cellAt(event->position());
    if (!cell || !grid) {
        QToolTip::hideText();
        return;
    }
    const int i = indexOf(cell->generation1);
    const int j = indexOf(cell->generation2);
    if (!grid->holds(i, j)) {
        QToolTip::showText(event->globalPosition().toPoint(),
                           tr("generations %1 and %2: not played yet")
                               .arg(cell->generation1)
                               .arg(cell->generation2),
                           this);
        return;
    }
    const GridScores& scores = grid->at(i, j);
    QToolTip::showText(event->globalPosition().toPoint(),
                       tr("population 1's champion of generation %1\nagainst population 2's of "
                          "generation %2\nscores %3 and %4")
                           .arg(cell->generation1)
                           .arg(cell->generation2)
                           .arg(static_cast<double>(scores.score1), 0, 'g', 6)
                           .arg(static_cast<double>(scores.score2), 0, 'g', 6),
                       this);
}

void CiaoPane::wheelEvent(QWheelEvent* event)
{
    const std::vector<int>& numbers = archived.generations;
    const int count = static_cast<int>(numbers.size());
    if (count < 2)
        return;
    const auto cell = layout.cellAt(event->position());
    const int pivotGeneration =
        cell ? cell->generation1 : numbers[static_cast<std::size_t>((from + to) / 2)];
    const int pivot = static_cast<int>(
        std::lower_bound(numbers.begin(), numbers.end(), pivotGeneration) - numbers.begin());
    const double factor = event->angleDelta().y() > 0 ? 0.5 : 2.0;
    const int span = std::clamp(static_cast<int>((to - from) * factor), 1, count - 1);
    from = std::clamp(pivot - span / 2, 0, count - 1 - span);
    to = from + span;
    replay();
}

void CiaoPane::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && computing()) {
        cancel();
        status = tr("cancelled");
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}
