#include "dialog_template.h"

#include <cstdlib>
#include <cstring>

namespace {

// The application's script, handed over before its first dialog.
const char* dialogScript = "";

struct Symbol {
    const char* name;
    DWORD value;
};

// The style names and identifiers the script may use.
constexpr Symbol symbols[] = {
    {"WS_POPUP", WS_POPUP}, {"WS_CHILD", WS_CHILD}, {"WS_VISIBLE", WS_VISIBLE},
    {"WS_DISABLED", WS_DISABLED}, {"WS_CAPTION", WS_CAPTION}, {"WS_BORDER", WS_BORDER},
    {"WS_VSCROLL", WS_VSCROLL}, {"WS_HSCROLL", WS_HSCROLL}, {"WS_SYSMENU", WS_SYSMENU},
    {"WS_GROUP", WS_GROUP}, {"WS_MINIMIZEBOX", WS_MINIMIZEBOX}, {"WS_TABSTOP", WS_TABSTOP},
    {"WS_EX_DLGMODALFRAME", WS_EX_DLGMODALFRAME}, {"WS_EX_APPWINDOW", WS_EX_APPWINDOW},
    {"DS_SYSMODAL", DS_SYSMODAL}, {"DS_3DLOOK", DS_3DLOOK}, {"DS_SETFONT", DS_SETFONT},
    {"DS_MODALFRAME", DS_MODALFRAME}, {"ES_LEFT", ES_LEFT}, {"ES_RIGHT", ES_RIGHT},
    {"ES_AUTOVSCROLL", ES_AUTOVSCROLL}, {"ES_AUTOHSCROLL", ES_AUTOHSCROLL},
    {"ES_OEMCONVERT", ES_OEMCONVERT}, {"ES_READONLY", ES_READONLY}, {"ES_NUMBER", ES_NUMBER},
    {"SS_LEFT", SS_LEFT}, {"SS_RIGHT", SS_RIGHT}, {"SS_ICON", SS_ICON},
    {"SS_REALSIZEIMAGE", SS_REALSIZEIMAGE}, {"BS_PUSHBUTTON", BS_PUSHBUTTON},
    {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON}, {"BS_AUTORADIOBUTTON", BS_AUTORADIOBUTTON},
    {"BS_CENTER", BS_CENTER}, {"LBS_NOTIFY", LBS_NOTIFY}, {"LBS_NOSEL", LBS_NOSEL},
    {"IDOK", IDOK}, {"IDCANCEL", IDCANCEL},
};

constexpr int tokenRoom = templateTextRoom;

// A cursor over the script: names, numbers, quoted strings and single punctuation marks.
struct Scanner {
    const char* at;
    char token[tokenRoom];
    bool quoted;
};

void skipBlanksAndDirectives(Scanner& scanner) {
    for (;;) {
        while (*scanner.at == ' ' || *scanner.at == '\t' || *scanner.at == '\r' ||
               *scanner.at == '\n')
            ++scanner.at;
        if (*scanner.at != '#') return;
        while (*scanner.at != '\0' && *scanner.at != '\n') ++scanner.at;
    }
}

bool isWordCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '-';
}

// False at the end of the script or on a token that does not fit.
bool nextToken(Scanner& scanner) {
    skipBlanksAndDirectives(scanner);
    scanner.quoted = false;
    int length = 0;
    if (*scanner.at == '\0') return false;
    if (*scanner.at == '"') {
        scanner.quoted = true;
        ++scanner.at;
        for (;;) {
            if (*scanner.at == '\0') return false;
            if (*scanner.at == '"') {
                if (scanner.at[1] != '"') break;
                ++scanner.at;  // "" stands for one quote
            }
            if (length == tokenRoom - 1) return false;
            scanner.token[length++] = *scanner.at++;
        }
        ++scanner.at;
    } else if (isWordCharacter(*scanner.at)) {
        while (isWordCharacter(*scanner.at)) {
            if (length == tokenRoom - 1) return false;
            scanner.token[length++] = *scanner.at++;
        }
    } else {
        scanner.token[length++] = *scanner.at++;
    }
    scanner.token[length] = '\0';
    return true;
}

bool is(const Scanner& scanner, const char* word) {
    return !scanner.quoted && std::strcmp(scanner.token, word) == 0;
}

bool tokenValue(const Scanner& scanner, DWORD& value) {
    if (scanner.quoted) return false;
    char* end;
    const long number = std::strtol(scanner.token, &end, 0);
    if (end != scanner.token && *end == '\0') {
        value = static_cast<DWORD>(number);
        return true;
    }
    for (const Symbol& symbol : symbols) {
        if (std::strcmp(symbol.name, scanner.token) == 0) {
            value = symbol.value;
            return true;
        }
    }
    return false;
}

bool readValue(Scanner& scanner, DWORD& value) {
    return nextToken(scanner) && tokenValue(scanner, value);
}

