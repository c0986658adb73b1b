// Copies of the installer whose page data was changed in one place, as a damaged or tampered
// download would be: each must stop at start-up with the fatal message naming the fault, before
// any page is shown, and end with -1.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pages/page_segment.h"
#include "tests/support/child_process.h"
#include "tests/support/ui_automation.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace vl::pages;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct PageSearch {
  DWORD processId;
  bool found;
};

BOOL CALLBACK NoteVisiblePage(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<PageSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t className[64] = L"";
  GetClassNameW(window, className, 64);
  const bool dialog = std::wstring(className) == L"#32770";
  if (owner == search->processId && IsWindowVisible(window) && !dialog) search->found = true;
  return TRUE;
}

// Whether the process shows a visible window other than a dialog box.
bool ShowsAPage(DWORD processId) {
  PageSearch search{processId, false};
  EnumWindows(&NoteVisiblePage, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class DamagedPages : public ::testing::Test {
 protected:
  void SetUp() override {
    m_program = ReadFile(std::string("Z:") + VL_INSTALLER_EXE);
    m_segment = ReadFile(std::string("Z:") + VL_INSTALLER_SEGMENT);
    ASSERT_FALSE(m_program.empty());
    ASSERT_FALSE(m_segment.empty());
    const auto found = std::search(m_program.begin(), m_program.end(), m_segment.begin(), m_segment.end());
    ASSERT_NE(found, m_program.end()) << "the page data is not in the installer";
    m_segmentAt = static_cast<std::size_t>(found - m_program.begin());
    auto pages = ReadPageSegment(m_segment, 0xFFFFFFF8u);
    ASSERT_TRUE(pages) << pages.GetError().why;
    m_pages = std::move(pages.Value());
  }

  // Where a field of a unit of the first page lies in the program file.
  std::size_t FieldAt(Unit& unit, std::size_t offsetInRecord) const {
    return m_segmentAt + static_cast<std::size_t>(unit.Record().data() - m_segment.data()) + offsetInRecord;
  }
  std::size_t FixedAt(Unit& unit, std::size_t field) { return FieldAt(unit, unit.View().Layout().fixedOffset + field); }
  PageDescription& FirstPage() { return m_pages.Pages().front(); }

  // Writes the damaged copy, runs it and checks how it ends.
  void ExpectRefusedAtStartUp(const Bytes& damaged, const std::wstring& fault) {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    const std::string copy = std::string(temp) + "VorlaneSetupDamaged.exe";
    {
      std::ofstream out(copy, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
    }
    vl::test::ChildProcess child(copy, "", temp);
    ASSERT_TRUE(child.Started());
    const std::wstring heading = L"运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n";
    EXPECT_NE(vl::test::WaitForWindow({vl::test::kDialogClass, L"错误", child.Id()}, 10000), nullptr);
    EXPECT_FALSE(ShowsAPage(child.Id()));
    const std::wstring text = vl::test::AnswerFatalErrorBox(child.Id());
    EXPECT_EQ(text.substr(0, heading.size()), heading);
    EXPECT_NE(text.find(fault + L": "), std::wstring::npos) << std::string(text.begin(), text.end());
    EXPECT_NE(text.find(L"page 0, unit "), std::wstring::npos);
    EXPECT_EQ(child.WaitForExit(), 0xFFFFFFFFu);
    DeleteFileA(copy.c_str());
  }

  Bytes m_program;
  Bytes m_segment;
  std::size_t m_segmentAt = 0;
  PageList m_pages;
};

TEST_F(DamagedPages, AStoredWindowSlotStopsTheInstaller) {
  Bytes damaged = m_program;
  Put32(damaged, FixedAt(FirstPage().WindowUnit(), unit_fixed::kWindowSlot), 0x00402000);
  ExpectRefusedAtStartUp(damaged, L"window slot");
}

TEST_F(DamagedPages, AHandlerOutsideTheRoutineEntriesStopsTheInstaller) {
  Bytes damaged = m_program;
  std::size_t at = 0;
  for (Unit& unit : FirstPage().Units()) {
    const UnitView view = unit.View();
    for (std::uint32_t i = 0; i < view.EventCount() && at == 0; ++i) {
      if (view.Event(i).handler != kNoHandler) {
        at = FieldAt(unit, view.Layout().eventsOffset + event_entry::kLength * i + event_entry::kHandler);
      }
    }
  }
  ASSERT_NE(at, 0u);
  Put32(damaged, at, 0x00100000);
  ExpectRefusedAtStartUp(damaged, L"handler");
}

TEST_F(DamagedPages, TwoControlsThatContainEachOtherStopTheInstaller) {
  Bytes damaged = m_program;
  auto units = FirstPage().Units();
  ASSERT_GE(units.size(), 3u);
  Put32(damaged, FixedAt(units[1], unit_fixed::kContainer), units[2].Id());
  Put32(damaged, FixedAt(units[2], unit_fixed::kContainer), units[1].Id());
  ExpectRefusedAtStartUp(damaged, L"container cycle");
}

}  // namespace
