// Drawing the open dialogs in character cells: each centred on the screen, framed with its
// caption; disabled controls dimmed, the focused one in reverse video, mnemonics underlined. Texts
// are drawn a glyph at a time (text_cells.h): a wide character takes two cells and is never cut in
// half, what cannot be shown shows escaped.
#include "terminal_front_end.h"

#include "window_system/dialog_manager/text_cells.h"
#include "window_system/dialog_manager/window_record.h"

#include <algorithm>
#include <cstring>
#include <curses.h>
#include <cwchar>
#include <string>

namespace {

struct Placement {
    int top, left;   // screen cell of the client area's top-left corner
    int rows;        // client rows shown
};

bool onlyDots(const char* text) {
    return text[0] != '\0' && std::strspn(text, ".") == std::strlen(text);
}

int bottomOfControls(HWND dialog) {
    int bottom = 0;
    for (HWND control : dialog->children)
        bottom = std::max(bottom, control->cells.top + control->cells.height);
    return bottom;
}

// The client keeps its template height where the screen allows, else only the rows its controls use.
bool place(HWND dialog, Placement& placement) {
    int rows = dialog->cells.height;
    if (rows + 2 > LINES) rows = std::max(bottomOfControls(dialog), LINES - 2);
    const int width = dialog->cells.width;
    if (rows + 2 > LINES || width + 2 > COLS) return false;
    placement = Placement{(LINES - rows - 2) / 2 + 1, (COLS - width - 2) / 2 + 1, rows};
    return true;
}

// The text without its "&" markers, and the position of the mnemonic letter (or -1).
std::string plainText(const char* text, int& mnemonic) {
    std::string plain;
    mnemonic = -1;
    for (const char* at = text; *at != '\0'; ++at) {
        if (*at == '&' && at[1] != '\0') {
            ++at;
            if (*at != '&' && mnemonic < 0) mnemonic = static_cast<int>(plain.size());
        }
        plain += *at;
    }
    return plain;
}

class Canvas {
public:
    Canvas(HWND dialog, const Placement& placement) : dialog(dialog), placement(placement) {}

    bool inside(int row, int column) const {
        return row >= 0 && row < placement.rows && column >= 0 && column < dialog->cells.width;
    }
    // A cell no control claims (statics of dots only yield to the text beside them).
    bool free(int row, int column) const {
        for (HWND control : dialog->children) {
            const CellRect& r = control->cells;
            if (!onlyDots(control->text) && row >= r.top && row < r.top + r.height &&
                column >= r.left && column < r.left + r.width)
                return false;
        }
        return true;
    }
    void put(int row, int column, chtype cell) const {
        if (inside(row, column)) mvaddch(placement.top + row, placement.left + column, cell);
    }
    // One glyph of text at a cell: false when it does not fit inside the dialog.
    bool glyph(int row, int column, const char* text, const Glyph& glyph, attr_t attributes) const {
        if (!inside(row, column) || !inside(row, column + glyph.width - 1)) return false;
        if (glyph.escaped) {
            const std::string escape = escapedByte(static_cast<unsigned char>(text[glyph.start]));
            for (int i = 0; i < glyph.width; ++i)
                put(row, column + i, static_cast<unsigned char>(escape[i]) | attributes);
            return true;
        }
        if (glyph.length == 1) {
            put(row, column, static_cast<unsigned char>(text[glyph.start]) | attributes);
            return true;
        }
        // A character and its combining marks in one cell (or two, for a wide one).
        wchar_t characters[CCHARW_MAX + 1] = {};
        std::mbstate_t state{};
        const char* at = text + glyph.start;
        const char* end = at + glyph.length;
        for (int count = 0; at < end && count < CCHARW_MAX; ++count)
            at += std::mbrtowc(&characters[count], at, static_cast<std::size_t>(end - at), &state);
        cchar_t cell;
        setcchar(&cell, characters, attributes, 0, nullptr);
        mvadd_wch(placement.top + row, placement.left + column, &cell);
        return true;
    }
    // The text from its first glyph on, in at most limit cells: no glyph is cut. The glyph that
    // starts at byte mnemonic is underlined. Returns the cells drawn.
    int text(int row, int column, const std::string& value, int limit, attr_t attributes,
             int mnemonic = -1) const {
        int used = 0;
        for (const Glyph& g : glyphsOf(value.c_str(), static_cast<int>(value.size()))) {
            if (used + g.width > limit) break;
            const attr_t extra = g.start == mnemonic ? A_UNDERLINE : 0;
            if (!glyph(row, column + used, value.c_str(), g, attributes | extra)) break;
            used += g.width;
        }
        return used;
    }
    void cursorAt(int row, int column) const { move(placement.top + row, placement.left + column); }

