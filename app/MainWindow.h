#pragma once

#include <QMainWindow>

class LifegameThread;
class PanelWidget;
class QTextEdit;
class StepThread;

// The single window: the board view above the log pane, driven by four keys.
// A toggles the step timer, S steps once, R places a random member of each
// population, G starts the evolution or asks it to stop.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    bool stepTimerActive() const { return timerId != 0; }

protected:
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void toggleStepTimer();
    void singleStep();
    void stopStepTimer();
    void placeRandomMembers();
    void startOrStopEvolution();
    // Runs the display board's one step on its thread and waits for it.
    void stepDisplayBoard();

    PanelWidget* view = nullptr;
    QTextEdit* logPane = nullptr;
    LifegameThread* worker = nullptr;
    StepThread* displayBoard = nullptr;
    int timerId = 0;
};
