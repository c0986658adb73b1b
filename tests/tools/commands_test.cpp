// constgen as a whole, on files: what it writes, and that it writes nothing when an input is bad.

#include "commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace constgen {
namespace {

namespace fs = std::filesystem;

class ConstgenRun : public testing::Test {
 protected:
  void SetUp() override {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    m_dir = fs::temp_directory_path() /
           ("constgen_test_" + std::to_string(::getpid()) + "_" + test->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir / "runtime");
    fs::create_directories(m_dir / "app");
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string Path(const std::string& relative) const { return (m_dir / relative).string(); }

  void Write(const std::string& relative, const std::string& content) const {
    std::ofstream(Path(relative), std::ios::binary) << content;
  }

  std::string Read(const std::string& relative) const {
    std::ifstream in(Path(relative), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  int RunConstgen(const std::vector<std::string>& arguments) {
    m_errors.str("");
    return constgen::Run(arguments, m_errors);
  }

  int RunSegment(const std::string& format = "elf") {
    return RunConstgen({"segment", "--format", format, "--asm", Path("out/segment.S"),
                        "--layout", Path("out/layout.h"), Path("runtime/texts.txt"),
                        Path("app/texts.txt")});
  }

  fs::path m_dir;
  std::ostringstream m_errors;
};

TEST_F(ConstgenRun, DeclareNamesTheSourceByItsFileNameOnly) {
  Write("runtime/texts.txt", "kRuntimeErrorTitle = \"错误\"\nkOther = \"x\"\n");
  ASSERT_EQ(RunConstgen({"declare", Path("runtime/texts.txt"), Path("out/runtimeTexts.h")}), 0)
      << m_errors.str();
  const std::string header = Read("out/runtimeTexts.h");
  EXPECT_NE(header.find("from texts.txt."), std::string::npos);
  EXPECT_EQ(header.find(m_dir.string()), std::string::npos) << "no absolute path";
  EXPECT_NE(header.find("extern \"C\" const char kRuntimeErrorTitle[];\n"
                        "extern \"C\" const char kOther[];\n"),
            std::string::npos);
}

TEST_F(ConstgenRun, SegmentWritesTheAssemblyAndTheLayout) {
  Write("runtime/texts.txt", "kA = \"错误\"\n");
  Write("app/texts.txt", "kB = \"“”\"\n");
  ASSERT_EQ(RunSegment("coff"), 0) << m_errors.str();
  EXPECT_NE(Read("out/segment.S").find("_kA:\n\t.byte 0xb4,0xed,0xce,0xf3,0x00\n"
                                       "\t.globl _kB\n_kB:\n\t.byte 0xa1,0xb0,0xa1,0xb1,0x00\n"),
            std::string::npos);
  EXPECT_NE(Read("out/layout.h").find("kConstSegmentLength = 10;"), std::string::npos);
}

TEST_F(ConstgenRun, GivesTheSameBytesEveryTimeAndLeavesUnchangedOutputsAlone) {
  Write("runtime/texts.txt", "kA = \"错误\"\n");
  Write("app/texts.txt", "kB = \"b\"\n");
  ASSERT_EQ(RunSegment(), 0) << m_errors.str();
  const std::string assembly = Read("out/segment.S");
  const std::string layout = Read("out/layout.h");
  const auto oldTime = fs::file_time_type::clock::now() - std::chrono::hours(24);
  fs::last_write_time(Path("out/segment.S"), oldTime);
  fs::last_write_time(Path("out/layout.h"), oldTime);

  ASSERT_EQ(RunSegment(), 0) << m_errors.str();
  EXPECT_EQ(Read("out/segment.S"), assembly);
  EXPECT_EQ(Read("out/layout.h"), layout);
  EXPECT_EQ(fs::last_write_time(Path("out/segment.S")), oldTime);
  EXPECT_EQ(fs::last_write_time(Path("out/layout.h")), oldTime);

  Write("app/texts.txt", "kB = \"bb\"\n");
  ASSERT_EQ(RunSegment(), 0) << m_errors.str();
  EXPECT_NE(fs::last_write_time(Path("out/segment.S")), oldTime);
  EXPECT_NE(Read("out/layout.h"), layout);
}

TEST_F(ConstgenRun, WritesNothingWhenASourceIsBad) {
  Write("runtime/texts.txt", "kA = \"a\"\n");
  Write("app/texts.txt", "kB = \"b\"\nkC = \"\\0\"\n");
  EXPECT_EQ(RunSegment(), 1);
  EXPECT_EQ(m_errors.str(), Path("app/texts.txt") +
                               ":2: the escape \\0 is not allowed: texts are terminated by a "
                               "zero byte\n");
  EXPECT_FALSE(fs::exists(Path("out")));
}

TEST_F(ConstgenRun, KeepsThePreviousOutputsWhenASourceTurnsBad) {
  Write("runtime/texts.txt", "kA = \"a\"\n");
  Write("app/texts.txt", "kB = \"b\"\n");
  ASSERT_EQ(RunSegment(), 0) << m_errors.str();
  const std::string assembly = Read("out/segment.S");
  Write("app/texts.txt", "kB = \"b\"\nkA = \"again\"\n");
  EXPECT_EQ(RunSegment(), 1);
  EXPECT_NE(m_errors.str().find(":2: duplicate text name 'kA'"), std::string::npos);
  EXPECT_EQ(Read("out/segment.S"), assembly);
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("out")), fs::directory_iterator()), 2)
      << "no temporary file left behind";
}

TEST_F(ConstgenRun, DeclareWritesNothingWhenTheSourceIsBad) {
  Write("runtime/texts.txt", "kA = \"unterminated\n");
  EXPECT_EQ(RunConstgen({"declare", Path("runtime/texts.txt"), Path("out/runtimeTexts.h")}), 1);
  EXPECT_NE(m_errors.str().find("texts.txt:1: unterminated text"), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("out/runtimeTexts.h")));
}

TEST_F(ConstgenRun, ReportsAMissingSource) {
  Write("runtime/texts.txt", "kA = \"a\"\n");
  EXPECT_EQ(RunSegment(), 1);
  EXPECT_EQ(m_errors.str().rfind(Path("app/texts.txt") + ": cannot open", 0), 0u) << m_errors.str();
}

TEST_F(ConstgenRun, ReportsABadCommandLineWithExitCodeTwo) {
  EXPECT_EQ(RunConstgen({"segment"}), 2);
  EXPECT_NE(m_errors.str().find("usage:"), std::string::npos);
}

}  // namespace
}  // namespace constgen
