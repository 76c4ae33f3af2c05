#include "cli/TerminationSignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace
{

sigset_t terminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

void blockTerminationSignals()
{
    const sigset_t set = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int takeTerminationSignal(int milliseconds)
{
    const sigset_t set = terminationSignals();
    const timespec timeout{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    const int signalNumber = sigtimedwait(&set, nullptr, &timeout);
    return signalNumber > 0 ? signalNumber : 0;
}

TerminationSignalWatcher::TerminationSignalWatcher(QObject* parent) : QObject(parent)
{
    const sigset_t set = terminationSignals();
    signalFd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signalFd < 0) {
        // Without a way to read them, the signals keep their default action.
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
        return;
    }
    notifier = new QSocketNotifier(signalFd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this,
            &TerminationSignalWatcher::readPendingSignals);
}

TerminationSignalWatcher::~TerminationSignalWatcher()
{
    delete notifier;
    if (signalFd >= 0)
        ::close(signalFd);
}

void TerminationSignalWatcher::readPendingSignals()
{
    signalfd_siginfo info{};
    while (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        emit signalReceived(static_cast<int>(info.ssi_signo));
}
