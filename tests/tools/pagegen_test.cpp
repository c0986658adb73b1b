// The page source parser: what it refuses, and the values it gives the writer.
#include "page_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/page_format.h"
#include "segment_writer.h"

namespace pagegen {
namespace {

const std::vector<std::string> kRoutines = {"First", "Second"};

gen::Result<ParsedSource> Parse(const std::string& text) {
  return ParsePageSource(std::string(VL_TEST_DATA_DIR) + "/inline.pages", text, kRoutines, {});
}

std::string ErrorOf(const std::string& text) {
  const auto parsed = Parse(text);
  return parsed ? "" : parsed.GetError().Describe();
}

TEST(PageSource, MistakesAreReportedWithTheirLine) {
  const std::string head = "page 0x52010001\nunit 0x06010000 window \"\"\n";
  EXPECT_NE(ErrorOf(head + "  on 0 Missing\n").find("inline.pages:3: routine 'Missing'"), std::string::npos);
  EXPECT_NE(ErrorOf(head + "properties 6\n  colour 1\n").find(":4: 'colour' is not a field of window"),
            std::string::npos);
  EXPECT_NE(ErrorOf(head + "geometry 1 2 3\n").find(":3:"), std::string::npos);
  EXPECT_NE(ErrorOf(head + "tag \"open\n").find(":3: text without its closing quote"), std::string::npos);
  EXPECT_NE(ErrorOf(head + "geometry 1 2 3 0x1FFFFFFFF\n").find("bad number"), std::string::npos);
  EXPECT_NE(ErrorOf("unit 0x06010000 window \"\"\n").find(":1: a unit outside any page"), std::string::npos);
  EXPECT_NE(ErrorOf(head + "properties 6\n icon file \"no-such-file\"\n").find("file not found"), std::string::npos);
  EXPECT_NE(ErrorOf(head + "tag \"\xF0\x9F\x98\x80\"\n").find("GBK cannot store"), std::string::npos);
  EXPECT_EQ(ErrorOf(head + "  on 0 Second\n"), "");
  EXPECT_NE(ErrorOf(head + "unit 0x16010001 Timer \"t\" as 9t\n").find(":3: not a symbol: 9t"), std::string::npos);
  EXPECT_NE(ErrorOf(head + "unit 0x16010001 Timer \"t\" like T\n").find(":3: a unit's name is followed only by"),
            std::string::npos);
  EXPECT_NE(ErrorOf("page 1 as P\nunit 0x06010000 window \"\" as P\n").find(":2: symbol named twice: P"),
            std::string::npos);
}

// A page or unit named in the source is a constant of the generated header, and nothing else is.
TEST(PageSource, NamedPagesAndUnitsBecomeTheHeadersIds) {
  const auto parsed = Parse("page 0x52010001 as FirstPage\nunit 0x06010000 window \"\"\n"
                            "unit 0x16010001 Timer \"t\" as Ticker\n");
  ASSERT_TRUE(parsed) << parsed.GetError().Describe();
  const std::string layout = RenderLayout(16, kRoutines, parsed->pages);
  EXPECT_NE(layout.find("namespace page_ids {\ninline constexpr std::uint32_t kFirstPage = 0x52010001;\n"
                        "inline constexpr std::uint32_t kTicker = 0x16010001;\n}"),
            std::string::npos)
      << layout;
}

// What the program would refuse, the generator refuses at the line of the unit it lies in.
TEST(PageSource, FaultsTheProgramWouldRefuseAreReportedAtTheirUnit) {
  auto faultOf = [](const std::string& text) -> std::string {
    const auto parsed = Parse(text);
    if (!parsed) return "not parsed";
    const auto readable = CheckReadable("inline.pages", parsed->pages, BuildSegment(parsed->pages), kRoutines.size());
    return readable ? "" : readable.GetError().Describe();
  };
  const std::string head = "page 0x52010001\nunit 0x06010000 window \"\"\n";
  EXPECT_EQ(faultOf(head + "unit 0x16010001 Timer \"t\"\n  on 0 Second\n"), "");
  EXPECT_NE(faultOf(head + "unit 0x16010001 Timer \"t\"\n  on 0 offset 12\n").find("inline.pages:3: handler: "),
            std::string::npos);
  EXPECT_NE(faultOf(head + "unit 0x16010001 Timer \"t\"\n  on 0 offset 16\n").find(":3: handler: "), std::string::npos);
  EXPECT_NE(faultOf(head + "unit 0x16010001 Timer \"t\"\n  container 0x16010009\n").find(":3: container: "),
            std::string::npos);
  EXPECT_NE(faultOf(head + "unit 0x16010001 Timer \"t\"\n  container 0x16010002\n"
                           "unit 0x16010002 Timer \"u\"\n  container 0x16010001\n")
                .find(":3: container cycle: "),
            std::string::npos);
  EXPECT_NE(faultOf("page 0x52010001\nunit 0x16010001 Timer \"t\"\n").find(":2: first unit: "), std::string::npos);
}

TEST(PageSource, ValuesAndEscapesBecomeTheStoredBytes) {
  const auto parsed = Parse(
      "page 0x52010001 reserved 0x00CFA920 module 0x19010029\n"
      "unit 0x06010000 window \"\"\n"
      "  tag \"a\\x00b\\r\\n\\\"\\\\\"\n"
      "  on 0 Second\n  on 1 -\n  on 2 offset 0\n"
      "  state visible 0x100\n"
      "  pointer -1 hex \"41 42\"\n"
      "unit 0x16010001 Timer \"t\"\n"
      "  properties 1\n    period -1\n");
  ASSERT_TRUE(parsed) << parsed.GetError().Describe();
  ASSERT_EQ(parsed->pages.size(), 1u);
  const PageSource& page = parsed->pages[0];
  EXPECT_EQ(page.reserved, 0x00CFA920u);
  const UnitSource& window = page.units[0];
  EXPECT_EQ(window.tag, std::string("a\0b\r\n\"\\", 7));
  ASSERT_EQ(window.events.size(), 3u);
  EXPECT_EQ(window.events[0].handler, vl::pages::kRoutineEntryLength);
  EXPECT_EQ(window.events[1].handler, 0xFFFFFFFFu);
  EXPECT_EQ(window.events[2].handler, 0u);
  EXPECT_EQ(window.state, 0x101u);
  EXPECT_EQ(window.pointer, std::string("\xFF\xFF\xFF\xFF" "AB", 6));
  EXPECT_EQ(page.units[1].fields.at(0).number, 0xFFFFFFFFu);
  // The timer's block: its version, then the period.
  const std::string record = BuildUnitRecord(page.units[1]);
  EXPECT_EQ(record.substr(record.size() - 8), std::string("\x01\x00\x00\x00\xFF\xFF\xFF\xFF", 8));
}

TEST(RoutineList, NamesAreIdentifiersListedOnce) {
  const auto listed = ParseRoutineList("r", "# entries\nA\n\n  B  # second\n");
  ASSERT_TRUE(listed);
  EXPECT_EQ(*listed, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ParseRoutineList("r", "A\nA\n").GetError().Describe(), "r:2: routine listed twice: A");
  EXPECT_EQ(ParseRoutineList("r", "A B\n").GetError().Describe(), "r:1: one routine name per line");
  EXPECT_EQ(ParseRoutineList("r", "9A\n").GetError().Describe(), "r:1: not a routine name: 9A");
}

}  // namespace
}  // namespace pagegen
