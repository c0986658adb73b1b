// The installer end to end: each scenario starts the real program (a build with a test probe
// inside) from a download folder and drives its windows like a user; ctest runs each scenario in
// a Wine prefix of its own, under each code page the product must work in. The results are read
// back from the windows, the file system, the shell links and the registry with the wide
// functions and compared with the Chinese texts as UTF-16.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <objbase.h>
#include <shlobj.h>
#include <commctrl.h>

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "installed_product.h"
#include "installer_session.h"
#include "base/byte_reader.h"
#include "payload/catalogue.h"
#include "tests/support/file_tree.h"
#include "tests/support/gbk_text.h"
#include "tests/support/shell_link_target.h"
#include "tests/support/ui_automation.h"

namespace vl::test {
namespace {

// The completion report for a root, line by line as the installer builds it.
std::wstring ExpectedReport(const std::wstring& root, const std::wstring& lastLine) {
  const wchar_t* lines[] = {
      L"Vorlane\\数据导出中...",      L"Vorlane\\音乐文件",           L"Vorlane\\udin",
      L"Vorlane\\tade",               L"Vorlane\\yx",                 L"Vorlane\\Vorlane.exe",
      L"Vorlane\\tade\\配置文件.ini", L"Vorlane\\使用说明.txt",       L"Vorlane\\tade\\配置文件教程.ini",
      L"Vorlane\\版本更新信息.txt",   L"Vorlane\\官方网址快捷方式.lnk", L"Vorlane\\卸载.exe",
      L"Vorlane\\tade\\muisc.mdb",    L"Vorlane\\tade\\dorvik\\dorvik.jpg", L"Vorlane\\tade\\selmar\\selmar.jpg",
      L"Vorlane\\tade\\corvey\\corvey.jpg", L"Vorlane\\tade\\pazdro\\pazdro.jpg",
      L"Vorlane\\tade\\yarnel\\yarnel.jpg", L"Vorlane\\tade\\tovrin\\tovrin.jpg",
      L"Vorlane\\tade\\brasto\\brasto.jpg", L"Vorlane\\tade\\velkor\\velkorjpg"};
  std::wstring report;
  for (const wchar_t* line : lines) report += root + line + L"\r\n";
  return report + root + lastLine;
}

// The UTF-8 form of a text, as the run log holds it.
std::string Utf8(const std::wstring& text) {
  std::string bytes(text.size() * 4, '\0');
  bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                            bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                            nullptr)));
  return bytes;
}

void ExpectCleanEnd(const InstallerSession& session, DWORD exitCode) {
  const auto lines = session.ProbeLines("allocations.txt");
  ASSERT_EQ(lines.size(), 1u) << "the program must end exactly once";
  const std::string prefix = "exit=" + std::to_string(static_cast<int>(exitCode)) + " live=0 ";
  EXPECT_EQ(lines[0].rfind(prefix, 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find(" refused=0"), std::string::npos) << lines[0];
}

// Clicks `caption` on `page`, expects the "提示" box that follows to say `text`, and answers it.
void AnswerPrompt(InstallerSession& session, HWND page, const wchar_t* caption, const std::wstring& text, int answer) {
  session.Click(page, caption);
  HWND box = session.WaitForMessageBox(L"提示");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box).value_or(L""), text);
  AnswerDialog(box, answer);
  ASSERT_TRUE(WaitForWindowGone(box, 5000));
}

// Cancel on `page`, answered Yes: the installer ends with 0.
// Types `root` on the location page, clicks Next and answers the box that follows with `answer`;
// the box's text, or nothing when no box came.
std::optional<std::wstring> BoxForRoot(InstallerSession& session, HWND location, const std::wstring& root, int answer) {
  session.SetInstallFolder(location, root);
  session.Click(location, L"下一步");
  HWND box = session.WaitForMessageBox(L"提示");
  if (box == nullptr) return std::nullopt;
  const std::optional<std::wstring> text = MessageBoxText(box);
  AnswerDialog(box, answer);
  return WaitForWindowGone(box, 5000) ? text : std::nullopt;
}

void CancelAndConfirm(InstallerSession& session, HWND page) {
  // A click posted while the page takes the focus back from a box that has just closed can be
  // lost on a loaded machine: it is posted again, at most twice more.
  HWND question = nullptr;
  for (int attempt = 0; attempt < 3 && question == nullptr; ++attempt) {
    session.Click(page, L"取消");
    question = session.WaitForMessageBox(L"提示", 5000);
  }
  ASSERT_NE(question, nullptr);
  AnswerDialog(question, IDYES);
  EXPECT_EQ(session.WaitForExit(), 0u);
}

// The access lists the probe saw given, read as the GBK the program wrote them in.
std::vector<std::wstring> AccessLines(const InstallerSession& session) {
  std::vector<std::wstring> lines;
  for (const std::string& line : session.ProbeLines("access.txt")) lines.push_back(FromGbk(line));
  return lines;
}

// Selects a folder in the picker of another process: the path must lie in that process.
void SelectInPicker(HANDLE process, HWND picker, const std::wstring& wide) {
  const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  ASSERT_NE(remote, nullptr);
  ASSERT_TRUE(WriteProcessMemory(process, remote, wide.c_str(), bytes, nullptr));
  // The picker selects the folder in its tree; wait for the tree to follow before confirming.
  HWND tree = FindChild(picker, nullptr, L"SysTreeView32");
  const LRESULT before = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
  // Wine's picker sometimes ignores a selection while it is still filling its tree: ask again.
  WaitUntil(
      [&] {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 30000,
                            &ignored);
        return WaitUntil([&] { return SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != before; }, 200);
      },
      10000);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
}

