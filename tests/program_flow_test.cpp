// The program's flows end to end: the main window and the configurator run
// on the real backend of this build and are driven as a user would. One
// source for both backends; each test has a program directory of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/main_window_ids.h"
#include "configurator/configurator_ids.h"
#include "dialog/dialog.h"
#include "dialog/testing.h"
#include "os/os.h"
#include "program/program_state.h"
#include "tests/support/flow_steps.h"
#include "tests/support/program_sandbox.h"

namespace {

namespace fs = std::filesystem;
namespace dt = dialog::testing;
using app::ID_INPUT;
using app::ID_RESULT;
using app::IDM_AUTOR;
using app::IDM_CODIFICAR;
using app::IDM_CONFIGURADOR;
using app::IDM_NUEVO;
using app::IDM_SALIR;
using app::IDM_TRADUCIR;
using configurator::ID_GUARDAR;
using configurator::ID_RESETEAR;
using configurator::ID_SALIR;

constexpr std::string_view kFileName = "a06b7c83f59d14e2.log";

// The symbols in the order the configurator visits them, their code boxes in
// the same order, and the slot each symbol takes in the file ('_' is the
// slot of ñ, which has no code).
constexpr std::string_view kSymbols = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::array<std::uint16_t, 36> kBoxIds = {
    1006, 1007, 1009, 1011, 1013, 1015, 1017, 1019, 1021, 1023, 1025, 1027,
    1031, 1032, 1036, 1038, 1040, 1042, 1044, 1046, 1048, 1050, 1029, 1055,
    1056, 1058, 1060, 1062, 1064, 1066, 1068, 1070, 1072, 1074, 1053, 1077};
constexpr std::string_view kSlots = "abcdefghijklmn_opqrstuvwxyz1234567890";

// A code that is a rearrangement of the symbols, so that decoding undoes
// encoding: the code of each symbol stands at the symbol's place.
constexpr std::string_view kCodes = "hijklmnopqrstuvwxyz0123456789abcdefg";
// Another one, for the save that replaces an older file.
constexpr std::string_view kOtherCodes = "0123456789abcdefghijklmnopqrstuvwxyz";

const std::string kFaultyText = "Tienes errores de configuracion ...\r\nArreglalos Gracias ...";
const std::string kSavedText = "Fichero de configuracion archivado ...";

constexpr dialog::Colour kBlack = dialog::rgb(0, 0, 0);
constexpr dialog::Colour kRed = dialog::rgb(255, 0, 0);
constexpr dialog::Colour kWhite = dialog::rgb(255, 255, 255);

std::size_t symbolIndex(char symbol) {
  return kSymbols.find(symbol);
}
std::uint16_t boxOf(char symbol) {
  return kBoxIds[symbolIndex(symbol)];
}

// The 111 bytes a save writes for these codes: each code byte followed by
// two zero bytes, in slot order, with three zero bytes for ñ.
std::string expectedRecord(std::string_view codes) {
  std::string record(111, '\0');
  for (std::size_t slot = 0; slot < kSlots.size(); ++slot)
    if (kSlots[slot] != '_') record[3 * slot] = codes[symbolIndex(kSlots[slot])];
  return record;
}

// What encoding gives with these codes: ASCII letters and digits through
// the code, every other byte as it is.
std::string encodedWith(std::string_view codes, std::string_view text) {
  std::string out;
  for (char c : text) {
    const std::size_t i = kSymbols.find(c);
    out += i == std::string_view::npos ? c : codes[i];
  }
  return out;
}

std::string pathText(const fs::path& path) {
  const auto u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

dialog::Handle mainControl(std::uint16_t id) {
  return dialog::controlHandle(program::mainWindow, id);
}
dialog::Handle codeBox(std::uint16_t id) {
  return dialog::controlHandle(program::configuratorWindow, id);
}
std::string mainText(std::uint16_t id) {
  return dialog::getControlText(mainControl(id));
}
std::string boxText(std::uint16_t id) {
  return dialog::getControlText(codeBox(id));
}

void setAllBoxes(std::string_view codes) {
  for (std::size_t i = 0; i < kBoxIds.size(); ++i)
    dialog::setControlText(codeBox(kBoxIds[i]), std::string(1, codes[i]));
}

void expectBoxes(std::string_view codes) {
  for (std::size_t i = 0; i < kBoxIds.size(); ++i)
    EXPECT_EQ(boxText(kBoxIds[i]), std::string(1, codes[i])) << "box of " << kSymbols[i];
}

void expectBoxColours(std::uint16_t id, dialog::Colour text) {
  EXPECT_EQ(dt::controlTextColour(codeBox(id)), text) << "box " << id;
  EXPECT_EQ(dt::controlBackgroundColour(codeBox(id)), kWhite) << "box " << id;
}

void expectConversionsEnabled(bool enabled) {
  EXPECT_EQ(dt::isMenuItemEnabled(program::mainWindow, IDM_TRADUCIR), enabled);
  EXPECT_EQ(dt::isMenuItemEnabled(program::mainWindow, IDM_CODIFICAR), enabled);
}

struct Box {
  std::string text;
  std::string title;
};
std::vector<Box> answered() {
  std::vector<Box> boxes;
  for (auto& seen : dt::takeAnsweredBoxes()) boxes.push_back({seen.text, seen.title});
  return boxes;
}
bool operator==(const Box& a, const Box& b) {
  return a.text == b.text && a.title == b.title;
}
void PrintTo(const Box& box, std::ostream* os) {
  *os << "{\"" << box.text << "\", \"" << box.title << "\"}";
}

// Both conversions through the menu, on the main window as it stands.
void expectRoundTrip(std::string_view codes, const std::string& text) {
  dialog::setControlText(mainControl(ID_INPUT), text);
  dt::chooseMenuCommand(program::mainWindow, IDM_CODIFICAR);
  const std::string coded = mainText(ID_RESULT);
  EXPECT_EQ(coded, encodedWith(codes, text));
  EXPECT_EQ(mainText(ID_INPUT), text) << "encoding changed the input area";

  dialog::setControlText(mainControl(ID_INPUT), coded);
  dt::chooseMenuCommand(program::mainWindow, IDM_TRADUCIR);
  EXPECT_EQ(mainText(ID_RESULT), text);
  EXPECT_EQ(mainText(ID_INPUT), coded) << "decoding changed the input area";
}

using dt::Step;

Step chooseInMain(std::uint16_t command) {
  return [command] { dt::chooseMenuCommand(program::mainWindow, command); };
}
// "Configurador": the steps after this one run while the configurator is open.
Step openConfigurator() {
  return Step([] { dt::chooseMenuCommand(program::mainWindow, IDM_CONFIGURADOR); }, true);
}
Step clickInConfigurator(std::uint16_t button) {
  return [button] { dt::clickButton(program::configuratorWindow, button); };
}
// Clicks a button that shows one message box, answers it and returns it.
std::vector<Box> clickAnswering(std::uint16_t button) {
  dt::answerMessageBoxes(1);
  dt::clickButton(program::configuratorWindow, button);
  return answered();
}
std::vector<Box> chooseAnswering(std::uint16_t command) {
  dt::answerMessageBoxes(1);
  dt::chooseMenuCommand(program::mainWindow, command);
  return answered();
}
std::vector<Box> one(const std::string& text, const std::string& title) {
  return {{text, title}};
}

class ProgramFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    std::replace(name.begin(), name.end(), '/', '-');
    sandbox_.emplace(name);
    dir_ = sandbox_->dir();
    dt::takeAnsweredBoxes();
  }

