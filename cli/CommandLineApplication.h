#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class QCoreApplication;
class QTemporaryDir;

// The application object of coevolife-batch and coevolife-analyze. A program
// that draws a chart says so: text needs fonts, and fonts the GUI
// application, made on the offscreen platform so that no display is needed;
// otherwise a core application. Either way a successful run is quiet: the
// worker's debug line is the window's alone, and the runtime folder the GUI
// application asks for is a private one when the environment names none.
class CommandLineApplication
{
public:
    CommandLineApplication(int& argc, char** argv, bool drawsCharts);
    ~CommandLineApplication();
    CommandLineApplication(const CommandLineApplication&) = delete;
    CommandLineApplication& operator=(const CommandLineApplication&) = delete;

    QCoreApplication& application() { return *app; }

private:
    // Made before the application and removed after it.
    std::unique_ptr<QTemporaryDir> runtimeFolder;
    std::unique_ptr<QCoreApplication> app;
};

// One line "program: message" on standard error. Text from outside in the
// message is quoted where it is put in (quotedText); as a last guard, any
// control character that got in unquoted is escaped here.
void reportError(const QString& message);

// For a window program run by a script: the offscreen platform, its notes
// on window hints silenced, and a runtime folder of its own when the
// environment names none (kept for the process's life by the caller).
std::unique_ptr<QTemporaryDir> useOffscreenPlatform();

// SIGXFSZ ignored, so that a write past a file-size limit (ulimit -f) fails
// with EFBIG as one on a full disk fails with ENOSPC, and takes the same
// path: one line, exit code 3, whole records only, locks released. Every
// program that writes calls it before it writes; CommandLineApplication does.
void ignoreFileSizeSignal();