class Installer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitialize(nullptr); }
  void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey); }

  // Installs into `root` through the pages and returns the report text; the session ends with
  // Finish.
  std::wstring InstallAndFinish(InstallerSession& session, const std::wstring& typedRoot) {
    HWND location = session.ToLocationPage();
    if (location == nullptr) return L"<no location page>";
    HWND progress = session.Install(location, typedRoot);
    if (progress == nullptr) return L"<no progress page>";
    const std::wstring report = ReadText(InstallerSession::EditBox(progress)).value_or(L"<no report>");
    session.Click(progress, L"安装完成");
    return report;
  }

  // The same while the probe refuses the steps `refused` names; the program ends with 0.
  std::wstring InstallRefusing(const wchar_t* refused, const std::wstring& typedRoot) {
    SetEnvironmentVariableW(L"VL_PROBE_REFUSE", refused);
    InstallerSession session;
    SetEnvironmentVariableW(L"VL_PROBE_REFUSE", nullptr);
    const std::wstring report = InstallAndFinish(session, typedRoot);
    EXPECT_EQ(session.WaitForExit(), 0u);
    ExpectCleanEnd(session, 0);
    return report;
  }
};

TEST_F(Installer, TheDefaultInstallWritesEverythingAndEndsCleanly) {
  // On current systems the Quick Launch folder exists; a new Wine prefix lacks it.
  SHCreateDirectoryExW(nullptr, QuickLaunchFolder().c_str(), nullptr);

  InstallerSession session;
  ASSERT_TRUE(session.Started());
  // The pages come up at the display's scale (the prefix's DPI), centred.
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (const char* asked = std::getenv("WINE_ENV_DPI")) {
    EXPECT_EQ(dpi, std::atoi(asked));
  }
  HWND welcome = session.WaitForPage(Page::Welcome);
  ASSERT_NE(welcome, nullptr);
  RECT outer;
  GetWindowRect(welcome, &outer);
  EXPECT_EQ(outer.right - outer.left, MulDiv(480, dpi, 96));
  EXPECT_EQ(outer.bottom - outer.top, MulDiv(358, dpi, 96));
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - MulDiv(480, dpi, 96)) / 2);
  HWND location = session.ToLocationPage();
  ASSERT_NE(location, nullptr);
  EXPECT_EQ(session.InstallFolderText(location), L"C:\\Program Files\\");
  session.Click(location, L"下一步");
  HWND progress = session.WaitForPage(Page::Progress, 60000);
  ASSERT_NE(progress, nullptr);
  HWND finish = InstallerSession::Button(progress, L"安装完成");
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(finish) != FALSE; }, 20000)) << "Finish never enabled";
  EXPECT_EQ(ReadText(InstallerSession::EditBox(progress)).value_or(L""),
            ExpectedReport(L"C:\\Program Files\\", L"安装成功...."));
  // Until the installer ends, no other program can move the product folder away and put another
  // in its place: on Windows the installer's handle, which does not share deletion, refuses the
  // rename. Wine renames a folder whatever handles are open on it, so there it is not asked.
  if (!RunningUnderWine()) {
    EXPECT_FALSE(MoveFileExW(L"C:\\Program Files\\Vorlane", L"C:\\Program Files\\Vorlane moved", 0));
  }
  session.Click(progress, L"安装完成");
  EXPECT_EQ(session.WaitForExit(), 0u);
  ExpectCleanEnd(session, 0);

  const std::wstring root = L"C:\\Program Files\\";
  ExpectPayloadInstalled(root);
  ExpectLinksAndRegistration(root);

  // The product folder is administrators' from its first moment, whatever the root lets users
  // do; the folders of the player's own data let Users change what they hold. (Wine keeps only
  // what the Unix mode can hold: what the system was asked to apply is what counts here.)
  const std::wstring product = L"\t" + root + L"Vorlane";
  const std::wstring userFolder =
      L"\tD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)(A;OICI;0x1200a9;;;S-1-15-2-1)";
  EXPECT_EQ(AccessLines(session),
            (std::vector<std::wstring>{
                L"create" + product +
                    L"\tD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICI;0x1200a9;;;S-1-15-2-1)"
                    L"(A;OICI;0x1200a9;;;OW)",
                L"create" + product + L"\\音乐文件" + userFolder,
                L"create" + product + L"\\udin" + userFolder,
                L"create" + product + L"\\yx" + userFolder,
            }));

  // The bar grew 10 pixels a tick up to 425 in 43 ticks, whatever the display's scale; Finish
  // stayed disabled until the last. Its window ended at its stored edges, scaled.
  const auto progressLines = session.ProbeLines("progress.txt");
  std::vector<std::string> expected{"after tick 0: width=5 finish=disabled"};
  for (int tick = 1; tick <= 42; ++tick) {
    std::string line = "after tick ";
    line += std::to_string(tick) + ": width=" + std::to_string(5 + 10 * tick) + " finish=disabled";
    expected.push_back(std::move(line));
  }
  expected.push_back("after tick 43: width=425 finish=enabled");
  expected.push_back("ticks=43");
  expected.push_back("bar window " + std::to_string(MulDiv(21, dpi, 96)) + ".." + std::to_string(MulDiv(446, dpi, 96)));
  EXPECT_EQ(progressLines, expected);
}

TEST_F(Installer, BrowsingFillsTheBoxAndACancelLeavesIt) {
  ScratchFolder scratch(L"browse");
  const std::wstring folder = scratch / L"游戏";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  InstallerSession session;
  HWND location = session.ToLocationPage();
  ASSERT_NE(location, nullptr);
  auto browse = [&](const std::wstring& select, int button) {
    session.Click(location, L"选择路径");
    HWND picker = WaitForWindow({kDialogClass, nullptr, session.ProcessId()}, 10000);
    ASSERT_NE(picker, nullptr);
    EXPECT_FALSE(IsWindowEnabled(location)) << "the page is disabled while the picker is open";
    if (!select.empty()) {
      SelectInPicker(session.Process(), picker, select);
    }
    AnswerDialog(picker, button);
    ASSERT_TRUE(WaitForWindowGone(picker, 10000));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(location) != FALSE; }, 5000));
  };
  browse(folder, IDOK);
  EXPECT_EQ(session.InstallFolderText(location), folder + L"\\");
  browse(L"C:\\", IDOK);
  EXPECT_EQ(session.InstallFolderText(location), L"C:\\");
  browse(L"", IDCANCEL);
  EXPECT_EQ(session.InstallFolderText(location), L"C:\\");
  ASSERT_NO_FATAL_FAILURE(CancelAndConfirm(session, location));
  ExpectCleanEnd(session, 0);
}

