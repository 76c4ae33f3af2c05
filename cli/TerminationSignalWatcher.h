#pragma once

#include <QObject>

class QSocketNotifier;

// Blocks SIGINT and SIGTERM in the calling thread. Call it before any other
// thread exists: threads inherit the mask, so neither signal is delivered
// anywhere and both wait for TerminationSignalWatcher.
void blockTerminationSignals();
// For a thread without an event loop: waits up to `milliseconds` for a
// blocked SIGINT or SIGTERM and takes it; its number, or 0 if none came.
int takeTerminationSignal(int milliseconds);

// Turns SIGINT and SIGTERM into a Qt signal on the event loop's thread. The
// signals are read from a signalfd, so no code of ours runs in signal context.
class TerminationSignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignalWatcher(QObject* parent = nullptr);
    ~TerminationSignalWatcher() override;

signals:
    void signalReceived(int signalNumber);

private:
    void readPendingSignals();

    int signalFd = -1;
    QSocketNotifier* notifier = nullptr;
};
