#pragma once

#include <QString>

#include <memory>

class QCoreApplication;

// The application object of coevolife-batch and coevolife-analyze. A program
// that draws a chart says so: text needs fonts, and fonts the GUI
// application, made on the offscreen platform so that no display is needed;
// otherwise a core application.
class CommandLineApplication
{
public:
    CommandLineApplication(int& argc, char** argv, bool drawsCharts);
    ~CommandLineApplication();
    CommandLineApplication(const CommandLineApplication&) = delete;
    CommandLineApplication& operator=(const CommandLineApplication&) = delete;

    QCoreApplication& application() { return *app; }

private:
    std::unique_ptr<QCoreApplication> app;
};

// One line "program: message" on standard error.
void reportError(const QString& message);