TEST_F(Installer, EmptyBlankMissingAndFilePathsAreRefusedOnThePage) {
  ScratchFolder scratch(L"refused");
  const std::wstring file = scratch / L"Vorlane.txt";
  std::ofstream(file.c_str()) << "not a folder";
  InstallerSession session;
  HWND location = session.ToLocationPage();
  ASSERT_NE(location, nullptr);
  struct Case {
    std::wstring typed;
    const wchar_t* message;
  } cases[] = {
      {L"", L"请先输入安装地址"},
      {L"   ", L"请先输入安装地址"},
      {scratch / L"missing", L"安装路径无效，请选择一个已存在的文件夹"},
      {file, L"安装路径无效，请选择一个已存在的文件夹"},
  };
  for (const Case& c : cases) {
    session.SetInstallFolder(location, c.typed);
    session.Click(location, L"下一步");
    HWND box = session.WaitForMessageBox(L"提示");
    ASSERT_NE(box, nullptr) << c.typed;
    EXPECT_EQ(MessageBoxText(box).value_or(L""), c.message) << c.typed;
    AnswerDialog(box, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box, 5000));
    // The page stays as it was, every button usable, the text still there.
    for (const wchar_t* caption : {L"上一步", L"下一步", L"选择路径", L"取消"}) {
      EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(InstallerSession::Button(location, caption)) != FALSE; }, 5000))
          << caption;
    }
    EXPECT_EQ(session.InstallFolderText(location), c.typed);
  }
  EXPECT_EQ(GetFileAttributesW((scratch / L"missing").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(UninstallValue(L"DisplayIcon").has_value()) << "nothing is installed";
  RequestClose(location);
  EXPECT_EQ(session.WaitForExit(), 0u);
  ExpectCleanEnd(session, 0);
}

TEST_F(Installer, AProductFolderThatLinksElsewhereIsRefusedWithNothingWritten) {
  // A standard user may make folders in a root such as C:\ and point one named Vorlane at a
  // folder of their choice: the elevated installer would write wherever it leads.
  ScratchFolder scratch(L"linked");
  const std::wstring elsewhere = scratch / L"elsewhere";
  const std::wstring root = scratch / L"root";
  ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
  ASSERT_TRUE(MakeFolderLink(root + L"\\Vorlane", elsewhere));

  InstallerSession session;
  HWND location = session.ToLocationPage();
  ASSERT_NE(location, nullptr);
  EXPECT_EQ(BoxForRoot(session, location, root, IDOK),
            L"此位置的 Vorlane 文件夹属于其他用户，或是指向其他位置的链接，无法安全安装，请选择其他安装路径");
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(InstallerSession::Button(location, L"下一步")) != FALSE; }, 5000));
  RequestClose(location);
  EXPECT_EQ(session.WaitForExit(), 0u);
  ExpectCleanEnd(session, 0);

  EXPECT_TRUE(IsEmptyFolder(elsewhere)) << "nothing written through the link";
  EXPECT_FALSE(UninstallValue(L"DisplayIcon").has_value());
  EXPECT_TRUE(session.ProbeLines("access.txt").empty()) << "no access list applied";
  EXPECT_EQ(GetFileAttributesW((SpecialFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Tamsic.lnk").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

TEST_F(Installer, ARootWithoutSeparatorAndARelativeRootInstallUnderThem) {
  ScratchFolder scratch(L"apps");
  InstallerSession first;
  EXPECT_EQ(InstallAndFinish(first, scratch.Path()), ExpectedReport(scratch.Path() + L"\\", L"安装成功...."));
  EXPECT_EQ(first.WaitForExit(), 0u);
  ExpectPayloadInstalled(scratch.Path() + L"\\");
  EXPECT_EQ(UninstallValue(L"DisplayIcon"), scratch / L"Vorlane\\卸载.exe");

  // A relative root is taken against the program's own folder.
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
  InstallerSession second;
  ASSERT_TRUE(CreateDirectoryW((second.DownloadFolder() + L"apps").c_str(), nullptr));
  const std::wstring report = InstallAndFinish(second, L"apps");
  EXPECT_EQ(report, ExpectedReport(second.DownloadFolder() + L"apps\\", L"安装成功...."));
  EXPECT_EQ(second.WaitForExit(), 0u);
  ExpectPayloadInstalled(second.DownloadFolder() + L"apps\\");
  ExpectCleanEnd(second, 0);
}

TEST_F(Installer, BackAndNextBuildTheLocationPageAnewWithTheDefaultPath) {
  InstallerSession session;
  using Step = std::pair<const wchar_t*, Page>;
  // Follows the steps from `page`, which ends as the last step's page.
  const auto walk = [&session](HWND& page, std::initializer_list<Step> steps) {
    for (const auto& [caption, next] : steps) {
      page = session.Turn(page, caption, next);
      ASSERT_NE(page, nullptr) << "page " << static_cast<int>(next);
    }
  };
  HWND page = session.WaitForPage(Page::Welcome);
  ASSERT_NE(page, nullptr);
  ASSERT_NO_FATAL_FAILURE(walk(page, {{L"下一步", Page::Agreement}, {L"上一步", Page::Welcome},
                                      {L"下一步", Page::Agreement}, {L"下一步", Page::Location}}));
  session.SetInstallFolder(page, L"D:\\typed");
  ASSERT_NO_FATAL_FAILURE(walk(page, {{L"上一步", Page::Agreement}, {L"下一步", Page::Location}}));
  EXPECT_EQ(session.InstallFolderText(page), L"C:\\Program Files\\");
  RequestClose(page);
  EXPECT_EQ(session.WaitForExit(), 0u);
  ExpectCleanEnd(session, 0);
}

TEST_F(Installer, CancelAnsweredNoKeepsThePageAndYesEndsOnEachPage) {
  for (Page page : {Page::Welcome, Page::Agreement, Page::Location}) {
    InstallerSession session;
    HWND window = nullptr;
    if (page == Page::Location) {
      window = session.ToLocationPage();
    } else {
      window = session.WaitForPage(Page::Welcome);
      if (page == Page::Agreement) window = session.Turn(window, L"下一步", Page::Agreement);
    }
    ASSERT_NE(window, nullptr);
    AnswerPrompt(session, window, L"取消", L"您确定要退出安装?", IDNO);
    EXPECT_EQ(session.WaitForPage(page, 5000), window) << "No leaves the same page open";
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(window) != FALSE; }, 5000));
    ASSERT_NO_FATAL_FAILURE(CancelAndConfirm(session, window));
    ExpectCleanEnd(session, 0);
  }
}

