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
// Draws the line when enough time has passed since the last one; inFlight counts bytes compared in
// pairs not yet recorded.
void drawProgressLine(ProgressLine& line, const QdlCore& job, std::uint64_t inFlight, double seconds);
// Blanks the line so that the summary starts at the left.
void clearProgressLine(ProgressLine& line);
