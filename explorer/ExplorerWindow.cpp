#include "explorer/ExplorerWindow.h"

#include "analysis/BirthRecord.h"
#include "analysis/Descent.h"
#include "analysis/Lineage.h"
#include "charts/ImageFile.h"
#include "explorer/CiaoPane.h"
#include "explorer/DuelBoardPane.h"
#include "explorer/FitnessPane.h"
#include "explorer/LineageStripPane.h"
#include "explorer/PopulationsPane.h"
#include "explorer/SweepPane.h"
#include "output/AtomicFile.h"
#include "output/PartialFile.h"
#include "records/PackedPattern.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace
{

constexpr int recentCount = 5;
// A chart exported for a paper: larger than a pane, as a figure is.
const QSize defaultChartSize(1600, 1000);
constexpr int smallestPicture = 100;
constexpr int largestPicture = 8000;

// The size the user wants a picture at, starting at `initial`; none when
// the dialog is cancelled.
std::optional<QSize> askPictureSize(QWidget* parent, const QSize& initial)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Picture size"));
    auto* form = new QFormLayout(&dialog);
    auto* width = new QSpinBox(&dialog);
    auto* height = new QSpinBox(&dialog);
    for (QSpinBox* box : {width, height}) {
        box->setRange(smallestPicture, largestPicture);
        box->setSuffix(QObject::tr(" px"));
    }
    width->setValue(initial.width());
    height->setValue(initial.height());
    form->addRow(QObject::tr("Width"), width);
    form->addRow(QObject::tr("Height"), height);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return QSize(width->value(), height->value());
}
// A batch writes a generation every few milliseconds at most; a second is
// what the follower promises.
constexpr int followMilliseconds = 500;

// The CSV log, or without one the archive's champion scores: each
// generation's champion as the average, the best so far as the best.
QVector<GenerationRecord> fitnessRecords(const OpenedRun& run)
{
    if (!run.log.isEmpty() || !run.archive)
        return run.log;
    QVector<GenerationRecord> records;
    double best1 = 0.0;
    double best2 = 0.0;
    for (const ArchivedGeneration& generation : run.archive->generations) {
        best1 = std::max(best1, static_cast<double>(generation.championScore1));
        best2 = std::max(best2, static_cast<double>(generation.championScore2));
        records.append({generation.generation, generation.championScore1, generation.championScore2,
                        best1, best2});
    }
    return records;
}

} // namespace

