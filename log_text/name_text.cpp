#include "name_text.h"

#include "platform/win32.h"

namespace {

constexpr UINT utf8CodePage = 65001;

bool namesAreUtf8() {
    static const bool utf8 = GetACP() == utf8CodePage;
    return utf8;
}

bool needsEscape(unsigned char c, bool backslashToo) {
    return (c >= 0x01 && c <= 0x1F) || c == 0x7F || c == '<' || (backslashToo && c == '\\');
}

bool encodedC1(const unsigned char* text, int sequence) {
    return sequence == 2 && text[0] == 0xC2 && text[1] <= 0x9F;
}

// How many bytes at text are copied as they are (a valid sequence whole), or 0 when the byte there
// is shown escaped: a control, "<", a backslash in a name and, where names are UTF-8, a C1 control
// or a stray byte that a terminal could take for one.
int keptAsIs(const unsigned char* text, bool utf8, bool backslashToo) {
    if (needsEscape(text[0], backslashToo)) return 0;
    if (!utf8 || text[0] < 0x80) return 1;
    const int sequence = utf8SequenceLength(text);
    if (sequence == 0) return text[0] <= 0x9F ? 0 : 1;
    return encodedC1(text, sequence) ? 0 : sequence;
}

int show(const char* name, char* out, int room, bool backslashToo) {
    static constexpr char hex[] = "0123456789ABCDEF";
    const bool utf8 = namesAreUtf8();
    const auto* text = reinterpret_cast<const unsigned char*>(name);
    int length = 0;
    while (*text != '\0') {
        const int kept = keptAsIs(text, utf8, backslashToo);
        if (kept > 0) {
            if (length + kept >= room) break;
            for (int i = 0; i < kept; ++i) out[length++] = static_cast<char>(*text++);
            continue;
        }
        // An encoded C1 control shows both its bytes.
        const int escaped = utf8 && encodedC1(text, utf8SequenceLength(text)) ? 2 : 1;
        if (length + escaped * escapeLength >= room) break;
        for (int i = 0; i < escaped; ++i, ++text) {
            out[length++] = '<';
            out[length++] = hex[*text >> 4];
            out[length++] = hex[*text & 0xF];
            out[length++] = '>';
        }
    }
    if (room > 0) out[length] = '\0';
    return length;
}

}  // namespace

int utf8SequenceLength(const unsigned char* text) {
    const unsigned char lead = text[0];
    if (lead < 0x80) return 1;
    int length;
    unsigned lowest;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, lowest = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, lowest = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, lowest = 0x10000;
    else return 0;
    unsigned code = lead & (0x3F >> (length - 1));
    for (int i = 1; i < length; ++i) {
        if ((text[i] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (text[i] & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < lowest || code > 0x10FFFF || surrogate ? 0 : length;
}

int showName(const char* name, char* out, int room) {
    return show(name, out, room, true);
}

int showPath(const char* path, char* out, int room) {
    return show(path, out, room, false);
}

const char* showNameInProgress(const char* name, char* out, int room) {
    showName(name == nullptr ? "" : name[0] == '\0' ? ".." : name, out, room);
    return out;
}
