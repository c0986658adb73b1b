// The start-up over a program that carries page descriptions: the pages are read from the
// program's data, the stored handler offsets become the routines' entries, and a damaged segment
// stops the program with its fatal message.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "page_segment_layout.h"
#include "pages/page_format.h"
#include "runtime/frame.h"
#include "runtime/runtime_object.h"
#include "tests/support/child_process.h"
#include "test_routines.h"

namespace {

using vl::pages::UnitView;

class PageStartup : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { vl::CallService(vl::kServiceStartRuntime); }

  static UnitView View(std::uint32_t pageId, std::uint32_t unitId) {
    vl::pages::PageDescription* page = vl::TheRuntime().Pages().Find(pageId);
    EXPECT_NE(page, nullptr);
    vl::pages::Unit* unit = page == nullptr ? nullptr : page->FindUnit(unitId);
    EXPECT_NE(unit, nullptr);
    return unit->View();
  }

  // Calls a fixed-up handler field and tells which routine ran.
  static int CallHandler(std::uint32_t handler) {
    g_lastRoutine = 0;
    reinterpret_cast<void (*)()>(static_cast<std::uintptr_t>(handler))();
    return g_lastRoutine;
  }

  static std::uint32_t EntryAddress(std::uint32_t offset) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(kCodeStart)) + offset;
  }
};

TEST_F(PageStartup, ThePagesAreReadFromTheProgramsData) {
  vl::pages::PageList& pages = vl::TheRuntime().Pages();
  ASSERT_EQ(pages.Count(), 2u);
  EXPECT_EQ(pages.Pages()[0].Id(), 0x52010001u);
  EXPECT_EQ(pages.Pages()[1].Id(), 0x52010013u);
  EXPECT_EQ(pages.Pages()[1].Reserved(), 0x00CFA920u);
  const UnitView button = View(0x52010001, 0x16010009);
  EXPECT_EQ(button.Kind(), vl::pages::kKindButton);
  EXPECT_EQ(button.Left(), 384);
  // The records are the program's own bytes, walked in place.
  const auto record = button.Record();
  EXPECT_GE(record.data(), kPageSegmentStart);
  EXPECT_LE(record.data() + record.size(), kPageSegmentStart + kPageSegmentLength);
}

TEST_F(PageStartup, AStoredOffsetBecomesTheEntryOfItsRoutine) {
  const UnitView window = View(0x52010001, 0x06010000);
  EXPECT_EQ(window.Handler(0), EntryAddress(kOnPageCreatedEntryOffset));
  EXPECT_EQ(CallHandler(window.Handler(0)), 2);
  EXPECT_EQ(CallHandler(View(0x52010001, 0x1601000A).Handler(0)), 4);    // the timer's tick
  EXPECT_EQ(CallHandler(View(0x52010013, 0x16010020).Handler(3)), 3);    // on the second page
  EXPECT_EQ(CallHandler(View(0x52010001, 0x2601000E).Handler(0)), 3);    // a menu entry
}

TEST_F(PageStartup, OffsetZeroBindsTheRoutineAtTheCodeStart) {
  const std::uint32_t handler = View(0x52010001, 0x16010009).Handler(0);
  EXPECT_EQ(handler, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(kCodeStart)));
  EXPECT_EQ(CallHandler(handler), 1);
  EXPECT_EQ(CallHandler(View(0x52010001, 0x16010002).Handler(7)), 1);  // a raw offset of 0
}

TEST_F(PageStartup, MinusOneLeavesTheEventUnbound) {
  const UnitView window = View(0x52010001, 0x06010000);
  ASSERT_EQ(window.EventCount(), 2u);
  EXPECT_EQ(window.Event(1).number, 1);
  EXPECT_EQ(window.Event(1).handler, 0u);
  const UnitView button = View(0x52010013, 0x16010020);
  EXPECT_EQ(button.Handler(0), 0u);
}

TEST_F(PageStartup, ASecondStartUpLeavesTheHandlersAsTheyAre) {
  const std::uint32_t before = View(0x52010001, 0x06010000).Handler(0);
  vl::CallService(vl::kServiceStartRuntime);
  EXPECT_EQ(View(0x52010001, 0x06010000).Handler(0), before);
}

TEST(PointerTable, TheNumbersSelectTheSystemPointerIds) {
  const LPCSTR expected[] = {IDC_ARROW,  IDC_CROSS,    IDC_IBEAM,  IDC_WAIT,   IDC_HELP,
                             IDC_APPSTARTING, IDC_NO,  IDC_SIZEALL, IDC_SIZENESW, IDC_SIZENS,
                             IDC_SIZENWSE, IDC_SIZEWE, IDC_UPARROW, IDC_HAND};
  const auto ids = vl::pages::SystemPointerIds();
  ASSERT_EQ(ids.size(), std::size(expected));
  for (std::size_t i = 0; i < ids.size(); ++i) {
    EXPECT_EQ(ids[i], static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(expected[i]))) << i + 1;
  }
}

// The box's title ("错误") is part of what AnswerFatalErrorBox looks for.
TEST(DamagedPages, AShortSegmentStopsTheProgramWithTheFatalMessage) {
  vl::test::ChildProcess child(vl::test::TestProgramFolder() + "truncated_pages_program.exe", "");
  ASSERT_TRUE(child.Started());
  // The detail names the fault and where it lies: the last page's unit block runs past the end.
  const std::wstring expected = L"运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n"
                                L"unit block: unit block longer than the segment (offset ";
  const std::wstring text = vl::test::AnswerFatalErrorBox(child.Id());
  EXPECT_EQ(text.substr(0, expected.size()), expected);
  EXPECT_NE(text.find(L", page 1)\r\n"), std::wstring::npos);
  EXPECT_EQ(child.WaitForExit(), 0xFFFFFFFFu);
}

}  // namespace
