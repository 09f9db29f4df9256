// Names and paths from the file system as a reader sees them: a control character could end a
// line or drive a terminal, so every such byte is shown as "<XX>", its value in two hexadecimal
// digits. Where names are UTF-8 (the code page is), that includes the C1 controls, U+0080 to U+009F
// (both bytes of their encoding), and the bytes 0x80 to 0x9F outside any valid sequence, which a
// terminal could read as C1 controls; a legacy code page's 0x80 to 0x9F are its own characters. "<"
// itself is shown so too, and so is a backslash inside a name, which a line would otherwise show
// as a separator; the text can thus be read back exactly. No Windows name holds any of these
// characters, so Windows names show unchanged.
#pragma once

#include "engine/path_text.h"

// The length of the valid UTF-8 sequence text starts with (1 for an ASCII byte), or 0 when the byte
// there starts none: overlong forms, surrogates and code points past U+10FFFF are invalid.
int utf8SequenceLength(const unsigned char* text);

// What one escaped byte takes: "<XX>".
constexpr int escapeLength = 4;
// Room for a path of pathLimit characters with every one of them shown escaped.
constexpr int shownPathRoom = escapeLength * pathLimit + 1;

// Writes name as shown into out (room bytes, terminator included; an escape that does not fit is
// left out whole) and returns the length written.
int showName(const char* name, char* out, int room);

// The same for a path typed by the user, whose backslashes are its own separators.
int showPath(const char* path, char* out, int room);

// The name of the entry in progress, for a progress display: empty for none, ".." for a directory
// exit marker (an empty name: a folder is being left), otherwise the name as shown. Returns out.
const char* showNameInProgress(const char* name, char* out, int room);