TEST_F(Installer, ClosingAnyPageThroughItsTitleBarEndsWithZero) {
  for (Page page : {Page::Welcome, Page::Agreement, Page::Location, Page::Progress}) {
    InstallerSession session;
    HWND window = nullptr;
    if (page == Page::Welcome) window = session.WaitForPage(Page::Welcome);
    if (page == Page::Agreement) window = session.Turn(session.WaitForPage(Page::Welcome), L"下一步", Page::Agreement);
    if (page == Page::Location) window = session.ToLocationPage();
    if (page == Page::Progress) {
      ScratchFolder root(L"closed");
      window = session.Install(session.ToLocationPage(), root.Path());
    }
    ASSERT_NE(window, nullptr);
    RequestClose(window);
    EXPECT_EQ(session.WaitForExit(), 0u);
    ExpectCleanEnd(session, 0);
  }
}

// A page that cannot be built: the user stays on the page they were on, which still works.
TEST_F(Installer, APageThatCannotBeBuiltLeavesTheUserOnThePageBefore) {
  SetEnvironmentVariableW(L"VL_PROBE_SECOND_PAGE_FAILS", L"1");
  InstallerSession session;
  SetEnvironmentVariableW(L"VL_PROBE_SECOND_PAGE_FAILS", nullptr);
  HWND welcome = session.WaitForPage(Page::Welcome);
  ASSERT_NE(welcome, nullptr);
  session.Click(welcome, L"下一步");
  EXPECT_EQ(session.WaitForPage(Page::Agreement, 2000), nullptr);
  EXPECT_TRUE(IsWindowVisible(welcome));
  // Next again builds the page.
  EXPECT_NE(session.Turn(welcome, L"下一步", Page::Agreement), nullptr);
  RequestClose(session.WaitForPage(Page::Agreement));
  EXPECT_EQ(session.WaitForExit(), 0u);
}

TEST_F(Installer, AReinstallReplacesEveryFileAndASecondRootTakesTheRegistrationOver) {
  SHCreateDirectoryExW(nullptr, QuickLaunchFolder().c_str(), nullptr);
  ScratchFolder first(L"first");
  InstallerSession one;
  InstallAndFinish(one, first.Path());
  ASSERT_EQ(one.WaitForExit(), 0u);
  // Spoil a visible file and a hidden runtime file: the reinstall must replace both. Remove a
  // value of the registration: the reinstall must give it back.
  for (const wchar_t* name : {L"Vorlane\\Vorlane.exe", L"Vorlane\\krnln.fnr"}) {
    const std::wstring path = first / name;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc) << "spoilt";
    if (std::wstring(name).find(L"krnln") != std::wstring::npos) {
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    }
  }
  ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName"), ERROR_SUCCESS);
  std::ofstream((first / L"Vorlane\\音乐文件\\song.mp3").c_str()) << "the user's";
  InstallerSession two;
  EXPECT_EQ(InstallAndFinish(two, first.Path()), ExpectedReport(first.Path() + L"\\", L"安装成功...."));
  EXPECT_EQ(two.WaitForExit(), 0u);
  EXPECT_EQ(FileBytes(first / L"Vorlane\\音乐文件\\song.mp3"), "the user's");
  ASSERT_TRUE(DeleteFileW((first / L"Vorlane\\音乐文件\\song.mp3").c_str()));
  ExpectPayloadInstalled(first.Path() + L"\\");
  EXPECT_EQ(UninstallValue(L"DisplayName"), L"Vorlanev2.6");
  // Every item below the product folder but the users' own folders is first left only the entries
  // it inherits; then the folders that were there are given their lists again, the product
  // folder's with read and execute for whoever owns an item (owning it gives no right to change
  // its list); only the product folder may be a link an administrator made.
  auto access = AccessLines(two);
  const auto inheritOnly = std::stable_partition(access.begin(), access.end(), [](const std::wstring& line) {
    return line.starts_with(L"inherit only\t");
  });
  const std::vector<std::wstring> swept(access.begin(), inheritOnly);
  access.erase(access.begin(), inheritOnly);
  const auto sweptEnding = [&](const std::wstring& ending) {
    return std::count_if(swept.begin(), swept.end(), [&](const std::wstring& line) { return line.ends_with(ending); });
  };
  EXPECT_EQ(sweptEnding(L"\\Vorlane\\Vorlane.exe"), 1);
  EXPECT_EQ(sweptEnding(L"\\Vorlane\\tade\\lintok"), 1);
  EXPECT_EQ(sweptEnding(L"\\音乐文件") + sweptEnding(L"\\song.mp3"), 0);
  // The carried files, the website's link and the folders that are not the users'.
  EXPECT_EQ(swept.size(), 34u + 1u + 9u);
  ASSERT_EQ(access.size(), 4u);
  EXPECT_EQ(access[0].rfind(L"apply to everything below\t" + first.Path() + L"\\Vorlane\tD:PAI(", 0), 0u) << access[0];
  EXPECT_TRUE(access[0].ends_with(L"(A;OICI;0x1200a9;;;OW)")) << access[0];
  EXPECT_EQ(access[1], L"apply\t" + first.Path() + L"\\Vorlane\\音乐文件\tD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
                                                   L"(A;OICI;0x1301bf;;;BU)(A;OICI;0x1200a9;;;S-1-15-2-1)");

  // The registration follows the latest installation: the first one's uninstaller may go.
  ScratchFolder second(L"second");
  InstallerSession three;
  InstallAndFinish(three, second.Path());
  EXPECT_EQ(three.WaitForExit(), 0u);
  ExpectPayloadInstalled(second.Path() + L"\\");
  ExpectLinksAndRegistration(second.Path() + L"\\");
  ExpectCleanEnd(three, 0);
}

