#include "text_cells.h"

#include <clocale>
#include <cstring>
#include <cwchar>
#include <langinfo.h>

namespace {

constexpr int escapedWidth = 4;

// A printable character and how many cells it takes; 0 for a combining mark; -1 when the bytes at
// text are no valid, printable UTF-8 character (length set to the bytes it would take).
int characterAt(const char* text, int available, int* length) {
    std::mbstate_t state{};
    wchar_t character;
    const std::size_t used = std::mbrtowc(&character, text, static_cast<std::size_t>(available), &state);
    if (used == 0 || used > static_cast<std::size_t>(available)) return -1;
    *length = static_cast<int>(used);
    return wcwidth(character);
}

Glyph escapedGlyph(int start) {
    return Glyph{start, 1, escapedWidth, true};
}

}  // namespace

bool terminalTakesUtf8() {
    // The locale can change (the terminal program sets it at its start): asked each time.
    const char* codeset = nl_langinfo(CODESET);
    return std::strcmp(codeset, "UTF-8") == 0;
}

std::vector<Glyph> glyphsOf(const char* text, int length) {
    std::vector<Glyph> glyphs;
    const bool utf8 = terminalTakesUtf8();
    for (int at = 0; at < length;) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte < 0x7F) {
            glyphs.push_back(Glyph{at, 1, 1, false});
            ++at;
            continue;
        }
        int used = 1;
        const int width = utf8 && byte >= 0x80 ? characterAt(text + at, length - at, &used) : -1;
        if (width > 0) {
            glyphs.push_back(Glyph{at, used, width, false});
        } else if (width == 0 && !glyphs.empty() && !glyphs.back().escaped) {
            glyphs.back().length += used;  // a combining mark goes with the character before it
        } else {
            glyphs.push_back(escapedGlyph(at));
            used = 1;
        }
        at += used;
    }
    return glyphs;
}

int cellsOf(const char* text, int length) {
    int cells = 0;
    for (const Glyph& glyph : glyphsOf(text, length)) cells += glyph.width;
    return cells;
}

int glyphBefore(const char* text, int position) {
    int before = 0;
    for (const Glyph& glyph : glyphsOf(text, position)) before = glyph.start;
    return before;
}

int glyphAfter(const char* text, int position) {
    const int length = static_cast<int>(std::strlen(text));
    for (const Glyph& glyph : glyphsOf(text, length))
        if (glyph.start >= position) return glyph.start + glyph.length;
    return length;
}

std::string escapedByte(unsigned char byte) {
    static constexpr char hex[] = "0123456789ABCDEF";
    return std::string{'<', hex[byte >> 4], hex[byte & 0xF], '>'};
}
