// Reads the version resource and the manifest back from the built
// velmora.exe, as Explorer and the loader see them, and compares them with
// the project's version. Windows side of the boundary; runs under Wine.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "dialog/win32/backend_win32.h"

namespace {

using dialog::win32::narrow;
using dialog::win32::widen;

// Compile definitions from the build: the program and the project version.
const std::wstring kProgram = widen(VELMORA_TEST_PROGRAM);
const std::string kVersion = VELMORA_PROJECT_VERSION;
const std::string kVersionQuad = VELMORA_VERSION_QUAD;

class VersionInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(kProgram.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    data_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(kProgram.c_str(), 0, size, data_.data()));
  }

  // A string of the first translation the resource lists.
  std::string value(const char* name) {
    struct Translation {
      WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof *translation)
      return "(no translation)";
    wchar_t path[96];
    swprintf(path, 96, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language,
             translation->codePage, widen(name).c_str());
    wchar_t* text = nullptr;
    if (!VerQueryValueW(data_.data(), path, reinterpret_cast<void**>(&text), &length))
      return "(missing)";
    return narrow(std::wstring_view(text, length > 0 ? length - 1 : 0));
  }

  std::vector<char> data_;
};

TEST_F(VersionInfo, StringsNameTheProgramAndTheProjectVersion) {
  const struct {
    const char* name;
    std::string expected;
  } cases[] = {
      {"ProductName", "Velmora"},
      {"FileVersion", kVersionQuad},
      {"ProductVersion", kVersion},
      {"OriginalFilename", "velmora.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, value(c.name)) << c.name;
  EXPECT_NE(std::string::npos, value("FileDescription").find("Velmora"));
  EXPECT_EQ(0u, value("LegalCopyright").rfind("Copyright (C) ", 0)) << value("LegalCopyright");
}

TEST_F(VersionInfo, FixedPartCarriesTheSameNumbers) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
  const std::string fileVersion = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                  std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                  std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                  std::to_string(LOWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(kVersionQuad, fileVersion);
  EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
  EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
  EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
}

// The manifest the loader reads: resource 1 of type RT_MANIFEST (24).
std::string manifest() {
  HMODULE module = LoadLibraryExW(kProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return {};
  std::string text;
  if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    const void* bytes = LockResource(LoadResource(module, found));
    if (bytes) text.assign(static_cast<const char*>(bytes), SizeofResource(module, found));
  }
  FreeLibrary(module);
  return text;
}

TEST(Manifest, DeclaresTheVersionDpiAwarenessSystemsAndRights) {
  const std::string text = manifest();
  ASSERT_FALSE(text.empty()) << "no manifest";
  const std::regex identity(
      R"re(<assemblyIdentity type="win32" name="Velmora" version="([^"]*)")re");
  std::smatch found;
  ASSERT_TRUE(std::regex_search(text, found, identity));
  EXPECT_EQ(kVersionQuad, found[1].str());

  const char* wanted[] = {
      // Common controls 6, for the visual style.
      R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
      // DPI awareness, old and new spelling: system aware.
      R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>)",
      R"(<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">system<)",
      R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)",
      // Windows 7, 8, 8.1, and 10 and 11.
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
  };
  for (const char* piece : wanted) EXPECT_NE(std::string::npos, text.find(piece)) << piece;
}

TEST(Manifest, IsHonouredByTheLoader) {
  // This test program carries the same manifest: the loader made it DPI aware.
  EXPECT_TRUE(IsProcessDPIAware());
}

}  // namespace
