#pragma once

#include "analysis/LiveRun.h"
#include "analysis/Phylogeny.h"
#include "explorer/DuelSelection.h"
#include "explorer/RunReader.h"

#include <QMainWindow>

#include <memory>
#include <optional>
#include <vector>

class CiaoPane;
class DuelBoardPane;
class FitnessPane;
class LineageStripPane;
class PopulationsPane;
class QAction;
class QMenu;
class QSplitter;
class QStackedWidget;
class SweepPane;
class QThread;
class QTimer;

// The explorer's window: one run at a time, opened from a folder or an
// archive, its panes linked by one selection (a duel between a member of
// each population, each of its own generation), followed while a batch
// still writes it. A choice in any pane sets the selection, which then stays
// where the user put it as the run grows; following the newest generation
// (End) keeps it on the newest generation's champions, as tail -f does.
class ExplorerWindow : public QMainWindow
{
    Q_OBJECT

public:
    // A window that remembers its layout restores the last one and saves
    // its own when closed; a scripted one keeps the same layout every time.
    explicit ExplorerWindow(bool layoutRemembered = true, QWidget* parent = nullptr);
    ~ExplorerWindow() override;

    // Opens the run at `path`, or the sweep or condition whose folder it is:
    // read on the reader's thread while the window answers, and shown once
    // read, unless another open or a close came after it. A problem goes to
    // a dialog when `fromMenu`, to the status bar otherwise; the run open
    // before stays. Either way opened() says so.
    void beginOpening(const QString& path, bool fromMenu = false);
    // Whether an open is being read.
    bool opening() const { return openingRequest != 0; }
    // Runs the event loop until no open is being read; the problem of the
    // last one, or empty.
    QString waitForOpened();
    // Both: for scripts and tests.
    QString openPath(const QString& path);
    void closeRun();

    bool hasRun() const { return live != nullptr; }
    const OpenedRun* openedRun() const { return live ? &live->run() : nullptr; }
    const DuelSelection& selection() const { return current; }
    // A duel chosen as a pane's click chooses it: the newest generation is
    // no longer followed.
    void select(const DuelSelection& selection);
    // Whether the selection follows the newest generation as the run grows.
    bool followingNewest() const { return followNewest; }
    // Selects the newest generation's champions and keeps them selected as
    // the run grows, or stops doing so.
    void setFollowingNewest(bool follow);
    // Selects a duel asked for by generations and members, after checking
    // that the run holds them; the problem, or empty.
    QString selectChecked(const DuelSelection& selection);
    // Follows the line of a member: its ancestors and descendants framed
    // in the generations before and after, its line in the strip, as a
    // click on its thumbnail does, without choosing it. The problem, or empty.
    QString followLineage(const LineageMember& member);
    // Reads what the open run's files gained (a batch still writing it).
    void followRun();
    // Whether the open run's files have their final names: the batch that
    // wrote them has finished.
    bool runFinished() const;

    // The window at `size`, its panes shared as they are by default.
    void resizeToDefaultLayout(const QSize& size);
    // Writes the pane `pane` (the fitness chart, the maps, the thumbnails or
    // the board) repainted at `size`, in the format the suffix of `path`
    // names; the problem, or empty.
    QString exportPane(QWidget* pane, const QString& path, const QSize& size) const;
    // The window as shown, at its own size, in the format the suffix of
    // `path` names: SVG and PDF keep the charts' text as text.
    QString writeWindowPicture(const QString& path);
    // Where the export dialogs open: the open run's folder, or the last one.
    QString exportFolder() const;

    // What Help > Keys lists: every key and mouse action of every pane.
    static QString keysHelp();

    DuelBoardPane* duelBoard() const { return duelPane; }
    PopulationsPane* populations() const { return populationsPane; }
    FitnessPane* fitness() const { return fitnessPane; }
    CiaoPane* ciao() const { return ciaoPane; }
    LineageStripPane* lineageStrip() const { return stripPane; }
    // The member whose line the thumbnails frame and the strip shows: the
    // last one clicked among the thumbnails; none before the first click.
    const std::optional<LineageMember>& lineageFocus() const { return focus; }
    // The sweep shown, a sweep's or a condition's folder opened; null while
    // a run is shown.
    SweepPane* sweep() const;

signals:
    // The newest open ended: shown when `problem` is empty; a close while it
    // was read gives it up.
    void opened(const QString& problem);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void rememberRecent(const QString& path);
    void refreshRecentMenu();
    // Shows what the open numbered `request` read, if it is still the newest.
    void receive(int request, const std::shared_ptr<PathRead>& read);
    void showRun(std::unique_ptr<LiveRun> opened, SelectedChampions champions);
    // The run's fitness chart and CIAO map, anew or grown: an archive that
    // `archiveOnlyGrew` adds only its new generations' champions.
    void showRecords(bool archiveOnlyGrew);
    void selectQuietly(const DuelSelection& selection);
    // The newest archived generation's champions, or the log's last
    // generation without an archive.
    DuelSelection newestDuel() const;
    void updatePanes();
    // The archived generation `generation`, or null.
    const ArchivedGeneration* archived(int generation) const;
    // The focus's ancestors and descendants anew, and its line too unless
    // `descendantsOnly` (the run only grew).
    void refreshLineage(bool descendantsOnly = false);
    // The members of population 1 or 2 of `generation` on the focus's line:
    // its ancestors before it, its descendants after; none of the other
    // population.
    std::vector<char> lineageFlags(int population, int generation) const;

    const bool layoutRemembered;
    std::unique_ptr<LiveRun> live;
    DuelSelection current;
    bool followNewest = true;
    QAction* followAction = nullptr;
    QStackedWidget* pages = nullptr;
    SweepPane* sweepPane = nullptr;
    // The left column and the maps; in the left column the fitness chart
    // above the bottom row, the thumbnails and the board.
    QSplitter* rows = nullptr;
    QSplitter* leftColumn = nullptr;
    QSplitter* bottomRow = nullptr;
    FitnessPane* fitnessPane = nullptr;
    CiaoPane* ciaoPane = nullptr;
    PopulationsPane* populationsPane = nullptr;
    DuelBoardPane* duelPane = nullptr;
    LineageStripPane* stripPane = nullptr;
    std::optional<LineageMember> focus;
    MemberFlags focusAncestors;
    MemberFlags focusDescendants;
    QMenu* recentMenu = nullptr;
    QTimer* followTimer = nullptr;
    RunReader* reader = nullptr;
    QThread* readerThread = nullptr;
    // Opens are numbered; the one being read, or 0, and where it was asked
    // for.
    int requests = 0;
    int openingRequest = 0;
    bool openingFromMenu = false;
    QString openProblem;
};
