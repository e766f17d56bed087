// kvxctl's JSON output: escaping of ANSI text and the shape of documents.
#include "json_output.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonOutput, EscapesWhatJsonForbidsAndDecodesTheAnsiCodePage) {
    struct Case {
        std::string ansi;
        const char* json;
    } cases[] = {
        {"", "\"\""},
        {"LPT1:", "\"LPT1:\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\spool\\KVX.DRV", "\"C:\\\\spool\\\\KVX.DRV\""},
        {"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
        {std::string("nul\0in", 6), "\"nul\\u0000in\""},
        {"\xe9tiquette \xfc", "\"\\u00e9tiquette \\u00fc\""}, // Latin letters of Windows-1252
        {"\x80 \x9f \xa0 \xff", "\"\\u20ac \\u0178 \\u00a0 \\u00ff\""},
        {"\x81\x8d\x8f\x90\x9d", "\"\\u0081\\u008d\\u008f\\u0090\\u009d\""}, // undefined bytes
        {"\x99 \x85", "\"\\u2122 \\u2026\""}, // three bytes in UTF-8 on the way
        // The native command line's UTF-8, where it is well formed.
        {"K\xc3\xa9", "\"K\\u00e9\""},
        {"\xe2\x82\xac \xf0\x9f\x96\xa8", "\"\\u20ac \\ud83d\\udda8\""},
        {"\xc3", "\"\\u00c3\""}, // cut short
        {"\xc0\xaf \xed\xa0\x80",
         "\"\\u00c0\\u00af \\u00ed\\u00a0\\u20ac\""},             // overlong, surrogate
        {"\xf4\x90\x80\x80", "\"\\u00f4\\u0090\\u20ac\\u20ac\""}, // beyond U+10FFFF
    };
    for (const Case& c : cases)
        EXPECT_EQ(JsonDocument(AnsiText(c.ansi)), c.json) << "for " << c.ansi;
}

TEST(JsonOutput, KeepsMembersInTheOrderAddedAtEveryDepth) {
    Json document;
    document["ready"] = false;
    document["code"] = -3;
    document["none"] = AnsiTextOrNull("");
    document["list"] = Json::array({AnsiText("a"), Json::object(), Json::array(), 7});
    document["last"] = AnsiTextOrNull("z");
    document["after"] = {{"b", 1}, {"a", 2}};
    EXPECT_EQ(JsonDocument(document),
              "{\"ready\":false,\"code\":-3,\"none\":null,\"list\":"
              "[\"a\",{},[],7],\"last\":\"z\",\"after\":{\"b\":1,\"a\":2}}");
}

} // namespace
