#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace constgen {
namespace {

TEST(CommandLine, ReadsDeclare) {
  const gen::Result<Command> command = ParseCommandLine({"declare", "in/texts.txt", "out/a.h"});
  ASSERT_TRUE(command.HasValue()) << command.GetError().Describe();
  const auto& declare = std::get<DeclareCommand>(command.Value());
  EXPECT_EQ(declare.source, "in/texts.txt");
  EXPECT_EQ(declare.header, "out/a.h");
}

TEST(CommandLine, ReadsSegmentWithOptionsInAnyOrder) {
  const gen::Result<Command> command = ParseCommandLine(
      {"segment", "--layout", "l.h", "a.txt", "--format", "coff", "--asm", "s.S", "b.txt"});
  ASSERT_TRUE(command.HasValue()) << command.GetError().Describe();
  const auto& segment = std::get<SegmentCommand>(command.Value());
  EXPECT_EQ(segment.format, gen::AsmFormat::Coff);
  EXPECT_EQ(segment.assembly, "s.S");
  EXPECT_EQ(segment.layout, "l.h");
  EXPECT_EQ(segment.sources, (std::vector<std::string>{"a.txt", "b.txt"}));
}

class CommandLineRejects : public testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CommandLineRejects, WithUsage) {
  const gen::Result<Command> command = ParseCommandLine(GetParam());
  ASSERT_FALSE(command.HasValue());
  EXPECT_EQ(command.GetError().file, "constgen");
  EXPECT_NE(command.GetError().message.find("usage: constgen"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    BadArguments, CommandLineRejects,
    testing::Values(std::vector<std::string>{}, std::vector<std::string>{"frobnicate"},
                    std::vector<std::string>{"declare", "texts.txt"},
                    std::vector<std::string>{"declare", "texts.txt", "a.h", "b.h"},
                    std::vector<std::string>{"segment", "--asm", "s.S", "--layout", "l.h", "a"},
                    std::vector<std::string>{"segment", "--format", "pe", "--asm", "s.S",
                                             "--layout", "l.h", "a"},
                    std::vector<std::string>{"segment", "--format", "elf", "--asm", "s.S",
                                             "--layout", "l.h"},
                    std::vector<std::string>{"segment", "--format", "elf", "--asm", "s.S",
                                             "--asm", "t.S", "--layout", "l.h", "a"},
                    std::vector<std::string>{"segment", "--format", "elf", "--asm", "s.S",
                                             "--output", "x", "--layout", "l.h", "a"},
                    std::vector<std::string>{"segment", "--format", "elf", "--asm", "s.S",
                                             "a", "--layout"}));

}  // namespace
}  // namespace constgen
