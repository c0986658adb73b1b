// The benchmarks' programs must measure what they claim: the floor program leaves exactly what
// the installer leaves, and the timed build of the installer claims time for every phase of its
// pass (a renamed command would silently escape the link-time wrap and read as zero).
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/installed_product.h"
#include "tests/app/installer_session.h"
#include "tests/support/child_process.h"

namespace vl::test {
namespace {

constexpr wchar_t kRoot[] = L"C:\\Program Files\\";

std::string TimingsFile() {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "bench_programs_test_timings.txt";
}

// The fields of the one line a run appended to the timings file.
std::vector<std::string> TimingFields() {
  std::ifstream in(TimingsFile());
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::vector<std::string> fields;
  std::istringstream split(line);
  for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
  return fields;
}

class BenchPrograms : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitialize(nullptr); }
  void SetUp() override {
    SHCreateDirectoryExW(nullptr, QuickLaunchFolder().c_str(), nullptr);
    DeleteFileA(TimingsFile().c_str());
    SetEnvironmentVariableA("VL_BENCH_TIMINGS", TimingsFile().c_str());
  }

  // Label, total, the seven phases and the CPU time, every one a number of microseconds; the
  // phases add up to the total.
  static void ExpectTimingLine(const std::vector<std::string>& fields, const char* label) {
    ASSERT_EQ(fields.size(), 10u);
    EXPECT_EQ(fields[0], label);
    double phases = 0;
    for (std::size_t i = 2; i < 9; ++i) phases += std::stod(fields[i]);
    EXPECT_NEAR(phases, std::stod(fields[1]), 1.0);
    EXPECT_GE(std::stod(fields[9]), 0.0);
  }
};

// The phases that every pass has, in the order of the line; "other" may be as good as nothing.
const char* const kPhases[] = {"folders", "files", "attributes", "links", "registry", "queries"};

// Every phase takes time but attributes: both programs create the runtime files hidden.
void ExpectEveryPhaseTimed(const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < std::size(kPhases); ++i) {
    if (std::string_view(kPhases[i]) == "attributes") {
      EXPECT_EQ(std::stod(fields[2 + i]), 0.0);
    } else {
      EXPECT_GT(std::stod(fields[2 + i]), 0.0) << kPhases[i];
    }
  }
}

TEST_F(BenchPrograms, TheFloorLeavesWhatTheInstallerLeaves) {
  // With the window it shows when it stands for the interactive installer.
  ChildProcess floor(TestProgramFolder() + "floor_install.exe", "/window \"C:\\Program Files\"");
  ASSERT_TRUE(floor.Started());
  ASSERT_EQ(floor.WaitForExit(60000), 0u);
  ExpectPayloadInstalled(kRoot);
  ExpectLinksAndRegistration(kRoot);

  const auto fields = TimingFields();
  ExpectTimingLine(fields, "floor");
  ExpectEveryPhaseTimed(fields);
}

TEST_F(BenchPrograms, TheTimedInstallerClaimsTimeForEveryPhase) {
  const std::string program = TestProgramFolder() + "VorlaneSetupBench.exe";
  InstallerSession session(std::make_unique<ChildProcess>(program, "", TestProgramFolder()), TestProgramFolder());
  ASSERT_TRUE(session.Started());
  HWND location = session.ToLocationPage();
  ASSERT_NE(location, nullptr);
  HWND progress = session.Install(location, kRoot);
  ASSERT_NE(progress, nullptr);
  session.Click(progress, L"安装完成");
  ASSERT_EQ(session.WaitForExit(), 0u);
  ExpectPayloadInstalled(kRoot);

  const auto fields = TimingFields();
  ExpectTimingLine(fields, "installer");
  ExpectEveryPhaseTimed(fields);
}

}  // namespace
}  // namespace vl::test
