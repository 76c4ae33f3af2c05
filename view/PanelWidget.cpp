#include "view/PanelWidget.h"

#include "board/StepThread.h"

#include <QPainter>

PanelWidget::PanelWidget(QWidget* parent, StepThread* board) : QWidget(parent), board(board) {}

void PanelWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    board->draw(&painter);
    // Baseline at the widget's bottom edge, 60 pixels from its right edge.
    painter.drawText(QPoint(740, 120), QString::number(stepCount, 10));
}