bool readInt(Scanner& scanner, int& value) {
    DWORD raw;
    if (!readValue(scanner, raw)) return false;
    value = static_cast<int>(raw);
    return true;
}

bool readComma(Scanner& scanner) { return nextToken(scanner) && is(scanner, ","); }

// NAME | NAME | NOT NAME ...; more tells whether a comma followed (and was read).
bool readStyle(Scanner& scanner, DWORD& style, bool& more) {
    style = 0;
    for (;;) {
        if (!nextToken(scanner)) return false;
        const bool negate = is(scanner, "NOT");
        if (negate && !nextToken(scanner)) return false;
        DWORD value;
        if (!tokenValue(scanner, value)) return false;
        style = negate ? style & ~value : style | value;
        const char* before = scanner.at;
        if (!nextToken(scanner)) {
            more = false;
            return true;
        }
        if (!is(scanner, "|")) {
            more = is(scanner, ",");
            if (!more) scanner.at = before;  // a new statement: read it again
            return true;
        }
    }
}

bool readString(Scanner& scanner, char* text) {
    if (!nextToken(scanner) || !scanner.quoted) return false;
    std::strcpy(text, scanner.token);
    return true;
}

bool readRectangle(Scanner& scanner, int& x, int& y, int& cx, int& cy) {
    return readInt(scanner, x) && readComma(scanner) && readInt(scanner, y) &&
           readComma(scanner) && readInt(scanner, cx) && readComma(scanner) && readInt(scanner, cy);
}

bool readControl(Scanner& scanner, DialogTemplate& dialog) {
    ControlTemplate control = {};
    bool more;
    if (!readString(scanner, control.text) || !readComma(scanner) ||
        !readInt(scanner, control.id) || !readComma(scanner) || !nextToken(scanner) ||
        !scanner.quoted || std::strlen(scanner.token) >= templateClassRoom)
        return false;
    std::strcpy(control.className, scanner.token);
    if (!readComma(scanner) || !readStyle(scanner, control.style, more) || !more ||
        !readRectangle(scanner, control.x, control.y, control.cx, control.cy))
        return false;
    if (dialog.controlCount == templateControlRoom) return false;
    dialog.controls[dialog.controlCount++] = control;
    return true;
}

bool readDialog(Scanner& scanner, DialogTemplate& dialog) {
    int x, y;
    bool more;
    if (!readRectangle(scanner, x, y, dialog.cx, dialog.cy)) return false;
    for (;;) {
        if (!nextToken(scanner)) return false;
        if (is(scanner, "BEGIN")) break;
        DWORD ignored;
        if (is(scanner, "STYLE")) {
            if (!readStyle(scanner, dialog.style, more)) return false;
        } else if (is(scanner, "EXSTYLE")) {
            if (!readStyle(scanner, ignored, more)) return false;
        } else if (is(scanner, "CAPTION")) {
            if (!readString(scanner, dialog.caption)) return false;
        } else if (is(scanner, "FONT")) {
            char face[templateTextRoom];
            if (!readValue(scanner, ignored) || !readComma(scanner) || !readString(scanner, face))
                return false;
        } else {
            return false;
        }
    }
    for (;;) {
        if (!nextToken(scanner)) return false;
        if (is(scanner, "END")) return true;
        if (!is(scanner, "CONTROL") || !readControl(scanner, dialog)) return false;
    }
}

}  // namespace

int parseDialogScript(const char* script, DialogTemplate* templates, int room) {
    Scanner scanner = {script, "", false};
    int count = 0;
    DWORD id = 0;
    bool haveId = false;
    while (nextToken(scanner)) {
        if (is(scanner, "DIALOGEX")) {
            if (!haveId || count == room) return -1;
            DialogTemplate& dialog = templates[count];
            dialog = DialogTemplate{};
            dialog.id = static_cast<int>(id);
            if (!readDialog(scanner, dialog)) return -1;
            ++count;
            haveId = false;
        } else {
            haveId = tokenValue(scanner, id);
        }
    }
    return count;
}

void useDialogScript(const char* script) {
    dialogScript = script;
}

const DialogTemplate* findDialogTemplate(int id) {
    static DialogTemplate templates[8];
    static const int count = parseDialogScript(dialogScript, templates, 8);
    for (int i = 0; i < count; ++i)
        if (templates[i].id == id) return &templates[i];
    return nullptr;
}

bool addControl(DialogTemplate& dialog, const char* text, int id, const char* className,
                DWORD style, int x, int y, int cx, int cy) {
    if (dialog.controlCount == templateControlRoom) return false;
    ControlTemplate& control = dialog.controls[dialog.controlCount++];
    control = ControlTemplate{};
    std::strncpy(control.text, text, templateTextRoom - 1);
    control.id = id;
    std::strncpy(control.className, className, templateClassRoom - 1);
    control.style = style | WS_CHILD | WS_VISIBLE;
    control.x = x;
    control.y = y;
    control.cx = cx;
    control.cy = cy;
    return true;
}
