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
    dir_ = fs::temp_directory_path() /
           ("constgen_test_" + std::to_string(::getpid()) + "_" + test->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "runtime");
    fs::create_directories(dir_ / "app");
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& relative) const { return (dir_ / relative).string(); }

  void write(const std::string& relative, const std::string& content) const {
    std::ofstream(path(relative), std::ios::binary) << content;
  }

  std::string read(const std::string& relative) const {
    std::ifstream in(path(relative), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  int run_constgen(const std::vector<std::string>& arguments) {
    errors_.str("");
    return run(arguments, errors_);
  }

  int run_segment(const std::string& format = "elf") {
    return run_constgen({"segment", "--format", format, "--asm", path("out/segment.S"),
                         "--layout", path("out/layout.h"), path("runtime/texts.txt"),
                         path("app/texts.txt")});
  }

  fs::path dir_;
  std::ostringstream errors_;
};

TEST_F(ConstgenRun, DeclareNamesTheSourceByItsFileNameOnly) {
  write("runtime/texts.txt", "kRuntimeErrorTitle = \"错误\"\nkOther = \"x\"\n");
  ASSERT_EQ(run_constgen({"declare", path("runtime/texts.txt"), path("out/runtime_texts.h")}), 0)
      << errors_.str();
  const std::string header = read("out/runtime_texts.h");
  EXPECT_NE(header.find("from texts.txt."), std::string::npos);
  EXPECT_EQ(header.find(dir_.string()), std::string::npos) << "no absolute path";
  EXPECT_NE(header.find("extern \"C\" const char kRuntimeErrorTitle[];\n"
                        "extern \"C\" const char kOther[];\n"),
            std::string::npos);
}

TEST_F(ConstgenRun, SegmentWritesTheAssemblyAndTheLayout) {
  write("runtime/texts.txt", "kA = \"错误\"\n");
  write("app/texts.txt", "kB = \"“”\"\n");
  ASSERT_EQ(run_segment("coff"), 0) << errors_.str();
  EXPECT_NE(read("out/segment.S").find("_kA:\n\t.byte 0xb4,0xed,0xce,0xf3,0x00\n"
                                       "\t.globl _kB\n_kB:\n\t.byte 0xa1,0xb0,0xa1,0xb1,0x00\n"),
            std::string::npos);
  EXPECT_NE(read("out/layout.h").find("kConstSegmentLength = 10;"), std::string::npos);
}

TEST_F(ConstgenRun, GivesTheSameBytesEveryTimeAndLeavesUnchangedOutputsAlone) {
  write("runtime/texts.txt", "kA = \"错误\"\n");
  write("app/texts.txt", "kB = \"b\"\n");
  ASSERT_EQ(run_segment(), 0) << errors_.str();
  const std::string assembly = read("out/segment.S");
  const std::string layout = read("out/layout.h");
  const auto old_time = fs::file_time_type::clock::now() - std::chrono::hours(24);
  fs::last_write_time(path("out/segment.S"), old_time);
  fs::last_write_time(path("out/layout.h"), old_time);

  ASSERT_EQ(run_segment(), 0) << errors_.str();
  EXPECT_EQ(read("out/segment.S"), assembly);
  EXPECT_EQ(read("out/layout.h"), layout);
  EXPECT_EQ(fs::last_write_time(path("out/segment.S")), old_time);
  EXPECT_EQ(fs::last_write_time(path("out/layout.h")), old_time);

  write("app/texts.txt", "kB = \"bb\"\n");
  ASSERT_EQ(run_segment(), 0) << errors_.str();
  EXPECT_NE(fs::last_write_time(path("out/segment.S")), old_time);
  EXPECT_NE(read("out/layout.h"), layout);
}

TEST_F(ConstgenRun, WritesNothingWhenASourceIsBad) {
  write("runtime/texts.txt", "kA = \"a\"\n");
  write("app/texts.txt", "kB = \"b\"\nkC = \"\\0\"\n");
  EXPECT_EQ(run_segment(), 1);
  EXPECT_EQ(errors_.str(), path("app/texts.txt") +
                               ":2: the escape \\0 is not allowed: texts are terminated by a "
                               "zero byte\n");
  EXPECT_FALSE(fs::exists(path("out")));
}

TEST_F(ConstgenRun, KeepsThePreviousOutputsWhenASourceTurnsBad) {
  write("runtime/texts.txt", "kA = \"a\"\n");
  write("app/texts.txt", "kB = \"b\"\n");
  ASSERT_EQ(run_segment(), 0) << errors_.str();
  const std::string assembly = read("out/segment.S");
  write("app/texts.txt", "kB = \"b\"\nkA = \"again\"\n");
  EXPECT_EQ(run_segment(), 1);
  EXPECT_NE(errors_.str().find(":2: duplicate text name 'kA'"), std::string::npos);
  EXPECT_EQ(read("out/segment.S"), assembly);
  EXPECT_EQ(std::distance(fs::directory_iterator(path("out")), fs::directory_iterator()), 2)
      << "no temporary file left behind";
}

TEST_F(ConstgenRun, DeclareWritesNothingWhenTheSourceIsBad) {
  write("runtime/texts.txt", "kA = \"unterminated\n");
  EXPECT_EQ(run_constgen({"declare", path("runtime/texts.txt"), path("out/runtime_texts.h")}), 1);
  EXPECT_NE(errors_.str().find("texts.txt:1: unterminated text"), std::string::npos);
  EXPECT_FALSE(fs::exists(path("out/runtime_texts.h")));
}

TEST_F(ConstgenRun, ReportsAMissingSource) {
  write("runtime/texts.txt", "kA = \"a\"\n");
  EXPECT_EQ(run_segment(), 1);
  EXPECT_EQ(errors_.str().rfind(path("app/texts.txt") + ": cannot open", 0), 0u) << errors_.str();
}

TEST_F(ConstgenRun, ReportsABadCommandLineWithExitCodeTwo) {
  EXPECT_EQ(run_constgen({"segment"}), 2);
  EXPECT_NE(errors_.str().find("usage:"), std::string::npos);
}

}  // namespace
}  // namespace constgen
