// The one progress line on standard error, redrawn in place a few times a second.
#pragma once

#include "engine/qdl_core.h"

#include <cstdint>

struct ProgressLine {
    bool shown;        // standard error is a terminal, or --progress asked for it
    int width;         // columns the line may take
    int drawnLength;   // characters of the line drawn last, to blank what a shorter one leaves
    double lastDrawn;  // seconds since the start
};

// Shown when standard error is a terminal (its width taken from it), or when always is set.
ProgressLine startProgressLine(bool always);
// What the line shows beside the job's counters: the bytes compared in pairs not yet recorded and
// the name of the pair in progress.
struct InProgress {
    std::uint64_t bytes;
    const char* name;  // none before the first pair
    // What a count of the whole tree found while planning goes on: its entries, 0 while not known,
    // and its bytes, once bytesEstimated.
    std::uint64_t estimatedBytes;
    std::uint64_t estimatedEntries;
    bool bytesEstimated;
};

// Draws the line when enough time has passed since the last one.
void drawProgressLine(ProgressLine& line, const QdlCore& job, const InProgress& now, double seconds);
// Blanks the line so that the summary starts at the left.
void clearProgressLine(ProgressLine& line);