TEST_F(Installer, AnUndoneInstallationSaysWhatItLeft) {
  // A file named Vorlane where the product folder belongs: the installation has nowhere to keep
  // its journal, so it begins nothing and says that nothing was installed.
  ScratchFolder blocked(L"blocked");
  std::ofstream((blocked / L"Vorlane").c_str()) << "in the way";
  InstallerSession session;
  EXPECT_EQ(InstallAndFinish(session, blocked.Path()),
            ExpectedReport(blocked.Path() + L"\\", L"安装失败，未安装任何文件...."));
  EXPECT_EQ(session.WaitForExit(), 0u);
  EXPECT_EQ(FileBytes(blocked / L"Vorlane"), "in the way");
  EXPECT_FALSE(UninstallValue(L"DisplayIcon").has_value());
  ExpectCleanEnd(session, 0);

  // Over an installation, a refused rename undoes the pass, and the report says the earlier
  // installation is as it was.
  ScratchFolder installed(L"installed");
  InstallerSession first(L"/S /D=" + installed.Path());
  ASSERT_EQ(first.WaitForExit(60000), 0u);
  EXPECT_EQ(InstallRefusing(L"Vorlane.exe.vlold", installed.Path()),
            ExpectedReport(installed.Path() + L"\\", L"安装失败，原有安装未作更改...."));
  ExpectPayloadInstalled(installed.Path() + L"\\");
}

TEST_F(Installer, RefusedShortcutsAreCountedInTheReportAndUndoNothing) {
  // The probe refuses the desktop link as a refusing disk would; the Quick Launch folder of a new
  // prefix does not exist, so that link is not attempted. The product runs without the link.
  ScratchFolder root(L"refused");
  EXPECT_EQ(InstallRefusing(L"Desktop\\Tamsic.lnk", root.Path()),
            ExpectedReport(root.Path() + L"\\", L"安装失败：1项未能完成...."));
  ExpectPayloadInstalled(root.Path() + L"\\");
  EXPECT_EQ(UninstallValue(L"DisplayIcon"), root / L"Vorlane\\卸载.exe");
  EXPECT_EQ(UninstallNumber(L"NoRepair"), 1u);
}

