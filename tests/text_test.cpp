// Fixed-capacity texts and the UTF-16/UTF-8 conversions that name files.
#include <gtest/gtest.h>

#include "engine/text.h"

namespace tav {
namespace {

// Both directions at every boundary of the encoding, exactly: a byte that is not part of valid
// UTF-8 (stray, cut short, overlong, a surrogate, past U+10FFFF, never a lead byte) is held as
// U+DC80..U+DCFF and comes back as itself, so a name read from disk opens that very file. Any
// other unpaired surrogate names no file. Shown, every unpaired surrogate is U+FFFD.
TEST(Utf, ExactBothWaysEvenForBytesThatAreNotUtf8) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"", ""}, {u"a\u007F", "a\x7F"}, {u"\u0080\u07FF", "\xC2\x80\xDF\xBF"},
      {u"\u0800해\uD7FF", "\xE0\xA0\x80\xED\x95\xB4\xED\x9F\xBF"},
      {u"\uE000\uFFFF", "\xEE\x80\x80\xEF\xBF\xBF"},  // just after the surrogates; the last unit
      {u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
      {u"a\xDC80z", "a\x80z"}, {u"a\xDCC3z", "a\xC3z"}, {u"a\xDCE2\xDC82", "a\xE2\x82"},
      {u"\xDCC0\xDCAF", "\xC0\xAF"}, {u"\xDCED\xDCA0\xDC80", "\xED\xA0\x80"},
      {u"\xDCF4\xDC90\xDC80\xDC80", "\xF4\x90\x80\x80"}, {u"\xDCFF\xDCFE.bin", "\xFF\xFE.bin"}};
  for (const auto& [utf16, utf8] : cases) {
    SCOPED_TRACE(::testing::PrintToString(utf8));
    std::string out = "garbage";
    EXPECT_TRUE(Utf16ToUtf8(utf16, &out));
    EXPECT_EQ(out, utf8);
    EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
  }
  std::string out;
  for (const std::u16string& bad : {std::u16string{u'\xD800'}, std::u16string{u'a', u'\xDC7F'},
                                    std::u16string{u'a', u'\xD83D', u'b'}, std::u16string{u'\xDE00', u'\xD83D'}})
    EXPECT_FALSE(Utf16ToUtf8(bad, &out)) << ::testing::PrintToString(bad);
  EXPECT_EQ(ForDisplay(u"\xDCFF\xDCFE.bin \U0001F600 \xD83D"), u"\uFFFD\uFFFD.bin \U0001F600 \uFFFD");
}

// Buffers full of garbage, as the stack gives them: every write must end the text itself.
TEST(FixedText, CutsRefusesAndAlwaysTerminates) {
  char16_t buf[4] = {u'#', u'#', u'#', u'#'};
  CopyText(buf, 1, u"abc");
  EXPECT_EQ(std::u16string(buf, 4), std::u16string(u"\0###", 4));
  ClearText(buf, 4);
  EXPECT_EQ(std::u16string(buf, 4), std::u16string(4, 0));
  CopyText(buf, 4, u"abcdef");
  EXPECT_EQ(std::u16string(buf, 4), std::u16string(u"abc\0", 4));
  std::fill_n(buf, 4, u'#');
  CopyText(buf, 2, u"a");
  EXPECT_TRUE(AppendText(buf, 4, u"bc"));  // exactly fills the array with its terminator
  EXPECT_FALSE(AppendText(buf, 4, u"d"));
  EXPECT_EQ(std::u16string(buf, 4), std::u16string(u"abc\0", 4));
  EXPECT_EQ(TextLength(buf, 3), 3u);  // no terminator within the capacity: read up to it only
}

}  // namespace
}  // namespace tav
