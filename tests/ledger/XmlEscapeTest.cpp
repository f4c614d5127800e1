#include "ledger/XmlEscape.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(XmlEscapeTest, WritesTheFiveMarkupCharactersAsReferencesAndKeepsTheRest) {
  EXPECT_EQ("&lt;b&gt;&quot;O&#39;Brien&quot; &amp; \xC3\x87" "elik&lt;/b&gt;",
            XmlEscaped("<b>\"O'Brien\" & \xC3\x87" "elik</b>"));
  EXPECT_EQ("&amp;amp;", XmlEscaped("&amp;"));  // never taken for a reference already written
  EXPECT_EQ("\xE6\x9D\x8E \xF0\x9F\x98\x80 tab\there", XmlEscaped("\xE6\x9D\x8E \xF0\x9F\x98\x80 tab\there"));
  EXPECT_EQ("", XmlEscaped(""));
  // What XML allows in no form at all becomes the replacement character.
  EXPECT_EQ("a\xEF\xBF\xBD" "b\xEF\xBF\xBD", XmlEscaped(std::string("a\x01" "b\x00", 4)));

  std::string out = "<kept>";
  AppendXmlEscaped("1 < 2", &out);
  EXPECT_EQ("<kept>1 &lt; 2", out);
}

}  // namespace
