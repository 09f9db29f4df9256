// JSON strings as qdlcheck writes them: every name parses back, and one that is not valid UTF-8
// keeps its bytes in hexadecimal.
#include "cli/json_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string member(const char* text) {
    JsonText json{};
    beginObject(json);
    appendText(json, "path", text);
    endObject(json);
    return json.text;
}

TEST(JsonText, EscapesAndInvalidUtf8KeepEveryByte) {
    EXPECT_EQ(member("a\"b\\c\n\x1b\x7f"), "{\"path\":\"a\\\"b\\\\c\\u000a\\u001b\\u007f\"}");
    // Valid sequences of two, three and four bytes stay as they are.
    EXPECT_EQ(member("\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80"), "{\"path\":\"\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80\"}");
    const struct {
        const char* bytes;
        const char* json;
    } invalid[] = {
        {"caf\xe9", "{\"path\":\"caf\\ufffd\",\"path_hex\":\"636166e9\"}"},        // a lone Latin-1 byte
        {"\xc0\xaf", "{\"path\":\"\\ufffd\\ufffd\",\"path_hex\":\"c0af\"}"},        // an overlong "/"
        {"\xed\xa0\x80", "{\"path\":\"\\ufffd\\ufffd\\ufffd\",\"path_hex\":\"eda080\"}"},  // a surrogate
        {"\xf4\x90\x80\x80", "{\"path\":\"\\ufffd\\ufffd\\ufffd\\ufffd\",\"path_hex\":\"f4908080\"}"},
        {"\xe6\x97", "{\"path\":\"\\ufffd\\ufffd\",\"path_hex\":\"e697\"}"},        // cut short
    };
    for (const auto& c : invalid) EXPECT_EQ(member(c.bytes), c.json) << c.json;
}

}  // namespace