TEST_F(Installer, AFullDriveIsRefusedOnThePageWithNothingWritten) {
  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExW(L"R:\\", &available, &total, &free) || total.QuadPart > 4u * 1024 * 1024) {
    GTEST_SKIP() << "drive R: is not the test's small filesystem (mounting a tmpfs needs root)";
  }
  RemoveTree(L"R:\\Vorlane");
  InstallerSession session;
  HWND location = session.ToLocationPage();
  ASSERT_NE(location, nullptr);
  session.SetInstallFolder(location, L"R:\\");
  AnswerPrompt(session, location, L"下一步", L"磁盘空间不足，请选择其他安装路径。", IDOK);
  EXPECT_EQ(GetFileAttributesW(L"R:\\Vorlane"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(IsWindow(location)) << "the page stays for another root";
  CancelAndConfirm(session, location);

  // Unattended, the same refusal ends with 1, and the log says why.
  ScratchFolder caller(L"caller");
  InstallerSession silent(L"/S /LOG=full.txt /D=R:\\", caller.Path());
  EXPECT_EQ(silent.WaitForExit(60000), 1u);
  EXPECT_EQ(GetFileAttributesW(L"R:\\Vorlane"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(FileBytes(caller / L"full.txt").value_or("").find("space failed R:\\\r\nverdict failed 1\r\n"),
            std::string::npos);
}

TEST_F(Installer, ShortcutsGoToSpecialFoldersNamedOutsideGbkAndTheUninstallerRemovesThem) {
  // The user moved the desktop and the program menu to folders whose names GBK cannot write
  // (Hangul, and an emoji beyond the 16-bit range): the paths Windows hands the programs hold
  // them. The redirection stays in this scenario's own prefix.
  const std::wstring desktop = L"C:\\users\\Public\\바탕 화면 🎵";
  const std::wstring programs = L"C:\\users\\Public\\프로그램 🎵";
  constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  for (const auto& [value, folder] : {std::pair{L"Desktop", desktop}, std::pair{L"Programs", programs}}) {
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const auto bytes = static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, value, REG_EXPAND_SZ, folder.c_str(), bytes),
              ERROR_SUCCESS);
  }
  ASSERT_EQ(SpecialFolder(CSIDL_DESKTOPDIRECTORY), desktop) << "the shell follows the redirection";
  ASSERT_EQ(SpecialFolder(CSIDL_PROGRAMS), programs);
  SHCreateDirectoryExW(nullptr, QuickLaunchFolder().c_str(), nullptr);

  ScratchFolder root(L"moved");
  InstallerSession session;
  EXPECT_EQ(InstallAndFinish(session, root.Path()), ExpectedReport(root.Path() + L"\\", L"安装成功...."));
  EXPECT_EQ(session.WaitForExit(), 0u);
  ExpectLinksAndRegistration(root.Path() + L"\\");

  ChildProcess uninstaller(root / L"Vorlane\\卸载.exe", L"");
  const WindowQuery box{kDialogClass, L"Vorlane 卸载", uninstaller.Id()};
  HWND question = WaitForWindow(box, 15000);
  ASSERT_NE(question, nullptr);
  AnswerDialog(question, IDYES);
  ASSERT_TRUE(WaitForWindowGone(question, 15000));
  HWND result = WaitForWindow(box, 15000);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(MessageBoxText(result).value_or(L""), L"Vorlane 已从您的计算机中删除。");
  AnswerDialog(result, IDOK);
  EXPECT_EQ(uninstaller.WaitForExit(), 0u);
  EXPECT_EQ(GetFileAttributesW((desktop + L"\\Tamsic.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((programs + L"\\Vorlane").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Unattended: the exit code tells how it went, and no window ever waits on a person (one would
// keep the program from ending).
TEST_F(Installer, SilentInstallationsEndWithTheirExitCodes) {
  const auto silent = [](const std::wstring& arguments, const std::wstring& workingFolder = {}) {
    InstallerSession session(arguments, workingFolder);
    return session.WaitForExit(60000);
  };
  SHCreateDirectoryExW(nullptr, QuickLaunchFolder().c_str(), nullptr);
  EXPECT_EQ(silent(L"/S"), 0u);
  ExpectPayloadInstalled(L"C:\\Program Files\\");
  ExpectLinksAndRegistration(L"C:\\Program Files\\");

  ScratchFolder blanks(L"with blanks");
  EXPECT_EQ(silent(L"/s /D=" + blanks.Path()), 0u);
  ExpectPayloadInstalled(blanks.Path() + L"\\");
  ExpectLinksAndRegistration(blanks.Path() + L"\\");

  // Relative to the caller's current folder, not the program's.
  ScratchFolder caller(L"caller");
  ASSERT_TRUE(CreateDirectoryW((caller / L"sub").c_str(), nullptr));
  EXPECT_EQ(silent(L"/S /D=sub", caller.Path()), 0u);
  EXPECT_NE(GetFileAttributesW((caller / L"sub\\Vorlane\\Vorlane.exe").c_str()), INVALID_FILE_ATTRIBUTES);

  EXPECT_EQ(silent(L"/S /D=" + blanks.Path() + L"\\missing"), 1u);
  EXPECT_EQ(GetFileAttributesW((blanks / L"missing").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(silent(L"/S /Q"), 2u);

  // Nothing can be begun: exit 7, and the log (relative to the caller, appended) tells why.
  ScratchFolder blocked(L"blocked 阻塞");
  std::ofstream((blocked / L"Vorlane").c_str()) << "in the way";
  std::ofstream((caller / L"run log.txt").c_str(), std::ios::binary) << "an earlier run\r\n";
  EXPECT_EQ(silent(L"/S \"/LOG=run log.txt\" /D=" + blocked.Path(), caller.Path()), 7u);
  const std::string log = FileBytes(caller / L"run log.txt").value_or("");
  const std::string root = Utf8(blocked.Path() + L"\\");
  EXPECT_TRUE(log.starts_with("an earlier run\r\n\"")) << log;
  EXPECT_NE(log.find("/S \"/LOG=run log.txt\" /D=" + Utf8(blocked.Path()) + "\r\n" + root + "\r\n"),
            std::string::npos) << log;
  EXPECT_TRUE(log.ends_with("journal failed " + root + "Vorlane\\setup.vljournal\r\nundo ok " + root +
                            "Vorlane\r\nverdict failed 1\r\n"))
      << log;

  // As LocalSystem, or as another account than the desktop's, the links go to every user's desktop
  // and Programs, and no one's Quick Launch; the uninstaller, as the registration runs it
  // silently, finds them there.
  const std::wstring quickLaunchLink = QuickLaunchFolder() + L"\\Tamsic.lnk";
  for (const wchar_t* probe : {L"VL_PROBE_LOCAL_SYSTEM", L"VL_PROBE_DESKTOP_OF_ANOTHER_ACCOUNT"}) {
    SCOPED_TRACE(Utf8(probe));
    ScratchFolder machine(L"machine");
    DeleteFileW(quickLaunchLink.c_str());
    SetEnvironmentVariableW(probe, L"1");
    EXPECT_EQ(silent(L"/S /D=" + machine.Path()), 0u);
    SetEnvironmentVariableW(probe, nullptr);
    const std::wstring player = Normal(machine.Path() + L"\\Vorlane\\Vorlane.exe");
    EXPECT_EQ(Normal(ShellLinkTarget(SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Tamsic.lnk").value_or(L"")),
              player);
    EXPECT_EQ(Normal(ShellLinkTarget(SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Vorlane\\Tamsic.lnk").value_or(L"")),
              player);
    EXPECT_EQ(GetFileAttributesW(quickLaunchLink.c_str()), INVALID_FILE_ATTRIBUTES);
    ChildProcess uninstaller(machine / L"Vorlane\\卸载.exe", L"/S");
    EXPECT_EQ(uninstaller.WaitForExit(60000), 0u);
    EXPECT_EQ(GetFileAttributesW((SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Tamsic.lnk").c_str()),
              INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Vorlane").c_str()),
              INVALID_FILE_ATTRIBUTES);
  }
}

// The root and the folders above it: where another account could rename a folder (Wine derives
// the lists from Unix modes: 777 lets Everyone delete and rename, 755 does not), the page asks and
// an unattended run installs only with /ALLOWUNPROTECTED; below a link a user made two levels up,
// nothing is written.
TEST_F(Installer, ARootOthersMayRenameIsAskedAboutAndOneBelowAForeignLinkRefused) {
  ScratchFolder base(L"ancestors");
  if (!MakeModeFolder(base / L"open", L"777")) GTEST_SKIP() << "a folder of a Unix mode is made only under Wine";
  ASSERT_TRUE(MakeModeFolder(base / L"closed", L"755"));
  ScratchFolder elsewhere(L"linked to");
  ASSERT_TRUE(MakeFolderLink(base / L"link", elsewhere.Path()));
  for (const std::wstring& folder : {base / L"open\\root", base / L"closed\\root", elsewhere / L"a"}) {
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << folder;
  }
  ASSERT_TRUE(CreateDirectoryW((elsewhere / L"a\\b").c_str(), nullptr));
  const auto silent = [](const std::wstring& arguments) { return InstallerSession(arguments).WaitForExit(60000); };
  const auto installed = [](const std::wstring& root) {
    return GetFileAttributesW((root + L"\\Vorlane").c_str()) != INVALID_FILE_ATTRIBUTES;
  };

  EXPECT_EQ(silent(L"/S /D=" + base / L"open\\root"), 1u);
  EXPECT_FALSE(installed(base / L"open\\root"));
  EXPECT_EQ(silent(L"/S /D=" + base / L"link\\a\\b"), 1u);
  EXPECT_FALSE(installed(elsewhere / L"a\\b"));
  EXPECT_EQ(silent(L"/S /D=" + base / L"closed\\root"), 0u);
  EXPECT_TRUE(installed(base / L"closed\\root"));

  {
    InstallerSession session;
    HWND location = session.ToLocationPage();
    ASSERT_NE(location, nullptr);
    EXPECT_EQ(BoxForRoot(session, location, base / L"open\\root", IDNO),
              L"此位置或其上级文件夹允许其他用户删除或重命名，其他用户可能替换安装的程序。仍要安装到这里吗？");
    EXPECT_EQ(session.InstallFolderText(location), base / L"open\\root");
    EXPECT_FALSE(installed(base / L"open\\root"));
    ASSERT_NO_FATAL_FAILURE(CancelAndConfirm(session, location));
  }
  EXPECT_EQ(silent(L"/S /ALLOWUNPROTECTED /D=" + base / L"open\\root"), 0u);
  EXPECT_TRUE(installed(base / L"open\\root"));
}

// An item below the product folder that another account owns (the probe makes it so: under Wine
// the running user owns everything) refuses the root before anything changes, and the box and the
// log name it; in the users' own folders it is theirs to keep.
TEST_F(Installer, AnExistingTreeWithAnItemOfAnotherOwnerIsRefusedAndNamed) {
  ScratchFolder root(L"planted");
  ASSERT_EQ(InstallerSession(L"/S /D=" + root.Path()).WaitForExit(60000), 0u);
  const std::wstring planted = root / L"Vorlane\\tade\\planted.dll";
  std::ofstream(planted.c_str()) << "a user's";
  std::ofstream((root / L"Vorlane\\yx\\planted.dll").c_str()) << "a user's";
  SetEnvironmentVariableW(L"VL_PROBE_FOREIGN_OWNER", L"planted.dll");
  const std::wstring log = root / L"run.txt";
  InstallerSession silent(L"/S \"/LOG=" + log + L"\" /D=" + root.Path());
  EXPECT_EQ(silent.WaitForExit(60000), 1u);
  EXPECT_TRUE(silent.ProbeLines("access.txt").empty()) << "nothing changed";
  const std::string logged = FileBytes(log).value_or("");
  EXPECT_TRUE(logged.ends_with("folder failed " + Utf8(planted) + "\r\nverdict failed 1\r\n")) << logged;
  {
    InstallerSession session;
    HWND location = session.ToLocationPage();
    ASSERT_NE(location, nullptr);
    EXPECT_EQ(BoxForRoot(session, location, root.Path(), IDOK),
              L"此位置的 Vorlane 文件夹属于其他用户，或是指向其他位置的链接，无法安全安装，请选择其他安装路径\r\n" + planted);
    ASSERT_NO_FATAL_FAILURE(CancelAndConfirm(session, location));
  }
  ASSERT_TRUE(DeleteFileW(planted.c_str()));
  EXPECT_EQ(InstallerSession(L"/S /D=" + root.Path()).WaitForExit(60000), 0u);
  SetEnvironmentVariableW(L"VL_PROBE_FOREIGN_OWNER", nullptr);
}

// /LOG= names a file that a run, perhaps elevated by another account, appends to: one reached
// through a linked file or folder, a second name of a file, a device or a script is never
// written, and the run goes on without a log. A plain file in the caller's folder is the log as
// before.
TEST_F(Installer, ALogThatLeadsElsewhereIsNeverWritten) {
  ScratchFolder caller(L"log caller");
  ScratchFolder elsewhere(L"log elsewhere");
  const std::wstring victim = elsewhere / L"victim.txt";
  std::ofstream(victim.c_str(), std::ios::binary) << "kept";
  ASSERT_TRUE(MakeFileLink(caller / L"linked.txt", victim));
  ASSERT_TRUE(MakeFolderLink(caller / L"through", elsewhere.Path()));
  ASSERT_TRUE(CreateHardLinkW((caller / L"hard.txt").c_str(), victim.c_str(), nullptr));
  const std::wstring missing = caller / L"missing";
  for (const std::wstring& log :
       {caller / L"linked.txt", caller / L"through\\victim.txt", caller / L"hard.txt", std::wstring(L"\\\\.\\NUL"),
        caller / L"logon.Bat"}) {
    InstallerSession session(L"/S \"/LOG=" + log + L"\" /D=" + missing);
    EXPECT_EQ(session.WaitForExit(60000), 1u) << log;
    EXPECT_EQ(FileBytes(victim).value_or(""), "kept") << log;
    EXPECT_EQ(session.ProbeLines("refused logs.txt"), std::vector<std::string>{ToGbk(log)}) << log;
  }
  // Nor is one made under a name the system would run: the log's first line is the command line.
  EXPECT_EQ(GetFileAttributesW((caller / L"logon.Bat").c_str()), INVALID_FILE_ATTRIBUTES);
  InstallerSession plain(L"/S \"/LOG=" + (caller / L"plain.txt") + L"\" /D=" + missing);
  EXPECT_EQ(plain.WaitForExit(60000), 1u);
  EXPECT_TRUE(FileBytes(caller / L"plain.txt").value_or("").ends_with("verdict failed 1\r\n"));
}

TEST_F(Installer, TheCommandLineFillsTheBoxAndAsksForHelp) {
  // /D= takes the rest of the line from where its argument starts, whatever "/D=" the path holds.
  for (const auto& [arguments, root] : {std::pair{L"/D=C:\\Some Where\\", L"C:\\Some Where\\"},
                                        std::pair{L"/D=C:/Apps/d=x/", L"C:\\Apps\\d=x\\"}}) {
    InstallerSession session(arguments);
    HWND location = session.ToLocationPage();
    ASSERT_NE(location, nullptr) << arguments;
    EXPECT_EQ(session.InstallFolderText(location), root);
    ASSERT_NO_FATAL_FAILURE(CancelAndConfirm(session, location));
  }
  // The log is made only once a root is accepted: a run cancelled before leaves none.
  ScratchFolder caller(L"unlogged");
  {
    InstallerSession session(L"\"/LOG=" + (caller / L"run.txt") + L"\"");
    HWND location = session.ToLocationPage();
    ASSERT_NE(location, nullptr);
    ASSERT_NO_FATAL_FAILURE(CancelAndConfirm(session, location));
  }
  EXPECT_EQ(GetFileAttributesW((caller / L"run.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  for (const auto& [arguments, code] : {std::pair{L"/?", 0u}, std::pair{L"/help", 0u}, std::pair{L"/Q", 2u}}) {
    InstallerSession session(arguments);
    HWND box = session.WaitForMessageBox(L"提示");
    ASSERT_NE(box, nullptr) << arguments;
    EXPECT_NE(MessageBoxText(box).value_or(L"").find(L"/D=路径"), std::wstring::npos) << arguments;
    AnswerDialog(box, IDOK);
    EXPECT_EQ(session.WaitForExit(), code) << arguments;
  }
}


// Copies of the installer with one stored byte or one recorded digest changed, as a download cut
// short or a flipped bit would leave them: the damage is shown on the first page without a
// click, the program ends with -1, or with 3 unattended, and nothing is installed.
TEST_F(Installer, ADamagedCopyShowsTheDamageAndInstallsNothing) {
  const std::string original = FileBytes(Wide(TestProgramFolder()) + L"VorlaneSetupProbe.exe").value_or("");
  ASSERT_FALSE(original.empty());
  const auto stored = payload::StoredContents();
  const auto findOnce = [&](std::string_view bytes) {
    const std::size_t at = original.find(bytes);
    EXPECT_NE(at, std::string::npos);
    EXPECT_EQ(original.find(bytes, at + 1), std::string::npos);
    return at;
  };
  const auto byteSet = [](const payload::StoredContent& content) {
    return std::string_view(static_cast<const char*>(payload::Entries()[content.entryIndex].content), content.size);
  };
  const auto record = [](const payload::StoredContent& content) {
    return std::string_view(reinterpret_cast<const char*>(&content), sizeof content);
  };
  const struct {
    std::size_t at;
    const payload::StoredContent& content;
  } damages[] = {{findOnce(byteSet(stored.front())) + stored.front().size / 2, stored.front()},
                 {findOnce(byteSet(stored.back())) + stored.back().size - 1, stored.back()},
                 {findOnce(record(stored[5])) + offsetof(payload::StoredContent, crc32c), stored[5]}};
  ScratchFolder download(L"download");
  ScratchFolder root(L"damaged root");
  const std::wstring copy = download / L"VorlaneSetup.exe";
  const std::wstring log = download / L"run.log";
  for (const auto& damage : damages) {
    std::string damaged = original;
    damaged[damage.at] = static_cast<char>(damaged[damage.at] ^ 0x10);
    std::ofstream(copy.c_str(), std::ios::binary | std::ios::trunc) << damaged;
    const std::wstring entry = FromGbk(payload::Entries()[damage.content.entryIndex].path);

    ChildProcess interactive(copy, L"\"/D=" + root.Path() + L"\"");
    HWND box = WaitForWindow({kDialogClass, L"错误", interactive.Id()}, 20000);
    ASSERT_NE(box, nullptr) << entry << DescribeWindows(interactive.Id());
    EXPECT_EQ(MessageBoxText(box).value_or(L""), L"安装程序数据已损坏，请重新下载。");
    AnswerDialog(box, IDOK);
    EXPECT_EQ(interactive.WaitForExit(), 0xFFFFFFFFu) << entry;

    DeleteFileW(log.c_str());
    ChildProcess silent(copy, L"/S \"/LOG=" + log + L"\" /D=" + root.Path());
    EXPECT_EQ(silent.WaitForExit(60000), 3u) << entry;
    const std::string logged = FileBytes(log).value_or("");
    EXPECT_TRUE(logged.ends_with("\r\ncontent failed " + Utf8(entry) + "\r\nverdict failed 1\r\n")) << logged;
  }
  EXPECT_EQ(GetFileAttributesW((root / L"Vorlane").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(L"C:\\Program Files\\Vorlane"), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(UninstallValue(L"DisplayIcon").has_value());
}


}  // namespace
}  // namespace vl::test