ExplorerWindow::ExplorerWindow(bool layoutRemembered, QWidget* parent)
    : QMainWindow(parent), layoutRemembered(layoutRemembered)
{
    setWindowTitle(tr("Coevolife explorer"));
    setAcceptDrops(true);
    fitnessPane = new FitnessPane(this);
    ciaoPane = new CiaoPane(this);
    populationsPane = new PopulationsPane(this);
    duelPane = new DuelBoardPane(this);
    // The fitness chart over the thumbnails and the board on the left; the
    // CIAO maps on the right, the two of them one above the other when the
    // column is tall, so that each keeps its room at any window size.
    bottomRow = new QSplitter(Qt::Horizontal, this);
    // Thumbnails too many to read at the pane's size scroll.
    auto* populationsScroll = new QScrollArea(this);
    populationsScroll->setWidgetResizable(true);
    populationsScroll->setFrameShape(QFrame::NoFrame);
    populationsScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    populationsScroll->setWidget(populationsPane);
    // The line of descent of the member followed under its population.
    stripPane = new LineageStripPane(this);
    auto* populationsColumn = new QWidget(this);
    auto* populationsLayout = new QVBoxLayout(populationsColumn);
    populationsLayout->setContentsMargins(0, 0, 0, 0);
    populationsLayout->setSpacing(0);
    populationsLayout->addWidget(populationsScroll, 1);
    populationsLayout->addWidget(stripPane);
    bottomRow->addWidget(populationsColumn);
    bottomRow->addWidget(duelPane);
    // Narrower than its controls and labels would have it, so that the
    // window keeps the maps their room at 900 x 600.
    duelPane->setMinimumWidth(240);
    leftColumn = new QSplitter(Qt::Vertical, this);
    leftColumn->addWidget(fitnessPane);
    leftColumn->addWidget(bottomRow);
    rows = new QSplitter(Qt::Horizontal, this);
    rows->addWidget(leftColumn);
    rows->addWidget(ciaoPane);
    sweepPane = new SweepPane(this);
    connect(sweepPane, &SweepPane::runChosen, this,
            [this](const QString& path) { beginOpening(path); });
    pages = new QStackedWidget(this);
    pages->addWidget(rows);
    pages->addWidget(sweepPane);
    setCentralWidget(pages);
    buildMenus();

    // A layout the user made, remembered, replaces the default one.
    resizeToDefaultLayout(QSize(1280, 800));
    if (layoutRemembered) {
        QSettings settings;
        rows->restoreState(settings.value(QStringLiteral("window/columns")).toByteArray());
        leftColumn->restoreState(settings.value(QStringLiteral("window/leftColumn")).toByteArray());
        bottomRow->restoreState(settings.value(QStringLiteral("window/bottomPanes")).toByteArray());
        restoreGeometry(settings.value(QStringLiteral("window/geometry")).toByteArray());
    }

    // A thumbnail changes its side's member and keeps both generations; a
    // generation of the fitness chart is both sides' with their champions;
    // a CIAO cell is its two generations' champions.
    connect(populationsPane, &PopulationsPane::memberChosen, this,
            [this](int population, int member) {
                DuelSelection chosen = current;
                (population == 1 ? chosen.member1 : chosen.member2) = member;
                // The member clicked is the one whose line is followed.
                focus = LineageMember{population == 1 ? current.generation1 : current.generation2,
                                      population, member};
                refreshLineage();
                // A selection unchanged is not shown anew: its frames are.
                const bool unchanged = chosen == current;
                select(chosen);
                if (unchanged)
                    updatePanes();
            });
    // A step of the line is that ancestor, for its side; the line stays.
    connect(stripPane, &LineageStripPane::ancestorChosen, this,
            [this](int population, int generation, int member) {
                DuelSelection chosen = current;
                (population == 1 ? chosen.generation1 : chosen.generation2) = generation;
                (population == 1 ? chosen.member1 : chosen.member2) = member;
                select(chosen);
            });
    connect(fitnessPane, &FitnessPane::generationChosen, this, [this](int generation) {
        select({generation, generation, -1, -1});
    });
    // A click lands on the cell under it, of the generations the map plays:
    // the status bar names them.
    connect(ciaoPane, &CiaoPane::duelChosen, this, [this](int generation1, int generation2) {
        select({generation1, generation2, -1, -1});
        const QString chosen = tr("Population 1's champion of generation %1 against population "
                                  "2's of generation %2")
                                   .arg(generation1)
                                   .arg(generation2);
        statusBar()->showMessage(ciaoPane->playedStride() > 1
                                     ? tr("%1: the nearest generations the map plays (%2)")
                                           .arg(chosen, ciaoPane->playedNote())
                                     : chosen);
    });
    readerThread = new QThread(this);
    reader = new RunReader;
    reader->moveToThread(readerThread);
    connect(readerThread, &QThread::finished, reader, &QObject::deleteLater);
    // Queued: the runs come from the reader's thread.
    connect(reader, &RunReader::pathRead, this, &ExplorerWindow::receive);
    readerThread->start();
    followTimer = new QTimer(this);
    followTimer->setInterval(followMilliseconds);
    connect(followTimer, &QTimer::timeout, this, &ExplorerWindow::followRun);
    followTimer->start();
    statusBar()->showMessage(tr("Open a run folder or an archive (Ctrl+O), or drop one here"));
}

ExplorerWindow::~ExplorerWindow()
{
    // A run being read is read to its end; nothing it sends is seen.
    reader->supersede(++requests);
    disconnect(reader, nullptr, this, nullptr);
    { const std::lock_guard<std::mutex> handOff(RunReader::handOffMutex()); }
    readerThread->quit();
    readerThread->wait();
}

QString ExplorerWindow::exportPane(QWidget* pane, const QString& path, const QSize& size) const
{
    if (const QString problem = imageFormatProblem(tr("cannot save"), path); !problem.isEmpty())
        return problem;
    ChartPicture picture{size, {}};
    if (pane == fitnessPane) {
        picture.paint = [this](QPainter& painter, const QRect& area) {
            fitnessPane->paintChart(painter, area);
        };
    } else if (pane == ciaoPane) {
        picture.paint = [this](QPainter& painter, const QRect& area) {
            ciaoPane->paintMaps(painter, area);
        };
    } else {
        // The other panes drawn as they are, scaled to fit and centred.
        picture.paint = [pane](QPainter& painter, const QRect& area) {
            const QSize shown = pane->size();
            if (shown.isEmpty())
                return;
            const double scale = std::min(double(area.width()) / shown.width(),
                                          double(area.height()) / shown.height());
            painter.translate((area.width() - shown.width() * scale) / 2,
                              (area.height() - shown.height() * scale) / 2);
            painter.scale(scale, scale);
            pane->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        };
    }
    return writePictureFile(path, picture);
}

