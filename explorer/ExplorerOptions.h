#pragma once

#include "cli/OptionHelpers.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The explorer's command line: an optional run to open and, for
// documentation and checks, a duel to show and an image to write.
struct ExplorerOptions {
    QString path;
    // --duel G1 G2: population 1's member of generation G1 against population
    // 2's of G2; champions unless --members I J.
    std::optional<std::pair<int, int>> duel;
    std::optional<std::pair<int, int>> members;
    int step = 0;
    // --lineage G P I: follow the line of population P's member I of
    // generation G.
    std::optional<std::array<int, 3>> lineage;
    // --screenshot FILE: the window as shown; --board-image FILE: the duel
    // board alone. Either writes the picture in the format the suffix names
    // (SVG and PDF too for the window) and exits.
    QString screenshotPath;
    QString boardImagePath;
    // --follow: before writing the image, follow a run still being written
    // until its files are final; --timeout S: or until S seconds have passed.
    bool follow = false;
    std::optional<int> timeoutSeconds;
    // --size WxH: the window's size for --screenshot.
    QSize size{1280, 800};

    bool scripted() const { return !screenshotPath.isEmpty() || !boardImagePath.isEmpty(); }
};

// The bounds of --size, each side.
constexpr int smallestWindowSide = 320;
constexpr int largestWindowSide = 8192;

using ExplorerOptionsParse = OptionsParse<ExplorerOptions>;
ExplorerOptionsParse parseExplorerOptions(const QStringList& arguments);
