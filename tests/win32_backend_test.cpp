// Checks that only the Win32 backend has: the styles and icons as the
// platform applied them, the font heights, and a modal loop that sleeps
// while idle. Windows side of the boundary.
#include <gtest/gtest.h>

#include "dialog/dialog.h"
#include "dialog/testing.h"
#include "dialog/win32/backend_win32.h"

#include <commctrl.h>

namespace {

using namespace dialog;
namespace dt = dialog::testing;
using win32::toHwnd;

std::intptr_t quietCallback(Handle, std::uint32_t, WParam, LParam) {
  return 0;
}

std::int32_t runThen(Handle window, std::function<void()> step) {
  dt::queueSteps({std::move(step), [window] { endWindow(window, 0); }});
  return showModal(window, quietCallback);
}

DWORD styleOf(Handle handle) {
  return static_cast<DWORD>(GetWindowLongW(toHwnd(handle), GWL_STYLE));
}
DWORD exStyleOf(Handle handle) {
  return static_cast<DWORD>(GetWindowLongW(toHwnd(handle), GWL_EXSTYLE));
}

TEST(Win32Windows, StylesAreAppliedAsTheLayerComputesThem) {
  const Handle main =
      createWindow(0, "Velmora", kDefaultPosition, kDefaultPosition, 367, 457, kWsMinimizeBox, 0);
  const Handle popup =
      createWindow(0, "Configurador", kDefaultPosition, kDefaultPosition, 100, 100, 0, 0);
  addControl(popup, 10, "", 5, 5, 50, 14, 0, 0, kKindTextBox);
  addControl(popup, 11, "Marco", 5, 25, 50, 40, 0x50010007 | WS_TABSTOP, 0, kKindFrame);

  EXPECT_FALSE(styleOf(main) & WS_VISIBLE) << "created hidden";
  EXPECT_EQ(static_cast<DWORD>(WS_CAPTION), styleOf(main) & WS_CAPTION);
  EXPECT_FALSE(styleOf(main) & (WS_POPUP | WS_CHILD | WS_SYSMENU));
  EXPECT_TRUE(styleOf(main) & WS_MINIMIZEBOX);
  EXPECT_TRUE(styleOf(popup) & WS_POPUP);
  EXPECT_FALSE(styleOf(popup) & WS_SYSMENU);

  const Handle box = controlHandle(popup, 10);
  EXPECT_FALSE(styleOf(box) & WS_BORDER) << "a default text box trades its border";
  EXPECT_TRUE(exStyleOf(box) & WS_EX_CLIENTEDGE) << "for a sunken edge";
  EXPECT_TRUE(styleOf(box) & ES_AUTOHSCROLL);
  const Handle frame = controlHandle(popup, 11);
  EXPECT_EQ(static_cast<DWORD>(BS_GROUPBOX), styleOf(frame) & 0xF);
  EXPECT_FALSE(styleOf(frame) & WS_TABSTOP) << "a frame never takes the focus";

  runThen(popup, [] {});
  runThen(main, [] {});
}

TEST(Win32Windows, IconIsLoadedAtBothSizesAndAMissingOneChangesNothing) {
  const Handle window = createWindow(0, "Icono", kDefaultPosition, kDefaultPosition, 100, 60, 0, 0);
  setWindowIcon(window, "#200");
  auto iconSize = [&](WPARAM which) {
    HICON icon = reinterpret_cast<HICON>(SendMessageW(toHwnd(window), WM_GETICON, which, 0));
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return 0L;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
  };
  EXPECT_EQ(32, iconSize(ICON_BIG));
  EXPECT_EQ(16, iconSize(ICON_SMALL));
  const LRESULT before = SendMessageW(toHwnd(window), WM_GETICON, ICON_BIG, 0);
  setWindowIcon(window, "#4321");
  setWindowIcon(window, "nombre");
  EXPECT_EQ(before, SendMessageW(toHwnd(window), WM_GETICON, ICON_BIG, 0));
  runThen(window, [] {});
}

TEST(Win32Fonts, HeightsFollowTheScreenResolutionAndUnitsTheBoldMeasuringFont) {
  const Handle window = createWindow(0, "Letra", kDefaultPosition, kDefaultPosition, 100, 60, 0, 0);
  addControl(window, 10, "Texto", 5, 5, 80, 20, 0, 0, kKindLabel);
  const int font = createFont("MS Sans Serif", 10, kFontBold, 0, 0, 0);
  setControlFont(window, 10, font);
  HFONT shown =
      reinterpret_cast<HFONT>(SendMessageW(toHwnd(controlHandle(window, 10)), WM_GETFONT, 0, 0));
  LOGFONTW description{};
  ASSERT_TRUE(GetObjectW(shown, sizeof description, &description));
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(-MulDiv(10, dpi, 72), description.lfHeight);
  EXPECT_EQ(700, description.lfWeight);
  EXPECT_STREQ(L"MS Sans Serif", description.lfFaceName);
  // With Wine's own fonts only, the measuring font is Tahoma Bold.
  EXPECT_EQ(7, dt::baseUnitX());
  EXPECT_EQ(13, dt::baseUnitY());
  runThen(window, [] {});
  releaseFont(font);
}

TEST(Win32Text, PlacedTextKeepsTheBoxLowerCaseForTyping) {
  const Handle window = createWindow(0, "Texto", kDefaultPosition, kDefaultPosition, 200, 80, 0, 0);
  addControl(window, 10, "", 5, 5, 150, 40, 0x50A11014, WS_EX_CLIENTEDGE, kKindTextBox);
  const Handle box = controlHandle(window, 10);
  std::string typed;
  runThen(window, [&] {
    setControlText(box, "ABC");
    dt::typeText(box, "DEF");
    typed = getControlText(box);
  });
  EXPECT_NE(std::string::npos, typed.find("ABC")) << typed;
  EXPECT_NE(std::string::npos, typed.find("def")) << typed;
}

TEST(Win32Menus, DisabledIsTheDisabledBitWithoutGrey) {
  const Handle window = createWindow(0, "Menú", kDefaultPosition, kDefaultPosition, 100, 60, 0, 0);
  const MenuHandle bar = createMenuBar();
  const MenuHandle popup = createPopupMenu();
  appendMenuItem(popup, "Uno", 0, 500, kMenuEnabled, kMenuAtEnd, kMenuByPosition);
  appendMenuItem(popup, "Cero", 0, 499, kMenuEnabled, 1, kMenuByPosition);  // before "Uno"
  appendMenuItem(popup, "Medio", 0, 498, kMenuEnabled, 500, kMenuByCommand);
  appendMenuItem(bar, "Ops", popup, 0, kMenuEnabled, kMenuAtEnd, kMenuPopupEntry);
  attachMenu(window, bar);
  setMenuItemState(bar, 500, kMenuDisabled, kMenuByCommand);
  HMENU menu = reinterpret_cast<HMENU>(popup);
  EXPECT_EQ(static_cast<UINT>(MF_DISABLED), GetMenuState(menu, 500, MF_BYCOMMAND));
  EXPECT_EQ(499u, GetMenuItemID(menu, 0));
  EXPECT_EQ(498u, GetMenuItemID(menu, 1));
  EXPECT_EQ(500u, GetMenuItemID(menu, 2));
  setMenuItemState(popup, 1, kMenuDisabled, kMenuByPosition);  // counted from 1
  EXPECT_EQ(static_cast<UINT>(MF_DISABLED), GetMenuState(menu, 499, MF_BYCOMMAND));
  runThen(window, [] {});
}

TEST(Win32Windows, RecordsFontsAndBrushesAreGivenBackWhenTheWindowGoes) {
  auto& state = frontend::layer();
  const auto& brushes = win32::backend().brushes;
  const std::size_t windowsBefore = state.registry.windows().size();
  const Handle window =
      createWindow(0, "Registro", kDefaultPosition, kDefaultPosition, 100, 60, 0, 0);
  addControl(window, 10, "", 5, 5, 50, 14, 0, 0, kKindTextBox);
  addControl(window, 11, "", 5, 25, 50, 14, 0, 0, kKindTextBox);
  const int font = createFont("MS Sans Serif", 11, kFontBold, 0, 0, 0);
  setControlFont(window, 10, font);
  setControlFont(window, 11, font);
  setControlColor(window, 10, rgb(1, 2, 3), rgb(10, 20, 30));
  setControlColor(window, 11, rgb(1, 2, 3), rgb(10, 20, 30));
  setWindowIcon(window, "#200");
  EXPECT_EQ(2, state.fonts.find(font)->useCount);
  EXPECT_EQ(1u, brushes.size()) << "one brush per background colour";
  runThen(window, [] {});
  EXPECT_EQ(windowsBefore, state.registry.windows().size());
  EXPECT_EQ(0, state.fonts.find(font)->useCount);
  EXPECT_TRUE(brushes.empty());
  releaseFont(font);
  EXPECT_EQ(nullptr, state.fonts.find(font)->platform);
}

TEST(Win32Windows, AWindowWithAParentDisablesItWhileShown) {
  const Handle parent = createWindow(0, "Padre", kDefaultPosition, kDefaultPosition, 150, 80, 0, 0);
  addControl(parent, 10, "", 5, 5, 50, 14, 0, 0, kKindTextBox);
  bool enabledWhileChildShown = true, enabledAfter = false;
  bool focusInParent = false;
  Handle child = 0;
  dt::queueSteps({[&] {
                    child = createWindow(parent, "Hija", kDefaultPosition, kDefaultPosition, 80, 40,
                                         0, 0);
                    showModal(child, quietCallback);
                    enabledAfter = IsWindowEnabled(toHwnd(parent));
                    HWND focus = GetFocus();
                    focusInParent = focus == toHwnd(parent) || IsChild(toHwnd(parent), focus);
                  },
                  [&] {
                    enabledWhileChildShown = IsWindowEnabled(toHwnd(parent));
                    endWindow(child, 0);
                  },
                  [&] { endWindow(parent, 0); }});
  showModal(parent, quietCallback);
  EXPECT_FALSE(enabledWhileChildShown);
  EXPECT_TRUE(enabledAfter);
  EXPECT_TRUE(focusInParent) << "the parent gets the focus back";
}

TEST(Win32StartUp, TheProgramEntryResultBecomesTheExitCode) {
  EXPECT_EQ(42, runProgram([] { return 42; }));
  initCommonControls(0x9FF);
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  EXPECT_TRUE(GetClassInfoExW(nullptr, WC_LISTVIEWW, &info)) << "the list view class is there";
}

// The modal loop sleeps until an event arrives; a loop that polled every
// millisecond would wake about 500 times in this half second.
TEST(Win32ModalLoop, SleepsWhileIdle) {
  const Handle window =
      createWindow(0, "Reposo", kDefaultPosition, kDefaultPosition, 100, 60, 0, 0);
  addControl(window, 10, "", 5, 5, 80, 14, 0, 0, kKindLabel);
  static Handle closing;
  closing = window;
  static std::uint64_t wakeUps;
  static FILETIME userBefore, kernelBefore, userAfter, kernelAfter;
  FILETIME created, exited;
  auto& state = win32::backend();
  const UINT_PTR start = SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    wakeUps = win32::backend().idleWaits;
    SetTimer(nullptr, 0, 500, [](HWND, UINT, UINT_PTR inner, DWORD) {
      KillTimer(nullptr, inner);
      wakeUps = win32::backend().idleWaits - wakeUps;
      endWindow(closing, 0);
    });
  });
  ASSERT_NE(0u, start);
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernelBefore, &userBefore);
  showModal(window, quietCallback);
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernelAfter, &userAfter);
  (void)state;
  EXPECT_LT(wakeUps, 20u);
  RecordProperty("idle_wake_ups", static_cast<int>(wakeUps));
}

}  // namespace
