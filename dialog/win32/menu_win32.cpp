// Win32 backend of the dialog layer: menu bars, popup menus and their
// entries, and the ownerless message box. Windows side of the boundary.
#include "dialog/win32/backend_win32.h"

namespace dialog::driver {

using namespace win32;

namespace {

HMENU toMenu(MenuHandle menu) {
  return reinterpret_cast<HMENU>(menu);
}

constexpr UINT kInsertMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE | MIIM_DATA;
static_assert(kInsertMask == 0x37);

}  // namespace

MenuHandle createMenu(bool bar) {
  return reinterpret_cast<MenuHandle>(bar ? CreateMenu() : CreatePopupMenu());
}

void appendMenuItem(MenuHandle menu, std::string_view text, MenuHandle popup,
                    std::uint16_t commandId, std::uint32_t state, std::int32_t position,
                    std::uint32_t mode) {
  std::wstring wide;
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = kInsertMask;
  if (text == "-") {
    item.fType = MFT_SEPARATOR;
  } else {
    wide = widen(text);
    item.fType = MFT_STRING;
    item.dwTypeData = wide.data();
    item.wID = commandId;
    item.fState = state;
    item.hSubMenu = toMenu(popup);
  }
  HMENU hmenu = toMenu(menu);
  if (mode & kMenuByCommand) {
    InsertMenuItemW(hmenu, static_cast<UINT>(position), FALSE, &item);
    return;
  }
  const int count = GetMenuItemCount(hmenu);
  const bool atEnd = position < 1 || position > count;
  InsertMenuItemW(hmenu, static_cast<UINT>(atEnd ? count : position - 1), TRUE, &item);
}

void attachMenu(Handle window, MenuHandle bar) {
  SetMenu(toHwnd(window), toMenu(bar));
}

void setMenuItemState(MenuHandle menu, std::uint32_t entry, std::uint32_t state,
                      std::uint32_t mode) {
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STATE;
  item.fState = state;
  // By command id the platform also searches the popups of `menu`, which is
  // how an entry of a popup is reached through the menu bar.
  if (mode & kMenuByCommand) {
    SetMenuItemInfoW(toMenu(menu), entry, FALSE, &item);
  } else if (entry >= 1) {
    SetMenuItemInfoW(toMenu(menu), entry - 1, TRUE, &item);
  }
}

int showMessageBox(std::string_view text, std::string_view title, std::uint32_t style) {
  Backend& state = backend();
  ++state.loopDepth;
  const int answer = MessageBoxW(nullptr, widen(text).c_str(), widen(title).c_str(), style);
  --state.loopDepth;
  return answer;
}

}  // namespace dialog::driver
