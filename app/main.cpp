#include "app/MainWindow.h"
#include "app/WindowOptions.h"
#include "charts/ImageFile.h"
#include "cli/CommandLineApplication.h"
#include "cli/ExitCodes.h"
#include "output/OutputPathsCheck.h"

#include <QApplication>
#include <QTemporaryDir>

#include <memory>

namespace
{

// The window as it opens, written to `path`; an exit code.
int writeScreenshot(MainWindow& window, const QString& path)
{
    window.show();
    QApplication::processEvents();
    if (const QString error = writeImageFile(path, window.grab().toImage()); !error.isEmpty()) {
        reportError(error);
        return ExitCode::unwritableOutput;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    ignoreFileSizeSignal();
    std::unique_ptr<QTemporaryDir> runtimeFolder;
    if (needsNoScreen(argc, argv))
        runtimeFolder = useOffscreenPlatform();
    QApplication app(argc, argv);
    const WindowOptionsParse parsed = parseWindowOptions(QCoreApplication::arguments());
    if (const auto exitCode = exitCodeBeforeRun(parsed))
        return *exitCode;
    const QString& screenshotPath = parsed.options.screenshotPath;
    if (!screenshotPath.isEmpty()) {
        const PlannedOutput output{
            QStringLiteral("--screenshot"), screenshotPath, PlannedOutput::Kind::File, {}};
        QString problem = checkOutputPaths({output});
        if (problem.isEmpty())
            problem = imageFormatProblem(output.option, output.path);
        if (!problem.isEmpty()) {
            reportError(problem);
            return ExitCode::badInput;
        }
    }
    int result = 0;
    {
        MainWindow window;
        if (!screenshotPath.isEmpty())
            return writeScreenshot(window, screenshotPath);
        window.show();
        result = app.exec();
    }
    return result;
}