QString ExplorerWindow::writeWindowPicture(const QString& path)
{
    // Pixels as the screen shows them; vectors as the widgets paint them.
    if (!isVectorPicturePath(path))
        return writeImageFile(path, grab().toImage());
    return writePictureFile(path, {size(), [this](QPainter& painter, const QRect&) {
                                       render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
                                   }});
}

QString ExplorerWindow::exportFolder() const
{
    if (const OpenedRun* run = openedRun()) {
        const QFileInfo info(run->path);
        return info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    }
    return QSettings().value(QStringLiteral("lastFolder")).toString();
}

void ExplorerWindow::resizeToDefaultLayout(const QSize& size)
{
    resize(size);
    // The maps' column wide enough for two maps of 200 pixels a side at
    // 900 x 600; the chart above the thumbnails and the board, a little
    // taller; the board wider than the thumbnails.
    const int width = size.width();
    const int mapsWidth = std::max(380, width * 42 / 100);
    const int leftWidth = std::max(1, width - mapsWidth);
    rows->setSizes({leftWidth, mapsWidth});
    leftColumn->setSizes({size.height() * 52 / 100, size.height() * 48 / 100});
    bottomRow->setSizes({leftWidth * 45 / 100, leftWidth * 55 / 100});
}

void ExplorerWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = file->addAction(tr("&Open Archive..."));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, [this] {
        QSettings settings;
        const QString path = QFileDialog::getOpenFileName(
            this, tr("Open a run archive"), settings.value(QStringLiteral("lastFolder")).toString(),
            tr("Run archives (*.arc *.arc.partial);;All files (*)"));
        if (!path.isEmpty())
            beginOpening(path, true);
    });
    QAction* openFolder = file->addAction(tr("Open &Folder..."));
    openFolder->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    connect(openFolder, &QAction::triggered, this, [this] {
        QSettings settings;
        const QString path = QFileDialog::getExistingDirectory(
            this, tr("Open a run folder"), settings.value(QStringLiteral("lastFolder")).toString());
        if (!path.isEmpty())
            beginOpening(path, true);
    });
    recentMenu = file->addMenu(tr("Open &Recent"));
    refreshRecentMenu();
    file->addSeparator();
    QMenu* exports = file->addMenu(tr("&Export"));
    connect(exports->addAction(tr("The &Duel as RLE and Rule Files...")), &QAction::triggered, this,
            [this] {
                const OpenedRun* run = openedRun();
                if (!run)
                    return;
                const QString folder = QFileDialog::getExistingDirectory(
                    this, tr("Folder for duel.rle and Coevolife.rule"), exportFolder());
                if (folder.isEmpty())
                    return;
                const QString error = duelPane->exportDuel(folder, run->seed.value_or(0));
                statusBar()->showMessage(error.isEmpty() ? tr("Duel written to %1").arg(folder)
                                                         : error);
            });
    const std::pair<QString, QWidget*> panes[] = {{tr("&Fitness Pane"), fitnessPane},
                                                  {tr("&CIAO Pane"), ciaoPane},
                                                  {tr("&Populations Pane"), populationsPane},
                                                  {tr("Duel &Board Pane"), duelPane}};
    for (const auto& [name, pane] : panes)
        connect(exports->addAction(tr("%1 as a Picture...").arg(name)), &QAction::triggered, this,
                [this, pane = pane] {
                    QString path = QFileDialog::getSaveFileName(
                        this, tr("Save the pane as a picture"), exportFolder(),
                        tr("Pictures (*.png *.svg *.pdf *.jpg *.bmp *.ppm);;All files (*)"));
                    if (path.isEmpty())
                        return;
                    // As the command line: the suffix names the format; none is PNG.
                    if (QFileInfo(path).suffix().isEmpty())
                        path += QStringLiteral(".png");
                    const bool chart = pane == fitnessPane || pane == ciaoPane;
                    const std::optional<QSize> size =
                        askPictureSize(this, chart ? defaultChartSize : pane->size());
                    if (!size)
                        return;
                    const QString error = exportPane(pane, path, *size);
                    statusBar()->showMessage(error.isEmpty() ? tr("Saved %1").arg(path) : error);
                });
    connect(exports->addAction(tr("The CIAO &Grid as CSV...")), &QAction::triggered, this, [this] {
        const QString path =
            QFileDialog::getSaveFileName(this, tr("Save the CIAO grid shown"), exportFolder(),
                                         tr("CSV files (*.csv);;All files (*)"));
        if (path.isEmpty())
            return;
        const QByteArray csv = ciaoPane->gridAsCsv();
        const QString error = csv.isEmpty()
                                  ? tr("No CIAO grid to save: none is shown, or it is still played")
                                  : writeFileAtomically(path, csv);
        statusBar()->showMessage(error.isEmpty() ? tr("Saved %1").arg(path) : error);
    });
    file->addSeparator();
    QAction* close = file->addAction(tr("&Close"));
    close->setShortcut(QKeySequence::Close);
    connect(close, &QAction::triggered, this, &ExplorerWindow::closeRun);
    QAction* quit = file->addAction(tr("&Quit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    followAction = view->addAction(tr("&Follow the Newest Generation"));
    followAction->setCheckable(true);
    followAction->setChecked(followNewest);
    followAction->setShortcut(QKeySequence(Qt::Key_End));
    connect(followAction, &QAction::toggled, this, &ExplorerWindow::setFollowingNewest);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    connect(help->addAction(tr("&Keys...")), &QAction::triggered, this, [this] {
        QMessageBox box(QMessageBox::NoIcon, tr("Keys and mouse"), keysHelp(), QMessageBox::Close,
                        this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    });
}

QString ExplorerWindow::keysHelp()
{
    return tr("Window\n"
              "  End: follow the newest generation (its champions), as a run grows\n"
              "  Ctrl+O: open an archive; Ctrl+Shift+O: open a run folder\n"
              "  Ctrl+W: close the run; Ctrl+Q: quit; drop a folder or an archive to open it\n"
              "\n"
              "Fitness chart\n"
              "  Click: that generation's champions, both sides\n"
              "  Left, Right: the generation before or after (with Shift, ten)\n"
              "  Wheel: zoom the generations around the pointer\n"
              "  Hover: the generation's averages and bests\n"
              "\n"
              "CIAO maps\n"
              "  Click a cell: the duel of its two generations' champions\n"
              "  Wheel: zoom the generations, played anew\n"
              "  Hover: the cell's generations and both scores\n"
              "  Esc: cancel the matches in progress\n"
              "\n"
              "Populations\n"
              "  Click a member: it, for its side of the duel, and its line followed: its\n"
              "    ancestors framed in green in earlier generations, its descendants in\n"
              "    later ones; the generations stay\n"
              "  Hover: its index and score, and whether it is the champion\n"
              "\n"
              "Line of descent\n"
              "  Click a step: that ancestor, for its side of the duel; the line stays\n"
              "  Hover: its generation, member, score and how it was bred\n"
              "\n"
              "Duel board\n"
              "  Space: play or pause\n"
              "  S, Right: one step on; Left: one step back\n"
              "  Home: step 0; End: the last step");
}

SweepPane* ExplorerWindow::sweep() const
{
    return pages->currentWidget() == sweepPane ? sweepPane : nullptr;
}

void ExplorerWindow::beginOpening(const QString& path, bool fromMenu)
{
    const int number = ++requests;
    reader->supersede(number);
    openingRequest = number;
    openingFromMenu = fromMenu;
    statusBar()->showMessage(tr("Opening %1\u2026").arg(QFileInfo(path).fileName()));
    const std::lock_guard<std::mutex> handOff(RunReader::handOffMutex());
    QMetaObject::invokeMethod(
        reader,
        [reader = reader, number, path] {
            { const std::lock_guard<std::mutex> takeOver(RunReader::handOffMutex()); }
            reader->read(number, path);
        },
        Qt::QueuedConnection);
}

QString ExplorerWindow::waitForOpened()
{
    if (opening()) {
        QEventLoop wait;
        connect(this, &ExplorerWindow::opened, &wait, &QEventLoop::quit);
        wait.exec();
    }
    return openProblem;
}

QString ExplorerWindow::openPath(const QString& path)
{
    beginOpening(path);
    return waitForOpened();
}

void ExplorerWindow::receive(int request, const std::shared_ptr<PathRead>& read)
{
    { const std::lock_guard<std::mutex> takeOver(RunReader::handOffMutex()); }
    if (request != openingRequest)
        return;
    openingRequest = 0;
    openProblem = read->error;
    if (read->sweep) {
        rememberRecent(read->path);
        live.reset();
        ciaoPane->clear();
        setWindowTitle(tr("%1 \u2014 Coevolife explorer").arg(QFileInfo(read->path).fileName()));
        statusBar()->showMessage(
            read->sweep->warnings.isEmpty()
                ? tr("A condition shows its seeds' summary; double-click a seed (or Enter) "
                     "to open its run")
                : read->sweep->warnings.join(QStringLiteral("; ")));
        sweepPane->setSweep(read->path, std::move(*read->sweep));
        pages->setCurrentWidget(sweepPane);
    } else if (!read->error.isEmpty()) {
        if (openingFromMenu) {
            statusBar()->clearMessage();
            QMessageBox::warning(this, tr("Cannot open the run"), read->error);
        } else {
            statusBar()->showMessage(read->error);
        }
    } else {
        rememberRecent(read->run->run().path);
        showRun(std::move(read->run), std::move(read->champions));
    }
    emit opened(openProblem);
}

void ExplorerWindow::showRun(std::unique_ptr<LiveRun> opened, SelectedChampions champions)
{
    live = std::move(opened);
    pages->setCurrentWidget(rows);
    const OpenedRun& run = live->run();
    setWindowTitle(tr("%1 \u2014 Coevolife explorer").arg(runTitle(run)));
    statusBar()->showMessage(run.warnings.join(QStringLiteral("; ")));
    ciaoPane->clear();
    // The champions taken where the run was read, not here.
    if (run.archive)
        ciaoPane->setChampions(std::move(champions), run.archive->config().match);
    showRecords(true);
    focus.reset();
    refreshLineage();
    current = DuelSelection{-1, -1, -2, -2};
    followNewest = false;
    setFollowingNewest(true);
}

void ExplorerWindow::showRecords(bool archiveOnlyGrew)
{
    const OpenedRun& run = live->run();
    if (run.log.isEmpty())
        fitnessPane->setRecords(fitnessRecords(run), tr("Champion scores (from the archive)"),
                                FitnessSource::archiveChampions);
    else
        fitnessPane->setRecords(fitnessRecords(run), tr("Fitness"));
    if (run.archive)
        ciaoPane->setArchive(*run.archive, archiveOnlyGrew);
    else
        ciaoPane->clear();
}

void ExplorerWindow::closeRun()
{
    // An open still being read is not shown after the close.
    if (opening()) {
        reader->supersede(++requests);
        openingRequest = 0;
        openProblem = tr("closed before it was read");
        emit opened(openProblem);
    }
    live.reset();
    pages->setCurrentWidget(rows);
    current = DuelSelection();
    setWindowTitle(tr("Coevolife explorer"));
    fitnessPane->setRecords({}, QString());
    ciaoPane->clear();
    focus.reset();
    refreshLineage();
    updatePanes();
}

const ArchivedGeneration* ExplorerWindow::archived(int generation) const
{
    const OpenedRun* run = openedRun();
    return run && run->archive ? run->archive->generation(generation) : nullptr;
}

void ExplorerWindow::refreshLineage(bool descendantsOnly)
{
    const OpenedRun* run = openedRun();
    const RunArchive* archive = run && run->archive ? &*run->archive : nullptr;
    const ArchivedGeneration* focused =
        focus && archive ? archive->generation(focus->generation) : nullptr;
    // A run grown keeps its focus's ancestors and line; only descendants
    // are new.
    focusDescendants = MemberFlags();
    if (!descendantsOnly || !focused)
        focusAncestors = MemberFlags();
    if (!run)
        return stripPane->setMessage(tr("No run open"));
    if (!archive)
        return stripPane->setMessage(tr("The run has no archive: no line of descent"));
    if (!lineageRefusalOf(*archive).isEmpty())
        return stripPane->setMessage(
            tr("This archive keeps no births (format %1)").arg(archive->header.formatVersion));
    if (!focused)
        return stripPane->setMessage(tr("Click a member to follow its line of descent"));
    // Decoded from the records, generation by generation: no copy of the run.
    const ArchiveBirths births(*archive);
    const int population = focus->population;
    std::vector<char> marked(focused->population1.size(), 0);
    marked[static_cast<std::size_t>(focus->member)] = 1;
    focusDescendants = descendantsOf(births, focus->generation, population, marked);
    if (descendantsOnly)
        return;
    focusAncestors = ancestorsOf(births, focus->generation, population, std::move(marked));
    std::vector<DescentStep> line =
        firstParentLine(births, focus->generation, population, focus->member);
    std::vector<PackedPattern> patterns;
    patterns.reserve(line.size());
    for (DescentStep& step : line) {
        const ArchivedGeneration& record = *archive->generation(step.generation);
        const auto member = static_cast<std::size_t>(step.member);
        patterns.push_back(population == 1 ? record.population1[member]
                                           : record.population2[member]);
        if (!record.lineage.empty())
            step.score = record.lineage.score(population, step.member);
        step.champion = (population == 1 ? record.champion1 : record.champion2) == step.member;
    }
    stripPane->setLine(population, std::move(line), std::move(patterns), run->config.match.pattern);
}

std::vector<char> ExplorerWindow::lineageFlags(int population, int generation) const
{
    if (!focus || focus->population != population)
        return {};
    const MemberFlags& flags = generation <= focus->generation ? focusAncestors : focusDescendants;
    const int row = generation - flags.first;
    if (row < 0 || row >= static_cast<int>(flags.rows.size()))
        return {};
    return flags.rows[static_cast<std::size_t>(row)];
}

DuelSelection ExplorerWindow::newestDuel() const
{
    const OpenedRun* run = openedRun();
    if (!run)
        return {};
    if (run->archive && !run->archive->generations.empty()) {
        const int last = run->archive->newestGeneration();
        return {last, last, -1, -1};
    }
    const int last = static_cast<int>(run->log.size());
    return {last, last, -1, -1};
}

void ExplorerWindow::select(const DuelSelection& selection)
{
    setFollowingNewest(false);
    selectQuietly(selection);
}

void ExplorerWindow::selectQuietly(const DuelSelection& selection)
{
    if (selection == current)
        return;
    current = selection;
    updatePanes();
}

void ExplorerWindow::setFollowingNewest(bool follow)
{
    followNewest = follow;
    if (followAction && followAction->isChecked() != follow)
        followAction->setChecked(follow);
    if (follow)
        selectQuietly(newestDuel());
}

QString ExplorerWindow::selectChecked(const DuelSelection& selection)
{
    const OpenedRun* run = openedRun();
    if (!run || !run->archive)
        return tr("a duel needs the run's archive (run.arc)");
    for (const auto& [generation, member] : {std::pair{selection.generation1, selection.member1},
                                             std::pair{selection.generation2, selection.member2}}) {
        const ArchivedGeneration* found = archived(generation);
        if (!found)
            return tr("generation %1 is not in the archive (%2 to %3)")
                .arg(generation)
                .arg(run->archive->oldestGeneration())
                .arg(run->archive->newestGeneration());
        if (member >= static_cast<int>(found->population1.size()))
            return tr("member %1: a population has %2 members")
                .arg(member)
                .arg(found->population1.size());
    }
    select(selection);
    return {};
}

QString ExplorerWindow::followLineage(const LineageMember& member)
{
    const OpenedRun* run = openedRun();
    if (!run || !run->archive)
        return tr("a line of descent needs the run's archive (run.arc)");
    if (member.population < 1 || member.population > 2)
        return tr("population %1: there are populations 1 and 2").arg(member.population);
    const ArchivedGeneration* shown = archived(member.generation);
    if (!shown)
        return tr("generation %1 is not in the archive (%2 to %3)")
            .arg(member.generation)
            .arg(run->archive->oldestGeneration())
            .arg(run->archive->newestGeneration());
    if (member.member < 0 || member.member >= static_cast<int>(shown->population1.size()))
        return tr("member %1: a population has %2 members")
            .arg(member.member)
            .arg(shown->population1.size());
    focus = member;
    refreshLineage();
    updatePanes();
    return {};
}

void ExplorerWindow::updatePanes()
{
    const OpenedRun* run = openedRun();
    fitnessPane->setGenerations(current.generation1, current.generation2);
    ciaoPane->setSelection(current.generation1, current.generation2);
    const PatternShape shape = run ? run->config.match.pattern : PatternShape();
    const ArchivedGeneration* first = archived(current.generation1);
    const ArchivedGeneration* second = archived(current.generation2);
    populationsPane->setGenerations(first, second, shape);
    populationsPane->setChosenMembers(current.member1, current.member2);
    populationsPane->setLineageFrames(1, lineageFlags(1, current.generation1));
    populationsPane->setLineageFrames(2, lineageFlags(2, current.generation2));
    // The strip marks the member its population shows, when on the line.
    const int stripPopulation = stripPane->population();
    const ArchivedGeneration* stripShown = stripPopulation == 1 ? first : second;
    if (stripShown) {
        const int member = stripPopulation == 1 ? current.member1 : current.member2;
        stripPane->setSelectedStep(
            stripShown->generation,
            member >= 0 ? member
                        : (stripPopulation == 1 ? stripShown->champion1 : stripShown->champion2));
    } else {
        stripPane->setSelectedStep(0, -1);
    }
    if (!first || !second) {
        const Pattern empty = makePattern(shape.cells());
        duelPane->setDuel(run ? run->config.match : MatchLayout(), empty, empty,
                          !run           ? tr("No run open")
                          : run->archive ? tr("No duel: generation %1 or %2 is not archived")
                                               .arg(current.generation1)
                                               .arg(current.generation2)
                                         : tr("No duel: the run has no archive"));
        return;
    }
    const int member1 = current.member1 < 0 ? first->champion1 : current.member1;
    const int member2 = current.member2 < 0 ? second->champion2 : current.member2;
    const auto memberName = [](int member, int generation) {
        return member < 0 ? tr("champion of generation %1").arg(generation)
                          : tr("member %1 of generation %2").arg(member).arg(generation);
    };
    duelPane->setDuel(run->config.match,
                      unpackPattern(first->population1[static_cast<std::size_t>(member1)], shape),
                      unpackPattern(second->population2[static_cast<std::size_t>(member2)], shape),
                      tr("Population 1's %1 against population 2's %2")
                          .arg(memberName(current.member1, current.generation1),
                               memberName(current.member2, current.generation2)));
}

void ExplorerWindow::followRun()
{
    if (!live)
        return;
    // Only what the files gained is read; a look that fails leaves the run
    // as it was and the next one tries again.
    const LiveRun::Look look = live->look();
    if (!look.error.isEmpty())
        statusBar()->showMessage(look.error);
    if (!look.changed)
        return;
    if (look.error.isEmpty())
        statusBar()->showMessage(live->run().warnings.join(QStringLiteral("; ")));
    showRecords(!look.reread);
    refreshLineage(!look.reread);
    if (followNewest)
        selectQuietly(newestDuel());
    else
        updatePanes();
}

bool ExplorerWindow::runFinished() const
{
    const OpenedRun* run = openedRun();
    if (!run)
        return true;
    for (const QString& path : {run->csvPath, run->archivePath})
        if (path.endsWith(QStringLiteral(".partial")))
            return false;
    return true;
}

void ExplorerWindow::rememberRecent(const QString& path)
{
    QSettings settings;
    QStringList recent = settings.value(QStringLiteral("recent")).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > recentCount)
        recent.removeLast();
    settings.setValue(QStringLiteral("recent"), recent);
    settings.setValue(QStringLiteral("lastFolder"), QFileInfo(absolute).absolutePath());
    refreshRecentMenu();
}

void ExplorerWindow::refreshRecentMenu()
{
    recentMenu->clear();
    const QStringList recent = QSettings().value(QStringLiteral("recent")).toStringList();
    for (const QString& path : recent)
        connect(recentMenu->addAction(path), &QAction::triggered, this,
                [this, path] { beginOpening(path, true); });
    recentMenu->setEnabled(!recent.isEmpty());
}

void ExplorerWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void ExplorerWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        beginOpening(urls.first().toLocalFile(), true);
}

void ExplorerWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (!layoutRemembered)
        return;
    QSettings settings;
    settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("window/columns"), rows->saveState());
    settings.setValue(QStringLiteral("window/leftColumn"), leftColumn->saveState());
    settings.setValue(QStringLiteral("window/bottomPanes"), bottomRow->saveState());
}
