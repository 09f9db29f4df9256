#include "json_text.h"

#include <cstdio>
#include <cstring>

namespace {

void put(JsonText& json, const char* text, int length) {
    if (json.length + length >= static_cast<int>(sizeof json.text)) return;
    std::memcpy(json.text + json.length, text, static_cast<std::size_t>(length));
    json.length += length;
    json.text[json.length] = '\0';
}

void put(JsonText& json, const char* text) {
    put(json, text, static_cast<int>(std::strlen(text)));
}

void putKey(JsonText& json, const char* key) {
    if (!json.first) put(json, ",");
    json.first = false;
    put(json, "\"");
    put(json, key);
    put(json, "\":");
}

// The length of the valid UTF-8 sequence at text, or 0 when the byte there starts none.
int validSequence(const unsigned char* text) {
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

}  // namespace

void beginObject(JsonText& json) {
    put(json, "{");
    json.first = true;
}

void endObject(JsonText& json) {
    put(json, "}");
    json.first = false;
}

void beginMember(JsonText& json, const char* key) {
    putKey(json, key);
    beginObject(json);
}

void appendNumber(JsonText& json, const char* key, std::uint64_t value) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(value));
    putKey(json, key);
    put(json, digits);
}

void appendSeconds(JsonText& json, const char* key, double value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.3f", value);
    putKey(json, key);
    put(json, digits);
}

void appendBoolean(JsonText& json, const char* key, bool value) {
    putKey(json, key);
    put(json, value ? "true" : "false");
}

void appendNull(JsonText& json, const char* key) {
    putKey(json, key);
    put(json, "null");
}

void appendText(JsonText& json, const char* key, const char* text) {
    putKey(json, key);
    put(json, "\"");
    bool lossy = false;
    const auto* at = reinterpret_cast<const unsigned char*>(text);
    while (*at != '\0') {
        const int length = validSequence(at);
        char escape[8];
        if (length == 0) {
            put(json, "\\ufffd");
            lossy = true;
            ++at;
        } else if (*at == '"' || *at == '\\') {
            std::snprintf(escape, sizeof escape, "\\%c", *at);
            put(json, escape);
            ++at;
        } else if (*at < 0x20 || *at == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\u%04x", *at);
            put(json, escape);
            ++at;
        } else {
            put(json, reinterpret_cast<const char*>(at), length);
            at += length;
        }
    }
    put(json, "\"");
    if (!lossy) return;
    char hexKey[64];
    std::snprintf(hexKey, sizeof hexKey, "%s_hex", key);
    putKey(json, hexKey);
    put(json, "\"");
    for (at = reinterpret_cast<const unsigned char*>(text); *at != '\0'; ++at) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", *at);
        put(json, pair);
    }
    put(json, "\"");
}
