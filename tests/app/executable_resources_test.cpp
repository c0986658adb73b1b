// Both programs as Windows shows them: the version the file properties read through the version
// functions, the icon the shell extracts for the program, and the display scaling their manifests
// ask for; and the installer's file laid out for a quick start.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Program {
  const char* path;  // the build tree's path, reached through Wine's drive Z:
  const wchar_t* description;
  const wchar_t* originalName;
};

std::wstring WindowsPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* c = unixPath; *c != '\0'; ++c) path += static_cast<wchar_t>(*c == '/' ? '\\' : *c);
  return path;
}

std::wstring VersionText(const std::vector<BYTE>& info, const std::wstring& table, const wchar_t* name) {
  void* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), (table + name).c_str(), &text, &length) || text == nullptr) return L"<missing>";
  return static_cast<const wchar_t*>(text);
}

// The icon's size and its top-left pixel, drawn on white.
struct IconLook {
  int width = 0;
  int height = 0;
  COLORREF corner = CLR_INVALID;
};

IconLook LookOf(HICON icon) {
  IconLook look;
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info)) return look;
  BITMAP bitmap{};
  GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  look.width = bitmap.bmWidth;
  look.height = info.hbmColor != nullptr ? bitmap.bmHeight : bitmap.bmHeight / 2;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, look.width, look.height);
  HGDIOBJ old = SelectObject(memory, canvas);
  PatBlt(memory, 0, 0, look.width, look.height, WHITENESS);
  DrawIconEx(memory, 0, 0, icon, look.width, look.height, 0, nullptr, DI_NORMAL);
  look.corner = GetPixel(memory, 0, 0);
  SelectObject(memory, old);
  DeleteObject(canvas);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return look;
}

class ExecutableResources : public ::testing::TestWithParam<Program> {};

TEST_P(ExecutableResources, CarryTheirVersionAndTheProductsIcons) {
  const std::wstring path = WindowsPath(GetParam().path);

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u) << GetLastError();
  std::vector<BYTE> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(6, 2));
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(6, 2));
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  // The string table is found the way the file properties find it: through the translation.
  WORD* translation = nullptr;
  ASSERT_TRUE(
      VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 1200);
  wchar_t table[64];
  std::swprintf(table, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  EXPECT_EQ(VersionText(info, table, L"FileDescription"), GetParam().description);
  EXPECT_EQ(VersionText(info, table, L"OriginalFilename"), GetParam().originalName);
  EXPECT_EQ(VersionText(info, table, L"ProductName"), L"Vorlane");
  EXPECT_EQ(VersionText(info, table, L"FileVersion"), L"2.6.0.0");
  EXPECT_EQ(VersionText(info, table, L"ProductVersion"), L"2.6.0.0");
  EXPECT_NE(VersionText(info, table, L"LegalCopyright").find(L"Vorlane"), std::wstring::npos);

  // The shell's icons of the program, at the two sizes it shows.
  EXPECT_EQ(ExtractIconExW(path.c_str(), -1, nullptr, nullptr, 0), 1u);
  HICON large = nullptr;
  HICON small = nullptr;
  ExtractIconExW(path.c_str(), 0, &large, &small, 1);
  const IconLook shellLarge = LookOf(large);
  const IconLook shellSmall = LookOf(small);
  EXPECT_EQ(shellLarge.width, 32);
  EXPECT_EQ(shellLarge.height, 32);
  EXPECT_EQ(shellSmall.width, 16);
  EXPECT_EQ(shellSmall.height, 16);
  if (large != nullptr) DestroyIcon(large);
  if (small != nullptr) DestroyIcon(small);

  // The icon group holds exactly the two images, each drawn in the emblem's colours (its rim is
  // red), so neither size is scaled from the other.
  HMODULE image = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(image, nullptr);
  HRSRC group = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(image, group)));
  ASSERT_EQ(SizeofResource(image, group), 6u + 2 * 14u);  // the header and two 14-byte entries
  EXPECT_EQ(directory[4], 2);
  EXPECT_EQ(directory[6], 32);
  EXPECT_EQ(directory[6 + 14], 16);
  for (const int side : {32, 16}) {
    HICON icon = static_cast<HICON>(LoadImageW(image, MAKEINTRESOURCEW(1), IMAGE_ICON, side, side, 0));
    EXPECT_EQ(LookOf(icon).corner, RGB(200, 30, 40)) << side;
    if (icon != nullptr) DestroyIcon(icon);
  }
  FreeLibrary(image);
}

// Windows stretches the windows and message boxes of a program that declares no DPI awareness;
// Wine never does, so what is checked is the declaration as the system's activation context reads
// it from the manifest: per-monitor (V2), with the system DPI as the fallback of older systems.
TEST_P(ExecutableResources, DeclarePerMonitorDpiAwareness) {
  const std::wstring path = WindowsPath(GetParam().path);
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = path.c_str();
  request.lpResourceName = MAKEINTRESOURCEW(1);
  HANDLE context = CreateActCtxW(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << GetLastError();
  auto setting = [&](const wchar_t* ns, const wchar_t* name) {
    wchar_t value[64] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context, ns, name, value, 64, &written)) return std::wstring(L"<missing>");
    return std::wstring(value);
  };
  EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"), L"PerMonitorV2");
  EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true");
  ReleaseActCtx(context);
}

// The payload's section starts on a page of the installer's file, where a loader can map it
// instead of reading its megabytes into memory at every start.
TEST(InstallerImage, MapsItsPayloadFromTheFile) {
  std::FILE* file = std::fopen(VL_INSTALLER_EXE, "rb");
  ASSERT_NE(file, nullptr);
  std::vector<BYTE> head(4096);
  head.resize(std::fread(head.data(), 1, head.size(), file));
  std::fclose(file);
  ASSERT_GE(head.size(), 1024u);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(head.data());
  ASSERT_LT(static_cast<std::size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32), head.size());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(head.data() + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
  ASSERT_LE(reinterpret_cast<const BYTE*>(sections + nt->FileHeader.NumberOfSections), head.data() + head.size());
  const IMAGE_SECTION_HEADER* largest = sections;
  for (int i = 1; i < nt->FileHeader.NumberOfSections; ++i) {
    if (sections[i].SizeOfRawData > largest->SizeOfRawData) largest = sections + i;
  }
  EXPECT_STREQ(reinterpret_cast<const char*>(largest->Name), ".rdata");
  EXPECT_GT(largest->SizeOfRawData, 7000000u);
  EXPECT_EQ(largest->PointerToRawData % nt->OptionalHeader.SectionAlignment, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    BothPrograms, ExecutableResources,
    ::testing::Values(Program{VL_INSTALLER_EXE, L"Vorlane 2.6 安装程序", L"VorlaneSetup.exe"},
                      Program{VL_UNINSTALLER_EXE, L"Vorlane 2.6 卸载程序", L"卸载.exe"}));

}  // namespace
