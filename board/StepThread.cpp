#include "board/StepThread.h"

#include "board/ThreadHandOff.h"

StepThread::StepThread(QObject* parent) : HandOffThread(parent) {}

void StepThread::run()
{
    markTakenOver(this);
    cells.run();
    markHandedOver(this);
}
