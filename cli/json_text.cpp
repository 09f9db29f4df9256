#include "json_text.h"

#include "log_text/name_text.h"

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
        const int length = utf8SequenceLength(at);
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
        } else if (length == 2 && at[0] == 0xC2 && at[1] <= 0x9F) {
            // A C1 control, which a terminal showing the line could obey.
            std::snprintf(escape, sizeof escape, "\\u%04x", at[1]);
            put(json, escape);
            at += 2;
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
