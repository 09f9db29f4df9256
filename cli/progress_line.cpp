#include "progress_line.h"

#include "console_streams.h"
#include "engine/stepper.h"
#include "log_text/name_text.h"
#include "platform/win32.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr double redrawSeconds = 0.2;
constexpr int barWidth = 20;

void formatBytes(std::uint64_t bytes, char* text, std::size_t room) {
    const char* units[] = {"B", "KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1000 && unit < 4) {
        value /= 1000;
        ++unit;
    }
    std::snprintf(text, room, unit == 0 ? "%.0f %s" : "%.1f %s", value, units[unit]);
}

// At the pace so far.
double secondsLeft(double seconds, std::uint64_t done, std::uint64_t whole) {
    return done > 0 ? seconds * static_cast<double>(whole - done) / static_cast<double>(done) : 0;
}

}  // namespace

ProgressLine startProgressLine(bool always) {
    ProgressLine line{always, 80, 0, -1};
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode;
    CONSOLE_SCREEN_BUFFER_INFO screen;
    if (GetConsoleMode(error, &mode) != 0) {
        line.shown = true;
        if (GetConsoleScreenBufferInfo(error, &screen) != 0)
            line.width = screen.srWindow.Right - screen.srWindow.Left + 1;
    }
    return line;
}

void drawProgressLine(ProgressLine& line, const QdlCore& job, const InProgress& now, double seconds) {
    if (!line.shown || (line.lastDrawn >= 0 && seconds - line.lastDrawn < redrawSeconds)) return;
    line.lastDrawn = seconds;
    const CompareStats& s = job.stats;
    // While the tree is still being planned, its total is known only from a count of it, if any:
    // its bytes, or until they are counted (or for a tree of empty files) its entries.
    const bool estimated = !job.planningEnded() && now.estimatedEntries > 0;
    const bool totalKnown = job.planningEnded() || estimated;
    const std::uint64_t totalBytes =
        estimated && now.bytesEstimated ? std::max(job.totalBytes, now.estimatedBytes) : job.totalBytes;
    const bool byEntries = estimated && (!now.bytesEstimated || totalBytes == 0);
    const std::uint64_t done = std::min(totalBytes, job.comparedBytes + now.bytes);
    const std::uint64_t entriesDone = std::min<std::uint64_t>(static_cast<std::uint64_t>(s.total), now.estimatedEntries);
    const int percent = byEntries ? percentOf(entriesDone, now.estimatedEntries) : percentOf(done, totalBytes);
    char bar[barWidth + 1];
    const int filled = percent * barWidth / 100;
    for (int i = 0; i < barWidth; ++i) bar[i] = i < filled ? '#' : '-';
    bar[barWidth] = '\0';
    char compared[32];
    char total[32];
    formatBytes(done, compared, sizeof compared);
    formatBytes(totalBytes, total, sizeof total);
    if (byEntries) {
        std::snprintf(compared, sizeof compared, "%llu", static_cast<unsigned long long>(entriesDone));
        std::snprintf(total, sizeof total, "%llu entries", static_cast<unsigned long long>(now.estimatedEntries));
    }
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    const double left = byEntries ? secondsLeft(seconds, entriesDone, now.estimatedEntries)
                                  : secondsLeft(seconds, done, totalBytes);
    char name[shownPathRoom];
    showNameInProgress(now.name, name, sizeof name);
    char text[shownPathRoom + 256];
    // Without a total: no share, no time left.
    if (totalKnown)
        std::snprintf(text, sizeof text,
                      "%3d%% [%s] %s of %s  %.1f MB/s  %d:%02d left  OK %d N %d E %d F %d  %s",
                      percent, bar, compared, total, rate / 1e6, static_cast<int>(left) / 60,
                      static_cast<int>(left) % 60, s.noDifference, s.notices, s.errors,
                      s.fatalErrors, name);
    else
        std::snprintf(text, sizeof text,
                      "listing... %s of %s listed so far  %.1f MB/s  OK %d N %d E %d F %d  %s",
                      compared, total, rate / 1e6, s.noDifference, s.notices, s.errors,
                      s.fatalErrors, name);
    // One column short of the width, so that the line never wraps.
    int length = static_cast<int>(std::strlen(text));
    if (length > line.width - 1) length = line.width - 1 > 0 ? line.width - 1 : 0;
    const int blanks = line.drawnLength > length ? line.drawnLength - length : 0;
    printError("\r%.*s%*s", length, text, blanks, "");
    line.drawnLength = length;
}

void clearProgressLine(ProgressLine& line) {
    if (!line.shown || line.drawnLength == 0) return;
    printError("\r%*s\r", line.drawnLength, "");
    line.drawnLength = 0;
}
