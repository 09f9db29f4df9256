// Text as a terminal shows it, in character cells: a UTF-8 character by its display width (two
// cells for a wide one, its combining marks with it), anything else (a control character, an
// invalid byte, any byte past ASCII where the terminal is not UTF-8) shown escaped as "<XX>", the
// way the log shows names. A glyph is also the step of the caret in an edit.
#pragma once

#include <string>
#include <vector>

struct Glyph {
    int start;     // its first byte in the text
    int length;    // its bytes
    int width;     // the cells it takes: 1 or 2, or 4 for an escaped byte
    bool escaped;  // the one byte shown as "<XX>"
};

// Whether the terminal takes UTF-8, by the locale the program runs in.
bool terminalTakesUtf8();

// The glyphs of the first length bytes of text.
std::vector<Glyph> glyphsOf(const char* text, int length);
// The cells the first length bytes of text take.
int cellsOf(const char* text, int length);

// The byte at which the glyph before (or after) the one at position starts; 0 (or the length) at
// the ends of the text.
int glyphBefore(const char* text, int position);
int glyphAfter(const char* text, int position);

// The escape shown for a byte: "<XX>".
std::string escapedByte(unsigned char byte);
