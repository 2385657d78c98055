// Encoding and decoding between the main window's two text areas. The pass
// itself is convert::substituteText; this side reads and writes the areas.
// Program logic; no platform header.
#include "app/text_commands.h"

#include <string>
#include <string_view>

#include "app/main_window_ids.h"
#include "convert/convert.h"
#include "dialog/dialog.h"
#include "program/program_state.h"

namespace app {

namespace {

constexpr std::string_view kEmptyToEncode = "Tienes que insertar un texto para codificarlo ...";
constexpr std::string_view kEmptyToDecode =
    "Tienes que insertar un texto codificado para traducirlo ...";

// The input area is only ever read; only a truly empty one is refused.
void convertInput(const codetable::Table& table, std::string_view emptyMessage) {
  const std::string input =
      dialog::getControlText(dialog::controlHandle(program::mainWindow, ID_INPUT));
  if (input.empty()) {
    dialog::showMessageBox(emptyMessage, kMessageTitle, dialog::kMbOk);
    return;
  }
  dialog::setControlText(dialog::controlHandle(program::mainWindow, ID_RESULT),
                         convert::substituteText(input, table));
}

}  // namespace

void encodeText() {
  convertInput(program::tables.EncodeTable, kEmptyToEncode);
}

void decodeText() {
  convertInput(program::tables.DecodeTable, kEmptyToDecode);
}

}  // namespace app
