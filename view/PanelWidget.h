#pragma once

#include <QWidget>

class StepThread;

// Shows the display board at 8 pixels per cell with the step counter over its
// bottom right corner. It paints only; the main window changes the board and
// the counter and then repaints.
class PanelWidget : public QWidget
{
    Q_OBJECT

public:
    PanelWidget(QWidget* parent, StepThread* board);

    StepThread* const board; // not owned
    int stepCount = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
};
