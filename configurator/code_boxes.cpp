// Moving the code table between the configurator's code boxes, the core's
// tables and the configuration file, and colouring the boxes after a check.
// Program logic; no platform header.
#include "configurator/code_boxes.h"

#include "configurator/configurator_ids.h"
#include "configurator/configurator_window.h"
#include "configurator/grid.h"
#include "dialog/dialog.h"
#include "program/program_state.h"

namespace configurator {

namespace {

constexpr dialog::Colour kBlack = dialog::rgb(0, 0, 0);
constexpr dialog::Colour kRed = dialog::rgb(255, 0, 0);
constexpr dialog::Colour kWhite = dialog::rgb(255, 255, 255);

dialog::Handle codeBox(const GridSymbol& symbol) {
  return dialog::controlHandle(program::configuratorWindow, symbol.boxId);
}

// The texts of the 36 code boxes in processing order.
codetable::Codes readCodeBoxes() {
  codetable::Codes texts;
  for (std::size_t i = 0; i < kGrid.size(); ++i)
    texts[i] = dialog::getControlText(codeBox(kGrid[i]));
  return texts;
}

}  // namespace

void loadConfiguration() {
  const auto codes = codetable::loadConfigurationFile(program::configPath(), program::configRecord,
                                                      program::tables);
  // While no configurator is shown there are no boxes to fill; the handle of
  // a closed one must not be followed.
  if (!codes || !configuratorOpen()) return;
  for (std::size_t i = 0; i < kGrid.size(); ++i)
    dialog::setControlText(codeBox(kGrid[i]), (*codes)[i]);
}

void saveConfiguration() {
  const codetable::SaveOutcome outcome = codetable::saveConfigurationFile(
      program::configPath(), readCodeBoxes(), program::configRecord, program::tables);
  if (!outcome.ok()) {
    dialog::showMessageBox(codetable::errorMessage(outcome), kSaveFailedTitle, dialog::kMbOk);
    return;
  }
  dialog::showMessageBox(kSavedMessage, kMessageTitle, dialog::kMbOk);
  program::setConversionsEnabled(true);
}

void checkConfiguration() {
  const codetable::Codes texts = readCodeBoxes();
  const auto faulty = codetable::faultyCodes(texts);
  for (std::size_t i = 0; i < kGrid.size(); ++i) {
    const std::uint16_t id = kGrid[i].boxId;
    if (faulty[i]) {
      markFaultyBox(id, codetable::cutText(texts[i]));
    } else {
      dialog::setControlColor(program::configuratorWindow, id, kBlack, kWhite);
      dialog::setControlInvalid(program::configuratorWindow, id, false, {});
      dialog::redrawControl(dialog::controlHandle(program::configuratorWindow, id));
    }
  }
}

void markFaultyBox(std::uint16_t boxId, std::string_view cutText) {
  program::configErrorFlag = true;
  dialog::setControlColor(program::configuratorWindow, boxId, kRed, kWhite);
  dialog::setControlInvalid(program::configuratorWindow, boxId, true, kFaultyBoxDescription);
  const dialog::Handle box = dialog::controlHandle(program::configuratorWindow, boxId);
  dialog::setControlText(box, cutText);
  dialog::redrawControl(box);
}

}  // namespace configurator
