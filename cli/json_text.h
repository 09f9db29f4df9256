// A JSON object built in a fixed buffer, with the few escapes JSON strings need. Written by hand:
// qdlcheck only writes flat objects of numbers and strings, and the one subtle part, names that are
// not valid UTF-8, needs a rule of its own (see appendText).
#pragma once

#include <cstdint>

struct JsonText {
    char text[8192];
    int length;
    bool first;  // no member written yet in the object being built
};

void beginObject(JsonText& json);
void endObject(JsonText& json);
// A member whose value is an object: its members follow, then endObject.
void beginMember(JsonText& json, const char* key);
void appendNumber(JsonText& json, const char* key, std::uint64_t value);
void appendSeconds(JsonText& json, const char* key, double value);
void appendBoolean(JsonText& json, const char* key, bool value);
// "key": null, for a value the run does not know.
void appendNull(JsonText& json, const char* key);
// "key": the text as a JSON string, each byte that is not part of valid UTF-8 given as U+FFFD;
// when there was any, also "key_hex": every byte of the text in hexadecimal, so nothing is lost.
void appendText(JsonText& json, const char* key, const char* text);
