#pragma once

#include "charts/ChartStyle.h"
#include "records/GenerationRecord.h"

#include <QImage>
#include <QMetaType>
#include <QObject>
#include <QVector>

#include <atomic>
#include <mutex>

// The fitness chart's lines as a layer of their own, transparent around
// them, for the pane to lay over the rest of its chart.
struct FitnessLines {
    int request = 0;
    QImage image;
};

// Paints the fitness chart's lines on a thread of its own: the rest of the
// chart is cheap to paint, but a long run's lines are not, and the window
// answers meanwhile. Requests come from the pane in order, each numbered;
// one overtaken before it starts is skipped, and each one painted is handed
// back by painted, queued to the pane's thread.
class FitnessLinesPainter : public QObject
{
    Q_OBJECT

public:
    // Held by the thread that posts a request or a layer while Qt queues
    // it, and taken by the thread that receives it before it reads it: Qt's
    // event queues lock with what ThreadSanitizer cannot see. One for every
    // painter, as a lock without state.
    static std::mutex& handOffMutex()
    {
        static std::mutex mutex;
        return mutex;
    }

    // Deleted on its own thread once the pane has let go of it.
    ~FitnessLinesPainter() override { const std::lock_guard<std::mutex> takeOver(handOffMutex()); }

    // Called on the pane's thread when it numbers a new request, before
    // posting it.
    void supersede(int request) { newest.store(request); }
    // Run on the painter's thread, as posted by the pane: the lines of
    // `records` on the panels of `layout`, in an image of `size` device
    // pixels at `pixelRatio` of them a pixel.
    void paint(int request, const QSize& size, qreal pixelRatio, const ChartLayout& layout,
               const QVector<GenerationRecord>& records);

signals:
    void painted(const FitnessLines& lines);

private:
    std::atomic<int> newest{0};
};

Q_DECLARE_METATYPE(FitnessLines)
