// The configurator window, built from a table of its 77 controls, and its
// callback. Program logic; no platform header.
#include "configurator/configurator_window.h"

#include <iterator>
#include <string_view>

#include "configurator/code_boxes.h"
#include "configurator/configurator_ids.h"
#include "configurator/grid.h"
#include "program/program_state.h"

namespace configurator {

namespace {

constexpr std::int32_t kClientWidth = 149;
constexpr std::int32_t kClientHeight = 267;

// The four kinds of control in the window, each with its layer kind and the
// style it is added with (0: the layer's default for that kind).
enum Kind { kLabel, kCodeBox, kFrame, kButton };

struct KindStyle {
  dialog::ControlKind kind;
  std::uint32_t style;
  std::uint32_t exStyle;
};

// Code boxes: child, visible, border, tab stop, typed letters lowered; single
// line without sideways scrolling, so a box takes only what fits.
constexpr std::uint32_t kCodeBoxStyle = dialog::kWsChild | dialog::kWsVisible | dialog::kWsBorder |
                                        dialog::kWsTabStop | dialog::kEsLowercase;
static_assert(kCodeBoxStyle == 0x50810010);

constexpr KindStyle styleOf(Kind kind) {
  switch (kind) {
    case kLabel:
      return {dialog::kKindLabel, 0, 0};
    case kCodeBox:
      return {dialog::kKindTextBox, kCodeBoxStyle, dialog::kWsExClientEdge};
    case kFrame:
      return {dialog::kKindFrame, 0, 0};
    case kButton:
      return {dialog::kKindButton, 0, 0};
  }
  return {dialog::kKindLabel, 0, 0};
}

struct ControlSpec {
  std::uint16_t id;
  Kind kind;
  std::string_view text;
  std::int32_t x, y, width, height;
};

// Creation order, which is also the tab order. Label and box ids interleave:
// the box of w is 1029 and that of 8 is 1053; ñ has a label and no box.
// clang-format off
constexpr ControlSpec kControls[] = {
    {1005, kLabel, "a", 20, 20, 10, 10},
    {1006, kCodeBox, "", 30, 18, 15, 15},
    {1007, kCodeBox, "", 31, 36, 15, 15},
    {1008, kLabel, "b", 21, 38, 10, 10},
    {1009, kCodeBox, "", 31, 53, 15, 15},
    {1010, kLabel, "c", 21, 55, 10, 10},
    {1011, kCodeBox, "", 31, 70, 15, 15},
    {1012, kLabel, "d", 21, 72, 10, 10},
    {1013, kCodeBox, "", 31, 88, 15, 15},
    {1014, kLabel, "e", 21, 90, 10, 10},
    {1015, kCodeBox, "", 31, 107, 15, 15},
    {1016, kLabel, "f", 21, 109, 10, 10},
    {1017, kCodeBox, "", 31, 126, 15, 15},
    {1018, kLabel, "g", 21, 128, 10, 10},
    {1019, kCodeBox, "", 31, 145, 15, 15},
    {1020, kLabel, "h", 21, 147, 10, 10},
    {1021, kCodeBox, "", 31, 164, 15, 15},
    {1022, kLabel, "i", 21, 166, 10, 11},
    {1023, kCodeBox, "", 31, 183, 15, 15},
    {1024, kLabel, "j", 21, 185, 10, 11},
    {1025, kCodeBox, "", 31, 201, 15, 15},
    {1026, kLabel, "k", 21, 203, 10, 10},
    {1027, kCodeBox, "", 31, 219, 15, 15},
    {1028, kLabel, "l", 20, 220, 10, 10},
    {1029, kCodeBox, "", 60, 219, 15, 15},
    {1030, kLabel, "m", 49, 20, 10, 10},
    {1031, kCodeBox, "", 59, 18, 15, 15},
    {1032, kCodeBox, "", 60, 36, 15, 15},
    {1033, kLabel, "n", 50, 38, 10, 11},
    {kEnyeLabelId, kLabel, "ñ", 50, 55, 10, 10},
    {1036, kCodeBox, "", 60, 70, 15, 15},
    {1037, kLabel, "o", 50, 72, 10, 10},
    {1038, kCodeBox, "", 60, 88, 15, 15},
    {1039, kLabel, "p", 50, 90, 10, 10},
    {1040, kCodeBox, "", 60, 107, 15, 15},
    {1041, kLabel, "q", 50, 109, 10, 10},
    {1042, kCodeBox, "", 60, 126, 15, 15},
    {1043, kLabel, "r", 50, 128, 10, 10},
    {1044, kCodeBox, "", 60, 145, 15, 15},
    {1045, kLabel, "s", 50, 147, 10, 11},
    {1046, kCodeBox, "", 60, 164, 15, 15},
    {1047, kLabel, "t", 50, 166, 10, 11},
    {1048, kCodeBox, "", 60, 183, 15, 15},
    {1049, kLabel, "u", 50, 185, 10, 10},
    {1050, kCodeBox, "", 60, 201, 15, 15},
    {1051, kLabel, "v", 50, 203, 10, 10},
    {1052, kLabel, "w", 50, 221, 10, 10},
    {1053, kCodeBox, "", 90, 219, 15, 15},
    {1054, kLabel, "x", 79, 20, 10, 10},
    {1055, kCodeBox, "", 89, 18, 15, 15},
    {1056, kCodeBox, "", 90, 36, 15, 15},
    {1057, kLabel, "y", 80, 38, 10, 11},
    {1058, kCodeBox, "", 90, 53, 15, 15},
    {1059, kLabel, "z", 80, 55, 10, 10},
    {1060, kCodeBox, "", 90, 70, 15, 15},
    {1061, kLabel, "0", 80, 72, 10, 10},
    {1062, kCodeBox, "", 90, 88, 15, 15},
    {1063, kLabel, "1", 80, 90, 10, 10},
    {1064, kCodeBox, "", 90, 107, 15, 15},
    {1065, kLabel, "2", 80, 109, 10, 10},
    {1066, kCodeBox, "", 90, 126, 15, 15},
    {1067, kLabel, "3", 80, 128, 10, 10},
    {1068, kCodeBox, "", 90, 145, 15, 15},
    {1069, kLabel, "4", 80, 147, 10, 11},
    {1070, kCodeBox, "", 90, 164, 15, 15},
    {1071, kLabel, "5", 80, 166, 10, 11},
    {1072, kCodeBox, "", 90, 183, 15, 15},
    {1073, kLabel, "6", 80, 185, 10, 10},
    {1074, kCodeBox, "", 90, 201, 15, 15},
    {1075, kLabel, "7", 80, 203, 10, 10},
    {1076, kLabel, "8", 80, 221, 10, 10},
    {1077, kCodeBox, "", 118, 17, 15, 15},
    {1078, kLabel, "9", 108, 19, 10, 10},
    {1079, kFrame, "Codigo", 10, 5, 130, 235},
    {1080, kButton, "Guardar", 95, 245, 45, 15},
    {1081, kButton, "Salir", 10, 245, 30, 15},
    {1082, kButton, "Resetear", 45, 245, 45, 15},
};
// clang-format on
static_assert(std::size(kControls) == 77);

// The id between n's label and ñ's label that no control has.
constexpr std::uint16_t kUnusedGridId = 1034;

// Set between the window's creation and the end of its display.
bool configuratorShown = false;

void onOpening() {
  program::configErrorFlag = false;
  program::configuratorSavedFocus = 0;
  if (codetable::fileExists(program::configPath())) loadConfiguration();
}

void onGuardar() {
  program::configErrorFlag = false;
  checkConfiguration();
  if (!program::configErrorFlag)
    saveConfiguration();
  else
    dialog::showMessageBox(kFaultyMessage, kMessageTitle, dialog::kMbOk);
}

}  // namespace

std::int32_t openConfigurator(dialog::Handle parent) {
  program::configuratorWindow =
      dialog::createWindow(parent, kConfiguratorTitle, dialog::kDefaultPosition,
                           dialog::kDefaultPosition, kClientWidth, kClientHeight, 0, 0);
  const dialog::Handle window = program::configuratorWindow;
  for (const auto& c : kControls) {
    const KindStyle k = styleOf(c.kind);
    dialog::addControl(window, c.id, c.text, c.x, c.y, c.width, c.height, k.style, k.exStyle,
                       k.kind);
  }
  // Each code box is named by its symbol's label; the label of ñ names none.
  for (const GridSymbol& symbol : kGrid)
    dialog::setControlLabel(window, symbol.boxId, symbol.labelId);

  const int gridFont = dialog::createFont("MS Sans Serif", 10, dialog::kFontBold, 0, 0, 0);
  const int buttonFont = dialog::createFont("MS Sans Serif", 8, dialog::kFontBold, 0, 0, 0);
  for (std::uint16_t id = kFirstGridId; id <= kLastGridId; ++id)
    if (id != kUnusedGridId) dialog::setControlFont(window, id, gridFont);
  for (std::uint16_t id : {ID_FRAME_CODIGO, ID_GUARDAR, ID_SALIR, ID_RESETEAR})
    dialog::setControlFont(window, id, buttonFont);

  configuratorShown = true;
  const std::int32_t result = dialog::showModal(window, configuratorCallback);
  configuratorShown = false;

  dialog::releaseFont(gridFont);
  dialog::releaseFont(buttonFont);
  return result;
}

bool configuratorOpen() {
  return configuratorShown && dialog::windowExists(program::configuratorWindow);
}

std::intptr_t configuratorCallback(dialog::Handle window, std::uint32_t event,
                                   dialog::WParam wParam, dialog::LParam /*lParam*/) {
  switch (event) {
    case dialog::kWmInitDialog:
      onOpening();
      break;
    case dialog::kWmNcActivate:
      program::keepFocus(program::configuratorSavedFocus, wParam);
      break;
    case dialog::kWmCommand: {
      // A button acts when clicked (code 0) or with code 1; the code boxes'
      // notifications carry other codes and other ids.
      if (dialog::hiWord(wParam) > 1) break;
      switch (dialog::loWord(wParam)) {
        case ID_GUARDAR:
          onGuardar();
          break;
        case ID_SALIR:
          // The window that sent it, which need not be the newest one.
          dialog::endWindow(window, 0);
          break;
        case ID_RESETEAR:
          resetCodeBoxes();
          break;
        default:
          break;
      }
      break;
    }
    case dialog::kWmDestroy:
      program::configuratorSavedFocus = 0;
      break;
    default:
      break;
  }
  return 0;
}

void resetCodeBoxes() {
  for (const GridSymbol& symbol : kGrid)
    dialog::setControlText(dialog::controlHandle(program::configuratorWindow, symbol.boxId), "");
}

}  // namespace configurator
