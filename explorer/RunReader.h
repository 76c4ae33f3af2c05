#pragma once

#include "analysis/GenerationRange.h"
#include "analysis/LiveRun.h"
#include "analysis/RunFolders.h"

#include <QMetaType>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

// What a path the window opens holds, as read: a run, or the sweep or
// condition whose folder it is, or the one line saying why neither reads.
struct PathRead {
    QString path;
    std::unique_ptr<LiveRun> run;
    // The champions of every generation of the run's archive, for its CIAO
    // map.
    SelectedChampions champions;
    std::optional<SweepRead> sweep;
    QString error;
};
PathRead readPath(const QString& path);

// Reads the runs the window opens on a thread of its own, so that no run,
// however long, holds up the window. Requests come from the window in
// order, each numbered; one overtaken before it starts is skipped, and each
// one read hands its result back by pathRead, queued to the window's
// thread, which shows only the newest.
class RunReader : public QObject
{
    Q_OBJECT

public:
    // Held by the thread that posts a request or a result while Qt queues
    // it, and taken by the thread that receives it before it reads it: Qt's
    // event queues lock with what ThreadSanitizer cannot see. One for every
    // reader, as a lock without state.
    static std::mutex& handOffMutex()
    {
        static std::mutex mutex;
        return mutex;
    }

    // Deleted on its own thread once the window has let go of it.
    ~RunReader() override { const std::lock_guard<std::mutex> takeOver(handOffMutex()); }

    // Called on the window's thread when it numbers a new request, before
    // posting it.
    void supersede(int request) { newest.store(request); }
    // Run on the reader's thread, as posted by the window.
    void read(int request, const QString& path);

signals:
    void pathRead(int request, const std::shared_ptr<PathRead>& read);

private:
    std::atomic<int> newest{0};
};

Q_DECLARE_METATYPE(std::shared_ptr<PathRead>)
