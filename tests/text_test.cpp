// Text capacities and the UTF-16 to UTF-8 file-name conversion.
#include <gtest/gtest.h>

#include "engine/text.h"

namespace tav {
namespace {

TEST(Utf16ToUtf8, ConvertsEveryPlane) {
  struct Case { std::u16string in; std::string out; };
  const Case cases[] = {
      {u"", ""},
      {u"abc.txt", "abc.txt"},
      {u"\u00e9", "\xc3\xa9"},
      {u"해시.bin", "\xed\x95\xb4\xec\x8b\x9c.bin"},
      {u"\U0001F600", "\xf0\x9f\x98\x80"},            // a surrogate pair
      {u"a\U00010348b", "a\xf0\x90\x8d\x88" "b"},
  };
  for (const Case& c : cases) {
    std::string out;
    ASSERT_TRUE(Utf16ToUtf8(c.in, &out));
    EXPECT_EQ(out, c.out);
    EXPECT_EQ(Utf8ToUtf16(out), c.in);
  }
}

TEST(Utf16ToUtf8, RefusesUnpairedSurrogates) {
  const std::u16string bad[] = {
      std::u16string(1, char16_t(0xD800)),
      std::u16string(u"a") + char16_t(0xDC00) + u"b",
      std::u16string(u"a") + char16_t(0xD83D) + u"b",   // high surrogate, no low one
      std::u16string(u"a") + char16_t(0xDE00) + char16_t(0xD83D),  // reversed pair
  };
  for (const auto& s : bad) {
    std::string out;
    EXPECT_FALSE(Utf16ToUtf8(s, &out));
  }
}

TEST(FixedText, CopyCutsToCapacityAndAppendRefusesOverflow) {
  char16_t buf[4] = {u'x', u'x', u'x', u'x'};
  CopyText(buf, 4, u"abcdef");
  EXPECT_EQ(TextView(buf, 4), u"abc");
  EXPECT_FALSE(AppendText(buf, 4, u"d"));
  EXPECT_EQ(TextView(buf, 4), u"abc");
  CopyText(buf, 4, u"a");
  EXPECT_TRUE(AppendText(buf, 4, u"bc"));
  EXPECT_EQ(TextView(buf, 4), u"abc");
  ClearText(buf, 4);
  for (char16_t c : buf) EXPECT_EQ(c, 0);
  // An array with no terminator is read only up to its capacity.
  char16_t full[3] = {u'a', u'b', u'c'};
  EXPECT_EQ(TextLength(full, 3), 3u);
}

}  // namespace
}  // namespace tav
