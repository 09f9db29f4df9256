#include "name_text.h"

namespace {

bool needsEscape(unsigned char c, bool backslashToo) {
    return (c >= 0x01 && c <= 0x1F) || c == 0x7F || c == '<' || (backslashToo && c == '\\');
}

int show(const char* text, char* out, int room, bool backslashToo) {
    static constexpr char hex[] = "0123456789ABCDEF";
    int length = 0;
    for (; *text != '\0'; ++text) {
        const auto c = static_cast<unsigned char>(*text);
        if (!needsEscape(c, backslashToo)) {
            if (length + 1 >= room) break;
            out[length++] = static_cast<char>(c);
            continue;
        }
        if (length + escapeLength >= room) break;
        out[length++] = '<';
        out[length++] = hex[c >> 4];
        out[length++] = hex[c & 0xF];
        out[length++] = '>';
    }
    if (room > 0) out[length] = '\0';
    return length;
}

}  // namespace

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