  void TearDown() override { sandbox_.reset(); }

  fs::path configFile() const { return dir_ / std::string(kFileName); }

  // Runs the main window through these steps; the last one must end it.
  static void run(std::vector<Step> steps) {
    dt::queueFlow(std::move(steps));
    EXPECT_EQ(app::createMainWindow(0), 0);
    EXPECT_FALSE(dialog::windowExists(program::mainWindow));
    EXPECT_FALSE(dialog::windowExists(program::configuratorWindow));
  }

  // What the program directory holds.
  std::vector<std::string> directoryListing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      names.push_back(pathText(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;

 private:
  std::optional<program::testing::Sandbox> sandbox_;
};

TEST_F(ProgramFlow, WithoutAFileTheConversionsCannotBeChosen) {
  run({
      [] {
        ASSERT_TRUE(dialog::windowExists(program::mainWindow));
        expectConversionsEnabled(false);
        for (std::uint16_t id : {IDM_NUEVO, IDM_CONFIGURADOR, IDM_AUTOR, IDM_SALIR})
          EXPECT_TRUE(dt::isMenuItemEnabled(program::mainWindow, id)) << id;
        // Chosen anyway, neither runs: the result area stays empty.
        dialog::setControlText(mainControl(ID_INPUT), "hola");
        dt::chooseMenuCommand(program::mainWindow, IDM_CODIFICAR);
        dt::chooseMenuCommand(program::mainWindow, IDM_TRADUCIR);
        EXPECT_EQ(mainText(ID_INPUT), "hola");
        EXPECT_EQ(mainText(ID_RESULT), "");
      },
      chooseInMain(IDM_SALIR),
  });
  EXPECT_FALSE(fs::exists(configFile()));
}

TEST_F(ProgramFlow, MakesACodeFromNothingAndUsesItAtOnce) {
  run({
      openConfigurator(),
      [this] {
        ASSERT_TRUE(dialog::windowExists(program::configuratorWindow));
        for (std::size_t i = 0; i < kBoxIds.size(); ++i) {
          EXPECT_EQ(boxText(kBoxIds[i]), "") << "box of " << kSymbols[i];
          // Typed in capitals where there are any; the box lowers them.
          const char typed = static_cast<char>(std::toupper(static_cast<unsigned char>(kCodes[i])));
          dt::typeText(codeBox(kBoxIds[i]), std::string(1, typed));
        }
        expectBoxes(kCodes);

        EXPECT_EQ(clickAnswering(ID_GUARDAR), one(kSavedText, "Programador"));
        EXPECT_EQ(readBytes(configFile()), expectedRecord(kCodes));
        EXPECT_EQ(directoryListing(), std::vector<std::string>{std::string(kFileName)});
        for (std::uint16_t id : kBoxIds) expectBoxColours(id, kBlack);
        // No restart needed, and the configurator may stay open.
        EXPECT_TRUE(dialog::windowExists(program::configuratorWindow));
        expectConversionsEnabled(true);
        expectRoundTrip(kCodes, "hola ñ2\r\nuno dos");
      },
      clickInConfigurator(ID_SALIR),
      [] { EXPECT_FALSE(dialog::windowExists(program::configuratorWindow)); },
      chooseInMain(IDM_SALIR),
  });
}

// A box given a faulty text while all others hold kCodes, and what the check
// leaves in it.
struct FaultyBox {
  char symbol;
  std::string text;
  std::string shownAfterCheck;
};

TEST_F(ProgramFlow, FaultyBoxesTurnRedAndNothingIsSavedUntilTheyAreFixed) {
  const auto code = [](char symbol) { return std::string(1, kCodes[symbolIndex(symbol)]); };
  const std::vector<FaultyBox> faults = {
      // First character already taken by the code of b.
      {'x', code('b') + "bb", code('b') + "b"},
      // Taken by v (box 1050), which is checked before w (box 1029).
      {'w', code('v'), code('v')},
      // Not a letter or digit.
      {'c', ":", ":"},
      // Not ASCII; cut to two characters, not to two bytes.
      {'8', "ñandú", "ña"},
  };
  // A valid box keeps its whole text.
  const std::string longValid = code('a') + "zz";

  run({
      openConfigurator(),
      [this] {
        // All 36 empty: all red, the two-line message, nothing written.
        EXPECT_EQ(clickAnswering(ID_GUARDAR), one(kFaultyText, "Programador"));
        for (std::uint16_t id : kBoxIds) expectBoxColours(id, kRed);
        EXPECT_TRUE(program::configErrorFlag);
        EXPECT_FALSE(fs::exists(configFile()));
        expectConversionsEnabled(false);
      },
      [&, this] {
        setAllBoxes(kCodes);
        dialog::setControlText(codeBox(boxOf('a')), longValid);
        for (const auto& fault : faults)
          dialog::setControlText(codeBox(boxOf(fault.symbol)), fault.text);

        EXPECT_EQ(clickAnswering(ID_GUARDAR), one(kFaultyText, "Programador"));
        EXPECT_FALSE(fs::exists(configFile()));
        for (std::size_t i = 0; i < kSymbols.size(); ++i) {
          const auto fault = std::find_if(faults.begin(), faults.end(), [&](const FaultyBox& f) {
            return f.symbol == kSymbols[i];
          });
          if (fault != faults.end()) {
            expectBoxColours(kBoxIds[i], kRed);
            EXPECT_EQ(boxText(kBoxIds[i]), fault->shownAfterCheck) << "box of " << kSymbols[i];
          } else {
            expectBoxColours(kBoxIds[i], kBlack);
          }
        }
        EXPECT_EQ(boxText(boxOf('a')), longValid);
      },
      [&, this] {
        for (const auto& fault : faults)
          dialog::setControlText(codeBox(boxOf(fault.symbol)),
                                 std::string(1, kCodes[symbolIndex(fault.symbol)]));
        EXPECT_EQ(clickAnswering(ID_GUARDAR), one(kSavedText, "Programador"));
        for (std::uint16_t id : kBoxIds) expectBoxColours(id, kBlack);
        EXPECT_FALSE(program::configErrorFlag);
        // Only the first character of a code is kept.
        EXPECT_EQ(readBytes(configFile()), expectedRecord(kCodes));
        expectConversionsEnabled(true);
      },
      clickInConfigurator(ID_SALIR),
      chooseInMain(IDM_SALIR),
  });
}

TEST_F(ProgramFlow, ClosingLosesEditsAndReopeningShowsWhatTheFileHolds) {
  writeBytes(configFile(), expectedRecord(kCodes));
  // The first of kOtherCodes, typed at length.
  const std::string longCode = std::string(1, kOtherCodes[0]) + "zz";

  run({
      openConfigurator(),
      [] {
        expectBoxes(kCodes);
        EXPECT_EQ(boxText(1029), std::string(1, kCodes[symbolIndex('w')]));
        EXPECT_EQ(boxText(1053), std::string(1, kCodes[symbolIndex('8')]));
        dt::clickButton(program::configuratorWindow, ID_RESETEAR);
        for (std::uint16_t id : kBoxIds) EXPECT_EQ(boxText(id), "") << "box " << id;
      },
      clickInConfigurator(ID_SALIR),
      [this] {
        // Neither the file nor the tables took the emptied boxes.
        EXPECT_EQ(readBytes(configFile()), expectedRecord(kCodes));
        expectRoundTrip(kCodes, "w8 hola");
      },
      openConfigurator(),
      [&, this] {
        expectBoxes(kCodes);
        setAllBoxes(kOtherCodes);
        dialog::setControlText(codeBox(kBoxIds[0]), longCode);
        EXPECT_EQ(clickAnswering(ID_GUARDAR), one(kSavedText, "Programador"));
        EXPECT_EQ(boxText(kBoxIds[0]), longCode);
        EXPECT_EQ(readBytes(configFile()), expectedRecord(kOtherCodes));
      },
      clickInConfigurator(ID_SALIR),
      openConfigurator(),
      [] {
        // Only the first character of the long code came back.
        expectBoxes(kOtherCodes);
        // Edits that are not saved are lost.
        dialog::setControlText(codeBox(boxOf('b')), "q");
      },
      clickInConfigurator(ID_SALIR),
      openConfigurator(),
      [] { expectBoxes(kOtherCodes); },
      clickInConfigurator(ID_SALIR),
      [this] {
        EXPECT_EQ(readBytes(configFile()), expectedRecord(kOtherCodes));
        expectRoundTrip(kOtherCodes, "w8 hola");
      },
      chooseInMain(IDM_SALIR),
  });
}

TEST_F(ProgramFlow, ASecondConfiguradorRaisesTheOpenOne) {
  dialog::Handle first = 0;
  run({
      openConfigurator(),
      [&] {
        first = program::configuratorWindow;
        ASSERT_TRUE(dialog::windowExists(first));
        // Were a second window opened, the choice would not return before
        // it closed: this step, queued first, would then run inside it.
        dt::queueSteps({[&] {
          if (program::configuratorWindow == first) return;
          ADD_FAILURE() << "a second configurator was opened";
          dt::clickButton(program::configuratorWindow, ID_SALIR);
        }});
        dt::chooseMenuCommand(program::mainWindow, IDM_CONFIGURADOR);
        EXPECT_EQ(program::configuratorWindow, first);
        EXPECT_TRUE(dialog::windowExists(first));
      },
      [&] {
        dt::clickButton(first, ID_SALIR);
        EXPECT_FALSE(dialog::windowExists(first));
      },
      chooseInMain(IDM_SALIR),
  });
}

TEST_F(ProgramFlow, EncodingThenDecodingGivesTheTextBack) {
  writeBytes(configFile(), expectedRecord(kCodes));
  const std::string text =
      "hola ñandú, ¿qué tal? 2024: ¡sí!\r\n"
      "línea dos — 中文 [x]_@{}~ \"café\" 0-9 a/z\r\n"
      "\r\n"
      "fin.";
  run({
      [&] { expectRoundTrip(kCodes, text); },
      [] {
        // Running it twice codes the input again, not the previous result.
        const std::string input = "abc";
        dialog::setControlText(mainControl(ID_INPUT), input);
        dt::chooseMenuCommand(program::mainWindow, IDM_CODIFICAR);
        dt::chooseMenuCommand(program::mainWindow, IDM_CODIFICAR);
        EXPECT_EQ(mainText(ID_RESULT), encodedWith(kCodes, input));
      },
      chooseInMain(IDM_SALIR),
  });
}

// Far past an edit control's default limit (32,767 characters, 30,000
// under Wine), nothing pasted or typed is cut, and all of it is coded.
TEST_F(ProgramFlow, LongPastedAndTypedTextsAreKeptAndCodedWhole) {
  // Headless Weston offers no seat, and a Wayland client without one has no
  // clipboard to paste from.
  if (const char* platform = std::getenv("QT_QPA_PLATFORM");
      platform && std::string_view(platform) == "wayland")
    GTEST_SKIP() << "no clipboard without a seat";
  writeBytes(configFile(), expectedRecord(kCodes));
  // Lines of words, as a long letter would have.
  std::string text;
  for (int i = 1; text.size() < 100'003; ++i) {
    text += kSymbols[static_cast<std::size_t>(i) % kSymbols.size()];
    if (i % 70 == 0)
      text += "\r\n";
    else if (i % 7 == 0)
      text += ' ';
  }
  const std::string typed = "y mas";
  run({
      [&] {
        dt::pasteText(mainControl(ID_INPUT), text);
        dt::typeText(mainControl(ID_INPUT), typed);
        const std::string input = mainText(ID_INPUT);
        EXPECT_EQ(input.size(), text.size() + typed.size());
        EXPECT_TRUE(input == text + typed) << "the input area was cut or changed";
        dt::chooseMenuCommand(program::mainWindow, IDM_CODIFICAR);
        EXPECT_TRUE(mainText(ID_RESULT) == encodedWith(kCodes, text + typed));
      },
      chooseInMain(IDM_SALIR),
  });
}

TEST_F(ProgramFlow, EachConversionRefusesAnEmptyInputWithItsOwnMessage) {
  writeBytes(configFile(), expectedRecord(kCodes));
  struct Case {
    std::uint16_t command;
    std::string message;
  };
  const std::vector<Case> cases = {
      {IDM_CODIFICAR, "Tienes que insertar un texto para codificarlo ..."},
      {IDM_TRADUCIR, "Tienes que insertar un texto codificado para traducirlo ..."},
  };
  run({
      [&] {
        for (const auto& c : cases) {
          dialog::setControlText(mainControl(ID_INPUT), "");
          dialog::setControlText(mainControl(ID_RESULT), "resultado previo");
          EXPECT_EQ(chooseAnswering(c.command), one(c.message, "Programador")) << c.command;
          EXPECT_EQ(mainText(ID_RESULT), "resultado previo") << c.command;
          EXPECT_EQ(mainText(ID_INPUT), "") << c.command;

          // Only a truly empty area is refused.
          dialog::setControlText(mainControl(ID_INPUT), "  \r\n");
          dt::chooseMenuCommand(program::mainWindow, c.command);
          EXPECT_EQ(mainText(ID_RESULT), "  \r\n") << c.command;
        }
        EXPECT_TRUE(answered().empty());
      },
      chooseInMain(IDM_SALIR),
  });
}

TEST_F(ProgramFlow, NuevoEmptiesBothAreasAndNothingElse) {
  writeBytes(configFile(), expectedRecord(kCodes));
  run({
      [] {
        dt::typeText(mainControl(ID_INPUT), "Hola Mundo");
        dt::typeText(mainControl(ID_RESULT), "Escrito A Mano");
        EXPECT_EQ(mainText(ID_INPUT), "hola mundo");
        EXPECT_EQ(mainText(ID_RESULT), "escrito a mano");
        dt::chooseMenuCommand(program::mainWindow, IDM_NUEVO);
        EXPECT_EQ(mainText(ID_INPUT), "");
        EXPECT_EQ(mainText(ID_RESULT), "");
        expectConversionsEnabled(true);
        // Again on two empty areas: nothing happens, no message.
        dt::chooseMenuCommand(program::mainWindow, IDM_NUEVO);
        EXPECT_EQ(mainText(ID_INPUT), "");
        EXPECT_EQ(mainText(ID_RESULT), "");
        expectRoundTrip(kCodes, "sigue igual");
      },
      chooseInMain(IDM_SALIR),
  });
  EXPECT_EQ(readBytes(configFile()), expectedRecord(kCodes));
}

TEST_F(ProgramFlow, AutorShowsTheAboutBox) {
  run({
      [] {
        const std::string expected =
            "Programa Realizado por :\r\nTarvelo ...\r\n\r\n" + std::string(app::kAuthorWebAddress);
        EXPECT_EQ(chooseAnswering(IDM_AUTOR), one(expected, "Programador"));
        EXPECT_FALSE(app::kAuthorWebAddress.empty());
        EXPECT_EQ(app::kAuthorWebAddress.find_first_of("\r\n"), std::string_view::npos);
      },
      chooseInMain(IDM_SALIR),
  });
}

// Naming the boxes by their labels moves no focusable control: Tab visits
// the code boxes in the order they were made, then the buttons, and wraps.
TEST_F(ProgramFlow, TabVisitsTheControlsInTheirFixedOrder) {
  // The code boxes in creation order, not in symbol order.
  const std::vector<std::uint16_t> configuratorOrder = {
      1006, 1007, 1009, 1011, 1013, 1015, 1017,       1019,     1021,        1023,
      1025, 1027, 1029, 1031, 1032, 1036, 1038,       1040,     1042,        1044,
      1046, 1048, 1050, 1053, 1055, 1056, 1058,       1060,     1062,        1064,
      1066, 1068, 1070, 1072, 1074, 1077, ID_GUARDAR, ID_SALIR, ID_RESETEAR, 1006};
  const auto visit = [](dialog::Handle window, std::size_t presses) {
    std::vector<std::uint16_t> order;
    const auto idOfFocus = [window]() -> std::uint16_t {
      const dialog::Handle focus = dialog::focusedControl();
      for (std::uint16_t id = 1001; id <= 1082; ++id)
        if (focus && dialog::controlHandle(window, id) == focus) return id;
      return 0;
    };
    order.push_back(idOfFocus());
    for (std::size_t i = 0; i < presses; ++i) {
      dt::pressKey(dialog::focusedControl(), dt::Key::Tab);
      order.push_back(idOfFocus());
    }
    return order;
  };
  run({
      [&] {
        EXPECT_EQ(visit(program::mainWindow, 2),
                  (std::vector<std::uint16_t>{ID_INPUT, ID_RESULT, ID_INPUT}));
      },
      openConfigurator(),
      [&] {
        EXPECT_EQ(visit(program::configuratorWindow, configuratorOrder.size() - 1),
                  configuratorOrder);
      },
      clickInConfigurator(ID_SALIR),
      chooseInMain(IDM_SALIR),
  });
}

// The menu with the keyboard alone. F10 or Alt on its own enters the menu
// bar and Down opens "Operaciones" on its first entry; Up from there wraps to
// the last entries. Escape leaves the menu without choosing.
TEST_F(ProgramFlow, EveryCommandIsReachedWithTheKeyboardAlone) {
  using K = dt::Key;
  writeBytes(configFile(), expectedRecord(kCodes));
  const auto about = one(app::aboutText(), "Programador");
  const auto pressAnswering = [](std::vector<K> keys) {
    dt::answerMessageBoxes(1);
    dt::pressKeys(program::mainWindow, keys);
    return answered();
  };
  run({
      [&] {
        EXPECT_EQ(pressAnswering({K::F10, K::Down, K::Up, K::Up, K::Enter}), about);
        EXPECT_FALSE(dt::isMenuActive(program::mainWindow));
        EXPECT_EQ(pressAnswering({K::Alt, K::Down, K::Up, K::Up, K::Enter}), about);
        EXPECT_FALSE(dt::isMenuActive(program::mainWindow));
      },
      [] {
        // Escape closes the open menu, and then leaves the menu bar.
        dialog::setControlText(mainControl(ID_INPUT), "hola");
        dt::pressKeys(mainControl(ID_INPUT), {K::F10, K::Down, K::Escape, K::Escape});
        EXPECT_FALSE(dt::isMenuActive(program::mainWindow));
        EXPECT_EQ(mainText(ID_INPUT), "hola") << "Escape chose an entry";
        EXPECT_TRUE(dt::takeAnsweredBoxes().empty());
        // "Codificar Texto", the fourth entry, once a code is saved.
        dt::pressKeys(mainControl(ID_INPUT),
                      {K::F10, K::Down, K::Down, K::Down, K::Down, K::Enter});
        EXPECT_EQ(mainText(ID_RESULT), encodedWith(kCodes, "hola"));
        // "Nuevo", the first.
        dt::pressKeys(mainControl(ID_INPUT), {K::Alt, K::Down, K::Enter});
        EXPECT_EQ(mainText(ID_INPUT), "");
        EXPECT_EQ(mainText(ID_RESULT), "");
      },
      // "Salir", the last, ends the program.
      [] {
        dt::pressKeys(program::mainWindow, {K::F10, K::Down, K::Up, K::Enter});
      },
  });
}

TEST_F(ProgramFlow, AFilePresentAtStartIsUsedWithoutTheConfigurator) {
  writeBytes(configFile(), expectedRecord(kCodes));
  run({
      [] {
        expectConversionsEnabled(true);
        // Letters and digits go through the code, the rest is kept.
        dialog::setControlText(mainControl(ID_INPUT), "hola ñ2");
        dt::chooseMenuCommand(program::mainWindow, IDM_CODIFICAR);
        EXPECT_EQ(mainText(ID_RESULT), "ovsh ñ9");
        dialog::setControlText(mainControl(ID_INPUT), "ovsh ñ9");
        dt::chooseMenuCommand(program::mainWindow, IDM_TRADUCIR);
        EXPECT_EQ(mainText(ID_RESULT), "hola ñ2");
        EXPECT_EQ(program::configuratorWindow, 0u);
      },
      chooseInMain(IDM_SALIR),
  });
}

// A file as the Windows program wrote it: its codes are Windows-1252 bytes.
// The first seven symbols have codes that are not ASCII letters or digits
// (one of them two bytes, one a slot with no zero byte); the others keep
// kCodes. The ñ slot and some third bytes hold what that program left there.
struct WindowsCode {
  char symbol;
  std::string bytes;  // the slot as the file holds it
  std::string shown;  // the box text, UTF-8
};
const std::vector<WindowsCode> kWindowsCodes = {
    {'a', "\xF1", "ñ"},
    {'b', "\xE1", "á"},
    {'c', "\xBF", "¿"},
    {'d', std::string("\x80\0\x7F", 3), "€"},
    {'e', ":", ":"},
    {'f', "\xE9\xA1", "é¡"},
    {'g', "\x80\x99\x8A", "€™"},
};

std::string windowsFile() {
  std::string file = expectedRecord(kCodes);
  for (const auto& code : kWindowsCodes)
    file.replace(3 * kSlots.find(code.symbol), code.bytes.size(), code.bytes);
  file.replace(3 * kSlots.find('_'), 3, "\xF1\xE1\xBF");
  file[3 * kSlots.find('z') + 2] = '\x01';
  return file;
}

std::string windowsShown(char symbol) {
  for (const auto& code : kWindowsCodes)
    if (code.symbol == symbol) return code.shown;
  return std::string(1, kCodes[symbolIndex(symbol)]);
}

TEST_F(ProgramFlow, AFileFromTheWindowsProgramShowsItsCodesAndCannotBeSavedAsItIs) {
  const std::string file = windowsFile();
  writeBytes(configFile(), file);
  // What the Windows program's coded text read: a code per letter or digit
  // (h by o, o by v, l by s and 9 by g come from kCodes), the rest kept.
  const std::string plain = "abc defg, hola 9";
  const std::string coded = "ñá¿ €:é¡€™, ovsñ g";
  // Decoding looks up ASCII letters and digits only: the other codes stay.
  const std::string decoded = "ñá¿ €:é¡€™, holñ 9";
  const auto expectCodedText = [&] {
    dialog::setControlText(mainControl(ID_INPUT), plain);
    dt::chooseMenuCommand(program::mainWindow, IDM_CODIFICAR);
    EXPECT_EQ(mainText(ID_RESULT), coded);
    dialog::setControlText(mainControl(ID_INPUT), coded);
    dt::chooseMenuCommand(program::mainWindow, IDM_TRADUCIR);
    EXPECT_EQ(mainText(ID_RESULT), decoded);
  };
  run({
      [&] {
        expectConversionsEnabled(true);
        expectCodedText();
      },
      openConfigurator(),
      [&, this] {
        for (std::size_t i = 0; i < kSymbols.size(); ++i)
          EXPECT_EQ(boxText(kBoxIds[i]), windowsShown(kSymbols[i])) << "box of " << kSymbols[i];
        // None of the seven is an ASCII letter or digit: all red, cut to two
        // characters (they are no longer), the message, nothing written.
        EXPECT_EQ(clickAnswering(ID_GUARDAR), one(kFaultyText, "Programador"));
        for (std::size_t i = 0; i < kSymbols.size(); ++i) {
          const bool windows = std::any_of(kWindowsCodes.begin(), kWindowsCodes.end(),
                                           [&](const auto& c) { return c.symbol == kSymbols[i]; });
          expectBoxColours(kBoxIds[i], windows ? kRed : kBlack);
          EXPECT_EQ(boxText(kBoxIds[i]), windowsShown(kSymbols[i])) << "box of " << kSymbols[i];
        }
        EXPECT_TRUE(program::configErrorFlag);
        EXPECT_EQ(readBytes(configFile()), file);
        EXPECT_EQ(directoryListing(), std::vector<std::string>{std::string(kFileName)});
      },
      clickInConfigurator(ID_SALIR),
      // The tables are those of the file still.
      [&] { expectCodedText(); },
      chooseInMain(IDM_SALIR),
  });
  EXPECT_EQ(readBytes(configFile()), file);
}

// A save that fails leaves the old file exactly as it was, the program
// directory without leftovers, and the menu as it stood.
struct FailedSave {
  const char* name;
  bool oldFile;
  os::testing::ReplaceStep step;
  os::FileError error;
  std::string message;
};

class FailedSaveFlow : public ProgramFlow, public ::testing::WithParamInterface<FailedSave> {};

TEST_P(FailedSaveFlow, ShowsTheErrorAndChangesNothing) {
  const FailedSave& c = GetParam();
  if (c.oldFile) writeBytes(configFile(), expectedRecord(kCodes));
  const auto before = directoryListing();
  run({
      [&] { expectConversionsEnabled(c.oldFile); },
      openConfigurator(),
      [&, this] {
        setAllBoxes(kOtherCodes);
        os::testing::failNextReplace(c.step, c.error);
        EXPECT_EQ(clickAnswering(ID_GUARDAR), one(c.message, "Programador ..."));
        if (c.oldFile) {
          EXPECT_EQ(readBytes(configFile()), expectedRecord(kCodes));
        }
        EXPECT_EQ(directoryListing(), before);
        expectConversionsEnabled(c.oldFile);
      },
      clickInConfigurator(ID_SALIR),
      chooseInMain(IDM_SALIR),
  });
}

INSTANTIATE_TEST_SUITE_P(
    ProgramFlow, FailedSaveFlow,
    ::testing::Values(FailedSave{"WriteFailsOverAnOldFile", true, os::testing::ReplaceStep::Write,
                                 os::FileError::DiskFull, "Err:  61 Disk full"},
                      FailedSave{"FlushFailsOverAnOldFile", true, os::testing::ReplaceStep::Flush,
                                 os::FileError::MediaError, "Err:  72 Disk media error"},
                      FailedSave{"CreateFailsWithoutAFile", false, os::testing::ReplaceStep::Create,
                                 os::FileError::CannotCreate, "Err:  52 Bad file name or number"}),
    [](const ::testing::TestParamInfo<FailedSave>& row) { return std::string(row.param.name); });

// A real failure, nothing injected: a folder stands where the file would go.
// It counts as a file at start, so the conversions are offered, but it
// cannot be replaced.
TEST_F(ProgramFlow, AFolderInTheWayOfTheFileFailsTheSave) {
  fs::create_directory(configFile());
  writeBytes(configFile() / "keep.txt", "kept");
  const auto before = directoryListing();
  run({
      [] { expectConversionsEnabled(true); },
      openConfigurator(),
      [&, this] {
        for (std::uint16_t id : kBoxIds) EXPECT_EQ(boxText(id), "") << "box " << id;
        setAllBoxes(kCodes);
        EXPECT_EQ(clickAnswering(ID_GUARDAR),
                  one("Err:  52 Bad file name or number", "Programador ..."));
        EXPECT_TRUE(fs::is_directory(configFile()));
        EXPECT_EQ(readBytes(configFile() / "keep.txt"), "kept");
        EXPECT_EQ(directoryListing(), before);
        expectConversionsEnabled(true);
      },
      clickInConfigurator(ID_SALIR),
      chooseInMain(IDM_SALIR),
  });
}

}  // namespace
