#include "json.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using namespace std::string_literals;

TEST(JsonStringTest, EscapesWhatJsonRequires) {
  EXPECT_EQ(JsonString(""), "\"\"");
  EXPECT_EQ(JsonString("A,B->C"), "\"A,B->C\"");
  EXPECT_EQ(JsonString("say \"hi\" \\ there"), "\"say \\\"hi\\\" \\\\ there\"");
  EXPECT_EQ(JsonString("a\nb\tc\rd"), "\"a\\nb\\tc\\rd\"");
  EXPECT_EQ(JsonString("\x01\x1f\x7f"s), "\"\\u0001\\u001f\\u007f\"");
  EXPECT_EQ(JsonString("nul\0byte"s), "\"nul\\u0000byte\"");
}

TEST(JsonStringTest, KeepsValidUtf8AndReadsOtherBytesAsLatin1) {
  // Two, three and four bytes, at the lowest and highest of their ranges.
  for (const std::string valid :
       {"\xc2\x80", "\xdf\xbf", "\xe0\xa0\x80", "\xed\x9f\xbf", "\xee\x80\x80", "\xef\xbf\xbf",
        "\xf0\x90\x80\x80", "\xf4\x8f\xbf\xbf", "\xc3\xa9t\xc3\xa9"}) {
    EXPECT_EQ(JsonString(valid), "\"" + valid + "\"") << valid;
  }
  const struct {
    std::string bytes;
    std::string json;
  } invalid[] = {
      {"\xe9", "\"\\u00e9\""},                                   // a Latin-1 byte
      {"\x80", "\"\\u0080\""},                                   // a lone continuation byte
      {"\xc0\x80", "\"\\u00c0\\u0080\""},                        // overlong
      {"\xc1\xbf", "\"\\u00c1\\u00bf\""},                        // overlong
      {"\xe0\x9f\xbf", "\"\\u00e0\\u009f\\u00bf\""},             // overlong
      {"\xed\xa0\x80", "\"\\u00ed\\u00a0\\u0080\""},             // a surrogate
      {"\xf0\x8f\xbf\xbf", "\"\\u00f0\\u008f\\u00bf\\u00bf\""},  // overlong
      {"\xf4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},  // past U+10FFFF
      {"\xf5\x80\x80\x80", "\"\\u00f5\\u0080\\u0080\\u0080\""},
      {"a\xc3", "\"a\\u00c3\""},  // cut at the end
      {"\xe2\x82", "\"\\u00e2\\u0082\""},
      {"\xe2\x82x", "\"\\u00e2\\u0082x\""},  // cut by another byte
  };
  for (const auto& c : invalid) EXPECT_EQ(JsonString(c.bytes), c.json);
}

// Whatever the bytes, the text is one JSON string: no raw control byte, and every byte past
// ASCII in a valid UTF-8 sequence. Lengths up to 300 reach every sequence's end.
TEST(JsonStringTest, AnyBytesMakeValidJson) {
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes(random() % 300, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() % 256);
    const std::string json = JsonString(bytes);
    ASSERT_GE(json.size(), 2u);
    ASSERT_EQ(json.front(), '"');
    ASSERT_EQ(json.back(), '"');
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
      const auto c = static_cast<unsigned char>(json[i]);
      ASSERT_GE(c, 0x20) << i;
      ASSERT_NE(c, 0x7f);
      if (c == '\\') {
        ++i;  // the escaped byte
        ASSERT_NE(std::string("\"\\ntru").find(json[i]), std::string::npos) << json;
      } else if (c == '"') {
        FAIL() << "an unescaped quote in " << json;
      } else if (c >= 0x80) {
        // A lead byte, then its continuation bytes: the escapes above decide the rest.
        std::size_t length = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : 2;
        ASSERT_TRUE(c >= 0xc2 && c <= 0xf4) << int(c);
        for (std::size_t k = 1; k < length; ++k) {
          const auto next = static_cast<unsigned char>(json[i + k]);
          ASSERT_TRUE(next >= 0x80 && next <= 0xbf);
        }
        i += length - 1;
      }
    }
  }
}

}  // namespace
