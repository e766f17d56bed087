// kvxctl's JSON output: escaping of ANSI text and the shape of documents.
#include "json_writer.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonQuote, EscapesWhatJsonForbidsAndDecodesTheAnsiCodePage) {
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
    };
    for (const Case& c : cases)
        EXPECT_EQ(JsonQuote(c.ansi), c.json) << "for " << c.ansi;
}

TEST(JsonWriter, SeparatesMembersAndElementsAtEveryDepth) {
    JsonWriter json;
    json.BeginObject().Key("ready").Bool(false).Key("code").Number(-3).Key("none").Null();
    json.Key("list").BeginArray().String("a").BeginObject().EndObject().BeginArray().EndArray();
    json.Number(7).EndArray().Key("last").String("z").EndObject();
    EXPECT_EQ(
        json.Text(),
        "{\"ready\":false,\"code\":-3,\"none\":null,\"list\":[\"a\",{},[],7],\"last\":\"z\"}");
}

} // namespace
