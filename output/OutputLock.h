#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// An exclusive lock on one output of a run, held while the run writes it, so
// that a second run pointed at the same file refuses instead of interleaving
// its writes. The lock is an flock on "<path>.lock", which holds the owner's
// process id: it goes with its process however that ends, SIGKILL included,
// and a lock file left behind by a killed run is simply taken over.
class OutputLock
{
public:
    // The lock on `path`, or null with one line in `error` naming `path` and
    // the process that holds it (or why no lock could be made); `inUse`,
    // when given, tells the two apart.
    static std::unique_ptr<OutputLock> acquire(const QString& path, QString& error,
                                               bool* inUse = nullptr);
    // Removes the lock file, then lets go.
    ~OutputLock();
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

    static QString lockPathOf(const QString& path);

private:
    OutputLock(QByteArray lockPath, int descriptor)
        : lockPath(std::move(lockPath)), descriptor(descriptor)
    {
    }

    const QByteArray lockPath;
    const int descriptor;
};
