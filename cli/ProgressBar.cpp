#include "cli/ProgressBar.h"

#include <unistd.h>

#include <algorithm>

ProgressBar::ProgressBar(std::FILE* stream, long long total, const char* unit)
    : stream(stream), total(std::max(total, 1LL)), unit(unit), enabled(isatty(fileno(stream)) == 1)
{
    clock.start();
}

void ProgressBar::show(long long done)
{
    if (!enabled)
        return;
    constexpr int width = 30;
    const double fraction = std::min(1.0, static_cast<double>(done) / total);
    const int filled = static_cast<int>(fraction * width);
    char bar[width + 1];
    std::fill(bar, bar + filled, '#');
    std::fill(bar + filled, bar + width, '.');
    bar[width] = '\0';
    const double seconds = clock.elapsed() / 1000.0;
    const double rate = seconds > 0.0 ? done / seconds : 0.0;
    if (rate > 0.0)
        std::fprintf(stream, "\r[%s] %3d%%  %.0f %s/s  %.0f s left \033[K", bar,
                     static_cast<int>(fraction * 100), rate, unit, (total - done) / rate);
    else
        std::fprintf(stream, "\r[%s] %3d%% \033[K", bar, static_cast<int>(fraction * 100));
    std::fflush(stream);
}

void ProgressBar::clear()
{
    if (!enabled)
        return;
    std::fputs("\r\033[K", stream);
    std::fflush(stream);
}
