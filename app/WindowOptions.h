#pragma once

#include "cli/OptionHelpers.h"

#include <QString>
#include <QStringList>

// The window's command line: nothing to play, but --screenshot for the
// documentation and the package's checks.
struct WindowOptions {
    // The window as it opens, written to this file; the program then exits.
    QString screenshotPath;
};

using WindowOptionsParse = OptionsParse<WindowOptions>;
WindowOptionsParse parseWindowOptions(const QStringList& arguments);

// Whether `argv` asks for no window on screen (--screenshot, --help,
// --version), read before the application is made, which it decides the
// platform of.
bool needsNoScreen(int argc, char** argv);
