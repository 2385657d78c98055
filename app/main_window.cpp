// The main window: two lower-case text areas with their labels, the bold
// font and the "Operaciones" menu. Program logic; no platform header.
#include "app/main_window.h"

#include "app/main_window_ids.h"
#include "program/program_state.h"

namespace app {

using program::mainMenuBar;
using program::mainWindow;

namespace {

// Common-control classes the program asks for at start.
constexpr std::uint32_t kCommonControlClasses = 0x9FF;

constexpr std::uint32_t kMainWindowStyle = dialog::kWsMinimizeBox;
constexpr std::int32_t kClientWidth = 367;
constexpr std::int32_t kClientHeight = 457;

// Both text areas: child, visible, border, vertical scroll bar, tab stop,
// multi-line, Enter inserts a line break, typed letters lowered.
constexpr std::uint32_t kTextAreaStyle =
    dialog::kWsChild | dialog::kWsVisible | dialog::kWsBorder | dialog::kWsVScroll |
    dialog::kWsTabStop | dialog::kEsMultiline | dialog::kEsWantReturn | dialog::kEsLowercase;
static_assert(kTextAreaStyle == 0x50A11014);

struct ControlSpec {
  std::uint16_t id;
  dialog::ControlKind kind;
  std::string_view text;
  std::int32_t x, y, width, height;
  std::uint32_t style;
  std::uint32_t exStyle;
};

constexpr ControlSpec kControls[] = {
    {ID_INPUT, dialog::kKindTextBox, "", 5, 14, 360, 195, kTextAreaStyle, dialog::kWsExClientEdge},
    {ID_RESULT, dialog::kKindTextBox, "", 5, 224, 360, 195, kTextAreaStyle,
     dialog::kWsExClientEdge},
    {ID_INPUT_LABEL, dialog::kKindLabel, "Entrada texto ...", 5, 3, 360, 10, 0, 0},
    {ID_RESULT_LABEL, dialog::kKindLabel, "Resultado ...", 5, 211, 335, 10, 0, 0},
};

// Each text area is named by the label above it.
struct LabelOf {
  std::uint16_t control;
  std::uint16_t label;
};
constexpr LabelOf kLabels[] = {{ID_INPUT, ID_INPUT_LABEL}, {ID_RESULT, ID_RESULT_LABEL}};

}  // namespace

int programEntry() {
  dialog::initCommonControls(kCommonControlClasses);
  createMainWindow(0);
  return 0;
}

std::int32_t createMainWindow(dialog::Handle parent) {
  mainWindow =
      dialog::createWindow(parent, kMainTitle, dialog::kDefaultPosition, dialog::kDefaultPosition,
                           kClientWidth, kClientHeight, kMainWindowStyle, 0);
  dialog::setWindowIcon(mainWindow, "#200");
  for (const auto& c : kControls)
    dialog::addControl(mainWindow, c.id, c.text, c.x, c.y, c.width, c.height, c.style, c.exStyle,
                       c.kind);
  for (const auto& l : kLabels) dialog::setControlLabel(mainWindow, l.control, l.label);

  const int mainFont = dialog::createFont("MS Sans Serif", 10, dialog::kFontBold, 0, 0, 0);
  for (const auto& c : kControls) dialog::setControlFont(mainWindow, c.id, mainFont);

  buildMainMenu(mainWindow);
  const std::int32_t result = dialog::showModal(mainWindow, mainWindowCallback);
  dialog::releaseFont(mainFont);
  return result;
}

dialog::MenuHandle buildMainMenu(dialog::Handle window) {
  mainMenuBar = dialog::createMenuBar();
  const dialog::MenuHandle popup = dialog::createPopupMenu();
  dialog::appendMenuItem(mainMenuBar, kMenuTitle, popup, 0, dialog::kMenuEnabled,
                         dialog::kMenuAtEnd, dialog::kMenuPopupEntry);
  for (const auto& entry : kOperacionesMenu)
    dialog::appendMenuItem(popup, entry.text, 0, entry.commandId, dialog::kMenuEnabled,
                           dialog::kMenuAtEnd, dialog::kMenuByPosition);
  dialog::attachMenu(window, mainMenuBar);
  return mainMenuBar;
}

}  // namespace app
