#include "view/PanelWidget.h"

#include "board/StepThread.h"
#include "view/BoardPainting.h"

#include <QPainter>

PanelWidget::PanelWidget(QWidget* parent, StepThread* board) : QWidget(parent), board(board) {}

void PanelWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawBoard(&painter, board->board());
    // Baseline at the widget's bottom edge, 60 pixels from its right edge.
    painter.drawText(QPoint(740, 120), QString::number(stepCount, 10));
}
