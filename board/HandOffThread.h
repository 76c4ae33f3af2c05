#pragma once

#include <QDeadlineTimer>
#include <QThread>

// A QThread whose start() and wait() mark the hand-over of the object to its
// thread and back in a way ThreadSanitizer sees; run() marks its own side
// (markTakenOver and markHandedOver on `this`). They hide QThread's own, so
// every owner's start and wait mark.
class HandOffThread : public QThread
{
public:
    using QThread::QThread;

    void start(Priority priority = InheritPriority);
    bool wait(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    bool wait(unsigned long milliseconds)
    {
        return wait(QDeadlineTimer(static_cast<qint64>(milliseconds)));
    }
};
