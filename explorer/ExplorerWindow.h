#pragma once

#include "analysis/RunFolders.h"
#include "explorer/DuelSelection.h"

#include <QMainWindow>

#include <memory>

class CiaoPane;
class DuelBoardPane;
class FitnessPane;
class PopulationsPane;
class QMenu;
class QSplitter;
class QTimer;

// The explorer's window: one run at a time, opened from a folder or an
// archive, its panes linked by one selection (a generation and a duel),
// followed while a batch still writes it.
class ExplorerWindow : public QMainWindow
{
    Q_OBJECT

public:
    // A window that remembers its layout restores the last one and saves
    // its own when closed; a scripted one keeps the same layout every time.
    explicit ExplorerWindow(bool layoutRemembered = true, QWidget* parent = nullptr);
    ~ExplorerWindow() override;

    // Opens the run at `path`. A problem goes to a dialog when `fromMenu`,
    // to the status bar otherwise, and comes back; the run open before stays.
    QString openPath(const QString& path, bool fromMenu = false);
    void closeRun();

    bool hasRun() const { return run != nullptr; }
    const OpenedRun* openedRun() const { return run.get(); }
    const DuelSelection& selection() const { return current; }
    void select(const DuelSelection& selection);
    // Selects a duel asked for by generations and members, after checking
    // that the run holds them; the problem, or empty.
    QString selectChecked(const DuelSelection& selection);
    // Rereads the open run when its files grew (a batch still writing it).
    void followRun();

    DuelBoardPane* duelBoard() const { return duelPane; }
    PopulationsPane* populations() const { return populationsPane; }
    FitnessPane* fitness() const { return fitnessPane; }
    CiaoPane* ciao() const { return ciaoPane; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void rememberRecent(const QString& path);
    void refreshRecentMenu();
    void showRun(std::unique_ptr<OpenedRun> opened, bool keepSelection);
    void updatePanes();
    // The archived generation `generation`, or null.
    const ArchivedGeneration* archived(int generation) const;
    qint64 filesStamp() const;

    const bool layoutRemembered;
    std::unique_ptr<OpenedRun> run;
    DuelSelection current;
    qint64 stamp = 0;
    QSplitter* rows = nullptr;
    QSplitter* topRow = nullptr;
    QSplitter* bottomRow = nullptr;
    FitnessPane* fitnessPane = nullptr;
    CiaoPane* ciaoPane = nullptr;
    PopulationsPane* populationsPane = nullptr;
    DuelBoardPane* duelPane = nullptr;
    QMenu* recentMenu = nullptr;
    QTimer* followTimer = nullptr;
};
