// The run log's bytes: every character in UTF-8, however it is held on the way in.
#include "services/run_log.h"

#include <fstream>
#include <iterator>

#include "service_test_support.h"

namespace vl::test {
namespace {

using RunLog = RuntimeStarted;

std::string FileBytes(const std::string& path) {
  std::ifstream in(Wide(path).c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A line longer than the log gathers at once, cut inside a surrogate pair; GB18030's two- and
// four-byte characters and a byte that is none; control characters a caller put into the
// command line or a path, escaped so that they cannot start a line of their own; nothing after
// the log is closed.
TEST_F(RunLog, WritesEveryCharacterInUtf8) {
  const ScratchFolder folder;
  const std::string path = folder / "run.log";
  ASSERT_TRUE(OpenRunLog(Wide(path).c_str()));
  const std::wstring commandLine = std::wstring(1023, L'a') + L"\U00020000 /S \"/LOG=x\r\nverdict ok 0\u2028\x7F\"";
  LogRunStart(commandLine, "C:\\\xD6\xD0\x95\x32\x82\x36\x81 x");
  LogAction("file", false, "C:\\\xD6\xD0\t\x81\x30\x81\x35");
  LogVerdict(3);
  CloseRunLog();
  LogAction("file", true, "after");

  EXPECT_EQ(FileBytes(path), std::string(1023, 'a') +
                                 "\xF0\xA0\x80\x80 /S \"/LOG=x<0D><0A>verdict ok 0<2028><7F>\"\r\n"
                                 "C:\\\xE4\xB8\xAD\xF0\xA0\x80\x80\xEF\xBF\xBD x\r\n"
                                 "file failed C:\\\xE4\xB8\xAD<09><0085>\r\n"
                                 "verdict failed 3\r\n");
}

}  // namespace
}  // namespace vl::test