    HWND dialog;
    Placement placement;
};

void drawFrame(HWND dialog, const Placement& p) {
    const int top = p.top - 1, left = p.left - 1, right = p.left + dialog->cells.width;
    const int bottom = p.top + p.rows;
    for (int row = top; row <= bottom; ++row) mvhline(row, left, ' ', dialog->cells.width + 2);
    mvaddch(top, left, ACS_ULCORNER);
    mvhline(top, left + 1, ACS_HLINE, dialog->cells.width);
    mvaddch(top, right, ACS_URCORNER);
    mvvline(top + 1, left, ACS_VLINE, p.rows);
    mvvline(top + 1, right, ACS_VLINE, p.rows);
    mvaddch(bottom, left, ACS_LLCORNER);
    mvhline(bottom, left + 1, ACS_HLINE, dialog->cells.width);
    mvaddch(bottom, right, ACS_LRCORNER);
    const std::string caption = std::string(" ") + dialog->text + " ";
    const int width = std::min(static_cast<int>(caption.size()), dialog->cells.width);
    attron(A_BOLD);
    mvaddnstr(top, p.left + (dialog->cells.width - width) / 2, caption.c_str(), width);
    attroff(A_BOLD);
}

// Text that does not fit its cells runs on into cells that no other control claims.
int roomFor(const Canvas& canvas, HWND control, int length) {
    const CellRect& r = control->cells;
    int room = r.width;
    while (room < length && canvas.inside(r.top, r.left + room) && canvas.free(r.top, r.left + room)) ++room;
    return room;
}

void drawLabel(const Canvas& canvas, HWND control, attr_t attributes) {
    int mnemonic;
    const std::string text = plainText(control->text, mnemonic);
    const CellRect& r = control->cells;
    const int length = cellsOf(text.c_str(), static_cast<int>(text.size()));
    if ((control->style & SS_TYPEMASK) == SS_RIGHT) {
        // Right-aligned text that does not fit runs on to the left, over cells no control claims.
        const int ideal = r.left + r.width - length;
        int start = ideal;
        while (start < r.left && (start < 0 || !canvas.free(r.top, start))) ++start;
        canvas.text(r.top, start, text.substr(start - ideal), r.left + r.width - start, attributes,
                    mnemonic - (start - ideal));
        return;
    }
    canvas.text(r.top, r.left, text, roomFor(canvas, control, length), attributes, mnemonic);
}

void drawEdit(const Canvas& canvas, HWND edit, attr_t attributes) {
    const CellRect& r = edit->cells;
    const std::string text = edit->text;
    const int length = static_cast<int>(text.size());
    if ((edit->style & ES_READONLY) != 0) {
        const int cells = cellsOf(text.c_str(), length);
        if ((edit->style & ES_RIGHT) != 0) {
            canvas.text(r.top, r.left + std::max(0, r.width - cells), text, r.width, attributes);
        } else if (cells <= r.width) {
            canvas.text(r.top, r.left, text, r.width, attributes);
        } else {
            // A path or a name too long shows its end, which tells most, behind an ellipsis, and
            // keeps a blank before whatever follows it.
            const std::string ellipsis = terminalTakesUtf8() ? "\u2026" : "<";
            int from = 0;
            for (const Glyph& g : glyphsOf(text.c_str(), length)) {
                if (cellsOf(text.c_str() + g.start, length - g.start) <= r.width - 2) {
                    from = g.start;
                    break;
                }
            }
            canvas.text(r.top, r.left, ellipsis + text.substr(static_cast<std::size_t>(from)), r.width - 1,
                        attributes);
        }
        return;
    }
    const int from = std::min(edit->scroll, length);
    // The selection of the focused edit shows in reverse video.
    const bool focused = edit->parent->focus == edit;
    const int selectionStart = std::min(edit->anchor, edit->caret);
    const int selectionEnd = std::max(edit->anchor, edit->caret);
    int used = 0;
    for (const Glyph& g : glyphsOf(text.c_str() + from, length - from)) {
        const int start = from + g.start;
        const attr_t selected = focused && start >= selectionStart && start < selectionEnd ? A_REVERSE : 0;
        if (used + g.width > r.width) break;
        canvas.glyph(r.top, r.left + used, text.c_str() + from, g, attributes | selected);
        used += g.width;
    }
    for (; used < r.width; ++used) canvas.put(r.top, r.left + used, '_' | attributes);
}

void drawPushButton(const Canvas& canvas, HWND button, attr_t attributes) {
    int mnemonic;
    const std::string label = plainText(button->text, mnemonic);
    const CellRect& r = button->cells;
    const int length = static_cast<int>(label.size());
    if ((button->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) attributes |= A_BOLD;
    if (length + 2 <= r.width) {
        canvas.put(r.top, r.left, '[' | attributes);
        for (int i = 1; i < r.width - 1; ++i) canvas.put(r.top, r.left + i, ' ' | attributes);
        canvas.text(r.top, r.left + (r.width - length) / 2, label, length, attributes, mnemonic);
        canvas.put(r.top, r.left + r.width - 1, ']' | attributes);
        return;
    }
    // A label wider than its button is centred on it, brackets and all.
    const int left = r.left + (r.width - length - 2) / 2;
    canvas.text(r.top, left, "[" + label + "]", length + 2, attributes, mnemonic + 1);
}

bool blankOnScreen(const Canvas& canvas, int row, int column) {
    if (!canvas.inside(row, column)) return false;
    const chtype cell = mvinch(canvas.placement.top + row, canvas.placement.left + column);
    return (cell & A_CHARTEXT) == ' ';
}

// The button's mark takes the cell before it where that is blank, so the label keeps its room.
void drawRadioButton(const Canvas& canvas, HWND button, attr_t attributes) {
    int mnemonic;
    const std::string label = plainText(button->text, mnemonic);
    const CellRect& r = button->cells;
    const int mark = blankOnScreen(canvas, r.top, r.left - 1) ? r.left - 1 : r.left;
    canvas.put(r.top, mark, (button->checked ? ACS_DIAMOND : ACS_BULLET) | (attributes & ~A_REVERSE));
    const int start = mark + 1;
    int room = r.left + r.width - start;
    while (room < static_cast<int>(label.size()) && canvas.free(r.top, start + room) &&
           blankOnScreen(canvas, r.top, start + room))
        ++room;
    canvas.text(r.top, start, label, room, attributes, mnemonic);
}

void drawListBox(const Canvas& canvas, HWND list, attr_t attributes, bool focused) {
    const CellRect& r = list->cells;
    const attr_t frame = focused ? A_BOLD : A_NORMAL;
    const int inner = r.width - 2;
    canvas.put(r.top, r.left, ACS_ULCORNER | frame);
    canvas.put(r.top, r.left + r.width - 1, ACS_URCORNER | frame);
    canvas.put(r.top + r.height - 1, r.left, ACS_LLCORNER | frame);
    canvas.put(r.top + r.height - 1, r.left + r.width - 1, ACS_LRCORNER | frame);
    for (int i = 1; i <= inner; ++i) {
        canvas.put(r.top, r.left + i, ACS_HLINE | frame);
        canvas.put(r.top + r.height - 1, r.left + i, ACS_HLINE | frame);
    }
    const int rows = r.height - 2;
    const int count = static_cast<int>(list->lines.size());
    for (int row = 0; row < rows; ++row) {
        canvas.put(r.top + 1 + row, r.left, ACS_VLINE | frame);
        canvas.put(r.top + 1 + row, r.left + r.width - 1, ACS_VLINE | frame);
        const int index = list->topLine + row;
        const bool selected = index == list->selected;
        const std::string line = index < count ? list->lines[index] : "";
        const attr_t lineAttributes = attributes | (selected ? (focused ? A_REVERSE : A_BOLD) : A_NORMAL);
        // Scrolled by cells: a wide character cut by the left edge shows as a blank.
        int skipped = 0;
        std::size_t from = 0;
        for (const Glyph& g : glyphsOf(line.c_str(), static_cast<int>(line.size()))) {
            if (skipped >= list->scroll) break;
            skipped += g.width;
            from = static_cast<std::size_t>(g.start + g.length);
        }
        const int lead = std::max(0, skipped - list->scroll);  // none where the line ends before
        for (int i = 0; i < lead; ++i) canvas.put(r.top + 1 + row, r.left + 1 + i, ' ' | lineAttributes);
        const int drawn = lead + canvas.text(r.top + 1 + row, r.left + 1 + lead, line.substr(from),
                                             inner - lead, lineAttributes);
        for (int i = drawn; i < inner; ++i) canvas.put(r.top + 1 + row, r.left + 1 + i, ' ' | lineAttributes);
    }
    if (list->topLine > 0) canvas.put(r.top + 1, r.left + r.width - 1, ACS_UARROW | frame);
    if (list->topLine + rows < count) canvas.put(r.top + rows, r.left + r.width - 1, ACS_DARROW | frame);
    // Lines wider than the list: arrows on its lower edge tell that Left and Right scroll it.
    if (list->scroll > 0) canvas.put(r.top + r.height - 1, r.left + 1, ACS_LARROW | frame);
    if (list->scroll + r.width < list->extent) canvas.put(r.top + r.height - 1, r.left + inner, ACS_RARROW | frame);
}

void drawProgress(const Canvas& canvas, HWND bar, attr_t attributes) {
    const CellRect& r = bar->cells;
    const int inner = r.width - 2;
    const int filled = bar->position * inner / 100;
    canvas.put(r.top, r.left, '[' | attributes);
    for (int i = 0; i < inner; ++i) canvas.put(r.top, r.left + 1 + i, (i < filled ? '#' : ' ') | attributes);
    canvas.put(r.top, r.left + r.width - 1, ']' | attributes);
}

void drawIcon(const Canvas& canvas, HWND icon) {
    const CellRect& r = icon->cells;
    canvas.text(r.top, r.left, "+--+", r.width, A_BOLD);
    canvas.text(r.top + 1, r.left, "|Q/|", r.width, A_BOLD);
    canvas.text(r.top + 2, r.left, "+--+", r.width, A_BOLD);
}

void drawControl(const Canvas& canvas, HWND control) {
    if ((control->style & WS_VISIBLE) == 0) return;
    const bool focused = canvas.dialog->focus == control;
    attr_t attributes = control->enabled ? A_NORMAL : A_DIM;
    // The focused edit shows its caret and a bright field; a list box, a bright frame.
    if (focused && control->kind == WindowKind::Edit) attributes |= A_BOLD;
    else if (focused && control->kind != WindowKind::ListBox) attributes |= A_REVERSE;
    switch (control->kind) {
    case WindowKind::Static: drawLabel(canvas, control, attributes); break;
    case WindowKind::Icon: drawIcon(canvas, control); break;
    case WindowKind::Edit: drawEdit(canvas, control, attributes); break;
    case WindowKind::PushButton: drawPushButton(canvas, control, attributes); break;
    case WindowKind::RadioButton: drawRadioButton(canvas, control, attributes); break;
    case WindowKind::ListBox: drawListBox(canvas, control, attributes, focused); break;
    case WindowKind::Progress: drawProgress(canvas, control, attributes); break;
    default: break;
    }
}

void tooSmall(HWND dialog) {
    erase();
    const int rows = std::min(dialog->cells.height, bottomOfControls(dialog)) + 2;
    const std::string lines[] = {
        "The terminal is too small",
        "for the \"" + std::string(dialog->text) + "\" dialog.",
        "It needs " + std::to_string(dialog->cells.width + 2) + " x " + std::to_string(rows) +
            " cells, it has " + std::to_string(COLS) + " x " + std::to_string(LINES) + ".",
    };
    int row = std::max(0, LINES / 2 - 1);
    for (const std::string& line : lines) {
        const int width = std::min(static_cast<int>(line.size()), COLS);
        mvaddnstr(row++, std::max(0, (COLS - width) / 2), line.c_str(), width);
    }
}

}  // namespace

void drawDialogs() {
    erase();
    curs_set(0);
    const std::vector<HWND> dialogs = openDialogs();
    for (HWND dialog : dialogs) {
        Placement placement;
        if (!place(dialog, placement)) {
            tooSmall(dialog);
            refresh();
            return;
        }
        drawFrame(dialog, placement);
        const Canvas canvas(dialog, placement);
        for (HWND control : dialog->children)
            if (onlyDots(control->text)) drawControl(canvas, control);
        for (HWND control : dialog->children)
            if (!onlyDots(control->text)) drawControl(canvas, control);
    }
    // The cursor on the focused control of the topmost dialog, drawn last so that it stays there:
    // shown at the caret of an edit, hidden elsewhere (where the reverse video tells the focus).
    if (!dialogs.empty()) {
        HWND dialog = dialogs.back();
        HWND focus = dialog->focus;
        Placement placement;
        if (focus != nullptr && place(dialog, placement)) {
            const Canvas canvas(dialog, placement);
            const CellRect& r = focus->cells;
            if (focus->kind == WindowKind::Edit && (focus->style & ES_READONLY) == 0) {
                canvas.cursorAt(r.top, r.left + cellsOf(focus->text + focus->scroll, focus->caret - focus->scroll));
                curs_set(1);
            } else if (focus->kind == WindowKind::ListBox) {
                const int line = std::max(focus->selected, focus->topLine) - focus->topLine;
                canvas.cursorAt(r.top + 1 + std::min(line, std::max(0, r.height - 3)), r.left + 1);
            } else {
                canvas.cursorAt(r.top, r.left);
            }
        }
    }
    refresh();
}
