// Mashes the window's keys while the evolution runs in the background, then
// closes the window in the middle of a run. COEVOLIFE_SOAK_KEYS sets the
// number of presses (default 2000; the full soak is 10000).
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "evolution/LifegameThread.h"
#include "evolution/ProgressLine.h"
#include "random/RandomSources.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTextEdit>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <random>

namespace
{

int soakKeyCount()
{
    bool ok = false;
    const int keys = qEnvironmentVariableIntValue("COEVOLIFE_SOAK_KEYS", &ok);
    return ok && keys > 0 ? keys : 2000;
}

} // namespace

class WindowSoakTest : public QObject
{
    Q_OBJECT

private slots:
    void keysDuringEvolutionThenCloseMidRun();
};

void WindowSoakTest::keysDuringEvolutionThenCloseMidRun()
{
    reseedRandomSources(20261207);
    MessageCatcher unexpected(MessageCatcher::isFaultWarning);

    auto* window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto* worker = window->findChild<LifegameThread*>();
    auto* logPane = window->findChild<QTextEdit*>();
    QVERIFY(worker && logPane);

    // Counted on the worker's thread as each run says "stopped".
    std::atomic<int> runsEnded{0};
    connect(
        worker, &LifegameThread::sendMessage, worker,
        [&runsEnded](const QString& line) { runsEnded += line == stoppedLine; },
        Qt::DirectConnection);

    const int keys[] = {Qt::Key_A,     Qt::Key_S, Qt::Key_R, Qt::Key_G, Qt::Key_Escape,
                        Qt::Key_Space, Qt::Key_0, Qt::Key_1, Qt::Key_7, Qt::Key_9};
    std::mt19937 keyChoice(7);
    std::uniform_int_distribution<int> pick(0, int(std::size(keys)) - 1);

    QElapsedTimer clock;
    clock.start();
    const int presses = soakKeyCount();
    // How long one key held the GUI thread at most: "R" waits for a pick.
    qint64 longestPressNs = 0;
    for (int i = 0; i < presses; ++i) {
        QElapsedTimer press;
        press.start();
        QTest::keyClick(window, Qt::Key(keys[pick(keyChoice)]));
        longestPressNs = std::max(longestPressNs, press.nsecsElapsed());
        QCoreApplication::processEvents();
    }

    auto paneLines = [logPane] {
        return logPane->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    // Let the run in progress end and every queued line reach the pane, so the
    // "stopped" lines can be counted against the runs that ended.
    if (worker->isRunning())
        QTest::keyClick(window, Qt::Key_G);
    QTRY_VERIFY_WITH_TIMEOUT(
        !worker->isRunning() && paneLines().count(QStringLiteral("stopped")) == runsEnded, 60000);

    // Then close in the middle of a new run.
    QTest::keyClick(window, Qt::Key_G);
    const int linesBefore = int(paneLines().size());
    QTRY_VERIFY_WITH_TIMEOUT(paneLines().size() > linesBefore, 60000);
    QVERIFY(worker->isRunning());

    const QStringList lines = paneLines();
    const int runsEndedBeforeClose = runsEnded.load();
    window->close();
    delete window;

    const QRegularExpression& progress = progressLinePattern();
    int stopped = 0;
    int lastGeneration = 0;
    for (const QString& line : lines) {
        if (line == QLatin1String("stopped")) {
            ++stopped;
            continue;
        }
        const QRegularExpressionMatch match = progress.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        const int generation = match.captured(1).toInt();
        QCOMPARE(generation, lastGeneration + 1);
        lastGeneration = generation;
    }
    // The last run was still going when the window closed.
    QCOMPARE(stopped, runsEndedBeforeClose);
    QVERIFY(lastGeneration >= 1);

    const QStringList unexpectedMessages = unexpected.take();
    QVERIFY2(unexpectedMessages.isEmpty(), qPrintable(unexpectedMessages.join(QLatin1Char('\n'))));
    qInfo("soak: %d keys, %d runs ended, %d generations played, %lld ms, longest key %.1f ms",
          presses, runsEndedBeforeClose, lastGeneration, static_cast<long long>(clock.elapsed()),
          static_cast<double>(longestPressNs) / 1e6);
}

QTEST_MAIN(WindowSoakTest)
#include "WindowSoakTest.moc"
