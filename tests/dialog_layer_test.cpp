// Behaviours of the dialog layer that the program relies on, checked on the
// real backend of the build (Win32 under Wine, Qt on Linux) through the
// platform-free API and its test driver only.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialog/dialog.h"
#include "dialog/testing.h"

namespace {

using namespace dialog;
namespace dt = dialog::testing;

struct Event {
  Handle window;
  std::uint32_t code;
  WParam wParam;
  LParam lParam;
};

// Every event the windows' callbacks saw, oldest first.
std::vector<Event> seen;
// What a test wants done when an event arrives, besides recording it.
std::function<void(const Event&)> react;

std::intptr_t recordingCallback(Handle window, std::uint32_t code, WParam wParam, LParam lParam) {
  const Event event{window, code, wParam, lParam};
  seen.push_back(event);
  if (react) react(event);
  return 0;
}

// Styles the program uses.
constexpr std::uint32_t kTextAreaStyle = 0x50A11014;  // multi-line, want-return, lower-case
constexpr std::uint32_t kCodeBoxStyle = 0x50810010;   // single line, lower-case, no auto-scroll
constexpr std::uint32_t kWideBoxStyle = 0x50810090;   // single line, lower-case, auto-scroll
constexpr std::uint32_t kPlainBoxStyle = 0;           // the layer's default text box

class DialogLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    seen.clear();
    react = nullptr;
    dt::takeAnsweredBoxes();
  }
  void TearDown() override { react = nullptr; }

  static Handle makeWindow(std::string_view title = "Prueba", std::int32_t width = 220,
                           std::int32_t height = 140) {
    return createWindow(0, title, kDefaultPosition, kDefaultPosition, width, height, 0, 0);
  }

  // Shows `window` modally and runs `steps` from its loop, one after another;
  // the window is ended after the last step if it still exists.
  static std::int32_t run(Handle window, std::vector<std::function<void()>> steps) {
    steps.push_back([window] {
      if (windowExists(window)) endWindow(window, 0);
    });
    dt::queueSteps(std::move(steps));
    return showModal(window, recordingCallback);
  }

  static std::vector<std::uint16_t> commandIds(Handle window) {
    std::vector<std::uint16_t> ids;
    for (const Event& e : seen)
      if (e.window == window && e.code == kWmCommand) ids.push_back(loWord(e.wParam));
    return ids;
  }

  static bool sawCommand(Handle window, std::uint16_t id) {
    const auto ids = commandIds(window);
    return std::find(ids.begin(), ids.end(), id) != ids.end();
  }

  // Position in `seen` of the first event matching, or -1.
  static int firstIndex(const std::function<bool(const Event&)>& match) {
    for (std::size_t i = 0; i < seen.size(); ++i)
      if (match(seen[i])) return static_cast<int>(i);
    return -1;
  }
};

// --- Opening and ending -----------------------------------------------------

TEST_F(DialogLayer, OpeningEventsArriveWhileHiddenThenTheFirstTabStopHasTheFocus) {
  const Handle window = makeWindow();
  addControl(window, 10, "Etiqueta", 5, 5, 100, 10, 0, 0, kKindLabel);
  addControl(window, 11, "", 5, 20, 100, 14, kPlainBoxStyle, 0, kKindTextBox);
  const Handle box = controlHandle(window, 11);

  bool visibleAtOpening = true;
  react = [&](const Event& e) {
    if (e.code != kWmInitDialog) return;
    visibleAtOpening = dt::isWindowVisible(window);
    // What the callback does while opening causes no events that reach it.
    setControlText(box, "abierta");
  };
  bool visibleWhenShown = false;
  Handle focusWhenShown = 0;
  std::vector<Event> openingEvents;
  std::string textWhenShown;
  run(window, {[&] {
        visibleWhenShown = dt::isWindowVisible(window);
        focusWhenShown = focusedControl();
        openingEvents = seen;
        textWhenShown = getControlText(box);
      }});

  ASSERT_GE(openingEvents.size(), 2u);
  EXPECT_EQ(kWmInitDialog, openingEvents[0].code);
  EXPECT_EQ(window, openingEvents[0].wParam);
  EXPECT_EQ(0, openingEvents[0].lParam);
  EXPECT_FALSE(visibleAtOpening);
  EXPECT_EQ(kWmSize, openingEvents[1].code);
  EXPECT_EQ(0u, openingEvents[1].wParam);
  EXPECT_TRUE(visibleWhenShown);
  EXPECT_EQ(box, focusWhenShown) << "the label comes first but takes no focus";
  EXPECT_EQ("abierta", textWhenShown);
  EXPECT_TRUE(std::none_of(openingEvents.begin() + 2, openingEvents.end(), [](const Event& e) {
    return e.code == kWmCommand;
  })) << "the text change made while opening is not reported";
}

TEST_F(DialogLayer, SizeEventCarriesTheClientAreaInPixels) {
  const Handle window = makeWindow("Tamaño", 120, 80);
  dt::Rect client{};
  std::vector<Event> openingEvents;
  run(window, {[&] {
        client = dt::clientRect(window);
        openingEvents = seen;
      }});
  ASSERT_GE(openingEvents.size(), 2u);
  ASSERT_EQ(kWmSize, openingEvents[1].code);
  const auto size = static_cast<std::uint32_t>(openingEvents[1].lParam);
  EXPECT_EQ(client.width, static_cast<int>(size & 0xFFFF));
  EXPECT_EQ(client.height, static_cast<int>(size >> 16));
}

struct EndingCase {
  const char* name;
  std::function<void(Handle)> end;
  std::int32_t expectedResult;
};

class WindowEnding : public DialogLayer, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(WindowEnding, ClosesWithTheResultAndTheCloseDestroyFinalDestroyOrder) {
  const Handle window = makeWindow();
  addControl(window, 10, "", 5, 5, 100, 14, 0, 0, kKindTextBox);
  const std::int32_t result = run(window, {[&] { GetParam().end(window); }});

  EXPECT_EQ(GetParam().expectedResult, result);
  EXPECT_FALSE(windowExists(window));
  std::vector<std::uint32_t> closing;
  for (const Event& e : seen)
    if (e.window == window &&
        (e.code == kWmClose || e.code == kWmDestroy || e.code == kWmNcDestroy))
      closing.push_back(e.code);
  EXPECT_EQ((std::vector<std::uint32_t>{kWmClose, kWmDestroy, kWmNcDestroy}), closing);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(kWmNcDestroy, seen.back().code) << "nothing reaches the callback afterwards";
}

INSTANTIATE_TEST_SUITE_P(
    Ways, WindowEnding,
    ::testing::Values(EndingCase{"CloseCommand", [](Handle w) { dt::sendCloseCommand(w); }, 0},
                      EndingCase{"EndWindow", [](Handle w) { endWindow(w, 7); }, 7},
                      EndingCase{"EndWindowWithZero", [](Handle w) { endWindow(w, 0); }, 0}),
    [](const auto& c) { return std::string(c.param.name); });

// --- Text boxes -------------------------------------------------------------

struct TypingCase {
  const char* name;
  std::uint32_t style;
  bool paste;
  const char* input;
  const char* expected;
};

class TextEntry : public DialogLayer, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(TextEntry, LowerCaseBoxesLowerWhatIsTypedOrPasted) {
  const TypingCase& c = GetParam();
  const Handle window = makeWindow();
  addControl(window, 20, "", 5, 5, 200, 60, c.style, kWsExClientEdge, kKindTextBox);
  const Handle box = controlHandle(window, 20);
  std::string text;
  run(window, {[&] {
        if (c.paste)
          dt::pasteText(box, c.input);
        else
          dt::typeText(box, c.input);
        text = getControlText(box);
      }});
  EXPECT_EQ(c.expected, text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextEntry,
    ::testing::Values(
        TypingCase{"TypedIntoTextArea", kTextAreaStyle, false, "Hola MUNDO", "hola mundo"},
        TypingCase{"PastedIntoTextArea", kTextAreaStyle, true, "PEGADO Texto", "pegado texto"},
        TypingCase{"TypedAccents", kTextAreaStyle, false, "ÑANDÚ Ü", "ñandú ü"},
        TypingCase{"PastedAccents", kTextAreaStyle, true, "ÁRBOL Ñ", "árbol ñ"},
        TypingCase{"TypedNonLatin", kTextAreaStyle, false, "中文 €", "中文 €"},
        TypingCase{"TypedIntoSingleLine", kWideBoxStyle, false, "ABC def", "abc def"},
        TypingCase{"PastedIntoSingleLine", kWideBoxStyle, true, "XyZ", "xyz"},
        TypingCase{"TypedIntoPlainBox", kPlainBoxStyle, false, "MiXto", "MiXto"},
        TypingCase{"PastedIntoPlainBox", kPlainBoxStyle, true, "PeGa", "PeGa"},
        TypingCase{"EnterInTextAreaIsALineBreak", kTextAreaStyle, false, "Uno\r\nDos",
                   "uno\r\ndos"}),
    [](const auto& c) { return std::string(c.param.name); });

// A clipboard with nothing on it, or with data but no text (an owner that
// has gone looks like this on X11), pastes nothing and breaks nothing; text
// pasted afterwards still arrives, lowered.
TEST_F(DialogLayer, PasteWithoutTextInsertsNothingInAnyBox) {
  struct Box {
    std::uint16_t id;
    std::uint32_t style;
    std::int32_t width, height;
  };
  const Box boxes[] = {{40, kTextAreaStyle, 150, 40},
                       {41, kCodeBoxStyle, 15, 15},
                       {42, kWideBoxStyle, 100, 14},
                       {43, kPlainBoxStyle, 100, 14}};
  const Handle window = makeWindow("Prueba", 220, 160);
  std::int32_t y = 5;
  for (const Box& b : boxes) {
    addControl(window, b.id, "x", 5, y, b.width, b.height, b.style, kWsExClientEdge, kKindTextBox);
    y += b.height + 5;
  }
  std::vector<std::string> afterEmpty, afterNoText, afterText;
  run(window, {[&] {
        for (const Box& b : boxes) {
          const Handle box = controlHandle(window, b.id);
          dt::pasteWithoutText(box, dt::ClipboardContent::Nothing);
          dt::pasteWithoutText(box, dt::ClipboardContent::Nothing);
          afterEmpty.push_back(getControlText(box));
          dt::pasteWithoutText(box, dt::ClipboardContent::FormatsNoText);
          dt::pasteWithoutText(box, dt::ClipboardContent::FormatsNoText);
          afterNoText.push_back(getControlText(box));
          setControlText(box, "");
          dt::pasteText(box, "Q");
          afterText.push_back(getControlText(box));
        }
      }});
  const std::vector<std::string> unchanged(std::size(boxes), "x");
  EXPECT_EQ(unchanged, afterEmpty);
  EXPECT_EQ(unchanged, afterNoText);
  EXPECT_EQ((std::vector<std::string>{"q", "q", "q", "Q"}), afterText);
}

TEST_F(DialogLayer, CodeBoxRefusesWhatDoesNotFitItsVisibleWidth) {
  const Handle window = makeWindow();
  const int gridFont = createFont("MS Sans Serif", 10, kFontBold, 0, 0, 0);
  for (std::uint16_t id = 30; id < 35; ++id)
    addControl(window, id, "", 5 + (id - 30) * 20, 5, 15, 15, kCodeBoxStyle, kWsExClientEdge,
               kKindTextBox);
  for (std::uint16_t id = 30; id < 35; ++id) setControlFont(window, id, gridFont);
  auto box = [&](std::uint16_t id) { return controlHandle(window, id); };
  const std::string longText = "abcdefghijklmnop";

  std::string typedLong, pastedLong, typedM, typedW, placed;
  run(window, {[&] {
        dt::typeText(box(30), "ABCDEFGHIJKLMNOP");
        typedLong = getControlText(box(30));
        dt::pasteText(box(31), longText);
        pastedLong = getControlText(box(31));
        dt::typeText(box(32), "M");
        typedM = getControlText(box(32));
        dt::typeText(box(33), "w");
        typedW = getControlText(box(33));
        setControlText(box(34), longText);
        placed = getControlText(box(34));
      }});
  releaseFont(gridFont);

  // Each character that would not fit is refused; a narrower one typed
  // later may still fit.
  auto keptInOrder = [&](const std::string& kept) {
    std::size_t at = 0;
    for (char c : kept)
      if ((at = longText.find(c, at)) == std::string::npos) return false;
    return true;
  };
  EXPECT_FALSE(typedLong.empty());
  EXPECT_LT(typedLong.size(), longText.size() / 2);
  EXPECT_TRUE(keptInOrder(typedLong)) << typedLong;
  EXPECT_LT(pastedLong.size(), longText.size() / 2);
  EXPECT_TRUE(keptInOrder(pastedLong)) << pastedLong;
  EXPECT_EQ("m", typedM) << "a code box holds one wide letter";
  EXPECT_EQ("w", typedW);
  EXPECT_EQ(longText, placed) << "text the program places is not cut";
}

TEST_F(DialogLayer, SetControlTextIsNeitherLoweredNorCut) {
  const Handle window = makeWindow();
  addControl(window, 20, "", 5, 5, 200, 60, kTextAreaStyle, kWsExClientEdge, kKindTextBox);
  addControl(window, 21, "", 5, 70, 15, 15, kCodeBoxStyle, kWsExClientEdge, kKindTextBox);
  std::string area, code;
  run(window, {[&] {
        setControlText(controlHandle(window, 20), "Texto CODIFICADO");
        setControlText(controlHandle(window, 21), "XYZXYZXYZ");
        area = getControlText(controlHandle(window, 20));
        code = getControlText(controlHandle(window, 21));
      }});
  EXPECT_EQ("Texto CODIFICADO", area);
  EXPECT_EQ("XYZXYZXYZ", code);
}

TEST_F(DialogLayer, ControlTextRoundTripsUtf8AndCrLf) {
  const std::vector<std::string> texts = {"",
                                          "uno\r\ndos\r\n",
                                          "línea\r\n\r\nfin",
                                          "ñandú 中文 € ü",
                                          "a\tb",
                                          std::string(5000, 'x') + "\r\nñ"};
  const Handle window = makeWindow("Título ñ 中");
  addControl(window, 20, "inicial ñ", 5, 5, 200, 60, kTextAreaStyle, kWsExClientEdge, kKindTextBox);
  addControl(window, 21, "", 5, 70, 200, 14, kWideBoxStyle, kWsExClientEdge, kKindTextBox);
  const Handle area = controlHandle(window, 20);
  std::vector<std::string> back;
  std::string initial, title, single;
  run(window, {[&] {
        initial = getControlText(area);
        title = getControlText(window);
        for (const std::string& text : texts) {
          setControlText(area, text);
          back.push_back(getControlText(area));
        }
        setControlText(controlHandle(window, 21), "ñ中");
        single = getControlText(controlHandle(window, 21));
      }});
  EXPECT_EQ("inicial ñ", initial);
  EXPECT_EQ("Título ñ 中", title);
  EXPECT_EQ(texts, back);
  EXPECT_EQ("ñ中", single);
  EXPECT_EQ("", getControlText(0));
}

// --- Dialog keyboard handling -----------------------------------------------

TEST_F(DialogLayer, TabFollowsCreationOrderAndSkipsLabelsAndFrames) {
  const Handle window = makeWindow();
  addControl(window, 40, "Etiqueta", 5, 5, 60, 10, 0, 0, kKindLabel);
  addControl(window, 41, "", 5, 16, 60, 14, 0, 0, kKindTextBox);
  addControl(window, 42, "Marco", 70, 5, 100, 60, 0, 0, kKindFrame);
  addControl(window, 43, "Botón", 75, 16, 50, 14, 0, 0, kKindButton);
  addControl(window, 44, "Otra", 5, 40, 60, 10, 0, 0, kKindLabel);
  addControl(window, 45, "", 5, 52, 60, 40, kTextAreaStyle, kWsExClientEdge, kKindTextBox);
  auto idOfFocus = [&]() -> int {
    const Handle focus = focusedControl();
    for (std::uint16_t id = 40; id <= 45; ++id)
      if (controlHandle(window, id) == focus) return id;
    return -1;
  };
  std::vector<int> order;
  std::string areaText = "?";
  run(window, {[&] {
        order.push_back(idOfFocus());
        for (int i = 0; i < 3; ++i) {
          dt::pressKey(focusedControl(), dt::Key::Tab);
          order.push_back(idOfFocus());
        }
        dt::pressKey(focusedControl(), dt::Key::ShiftTab);
        order.push_back(idOfFocus());
        dt::pressKey(focusedControl(), dt::Key::ShiftTab);
        order.push_back(idOfFocus());
        areaText = getControlText(controlHandle(window, 45));
      }});
  EXPECT_EQ((std::vector<int>{41, 43, 45, 41, 45, 43}), order);
  EXPECT_EQ("", areaText) << "Tab in a text area moves on and types nothing";
}

TEST_F(DialogLayer, EnterAndEscapeSendCommandsOneAndTwoAndNeverClose) {
  const Handle window = makeWindow();
  addControl(window, 50, "", 5, 5, 100, 14, 0, 0, kKindTextBox);
  addControl(window, 51, "", 5, 25, 200, 60, kTextAreaStyle, kWsExClientEdge, kKindTextBox);
  const Handle single = controlHandle(window, 50);
  const Handle area = controlHandle(window, 51);
  std::vector<std::uint16_t> afterEnter, afterEscape, afterAreaEscape, afterAreaEnter;
  bool openAfterKeys = false;
  std::string areaText, singleText;
  run(window, {[&] {
                 seen.clear();
                 dt::pressKey(single, dt::Key::Enter);
                 afterEnter = commandIds(window);
                 seen.clear();
                 dt::pressKey(single, dt::Key::Escape);
                 afterEscape = commandIds(window);
               },
               [&] {
                 seen.clear();
                 dt::pressKey(area, dt::Key::Escape);
               },
               [&] {
                 afterAreaEscape = commandIds(window);
                 seen.clear();
                 dt::pressKey(area, dt::Key::Enter);
                 afterAreaEnter = commandIds(window);
               },
               [&] {
                 openAfterKeys = windowExists(window) && dt::isWindowVisible(window);
                 areaText = getControlText(area);
                 singleText = getControlText(single);
               }});

  auto has = [](const std::vector<std::uint16_t>& ids, std::uint16_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
  };
  EXPECT_TRUE(has(afterEnter, kIdOk));
  EXPECT_TRUE(has(afterEscape, kIdCancel));
  EXPECT_TRUE(has(afterAreaEscape, kIdCancel)) << "Escape anywhere is command 2";
  EXPECT_FALSE(has(afterAreaEnter, kIdOk)) << "Enter in a text area is a line break";
  EXPECT_EQ("\r\n", areaText);
  EXPECT_TRUE(openAfterKeys);
  EXPECT_EQ("", singleText);
}

TEST_F(DialogLayer, WhatACallbackThrowsStaysOutOfTheLoop) {
  const Handle window = makeWindow();
  addControl(window, 60, "Uno", 5, 5, 40, 14, 0, 0, kKindButton);
  // Throws while opening and on the first click; the loop and the window go
  // on as if the callback had answered 0.
  int clicks = 0;
  react = [&](const Event& e) {
    if (e.code == kWmInitDialog) throw std::runtime_error("al abrir");
    if (e.code == kWmCommand && loWord(e.wParam) == 60 && ++clicks == 1) throw 1;
  };
  bool openAfterThrow = false;
  run(window, {[&] { dt::clickButton(window, 60); },
               [&] {
                 openAfterThrow = windowExists(window) && dt::isWindowVisible(window);
                 dt::clickButton(window, 60);
               }});
  EXPECT_TRUE(openAfterThrow);
  EXPECT_EQ(clicks, 2) << "the second click still reaches the callback";
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(kWmSize, seen[1].code) << "the opening goes on after a throw";
  EXPECT_EQ(kWmNcDestroy, seen.back().code);
}

// --- Several windows ----------------------------------------------------------

TEST_F(DialogLayer, NestedModalWindowLeavesTheOuterOneUsable) {
  const Handle outer = makeWindow("Exterior");
  addControl(outer, 60, "Botón", 5, 5, 50, 14, 0, 0, kKindButton);
  addControl(outer, 61, "", 5, 25, 100, 14, 0, 0, kKindTextBox);
  Handle inner = 0;
  std::int32_t innerResult = -1;
  bool outerShownMeanwhile = false;
  bool innerActiveWhenShown = false;
  std::string typedInOuter;
  bool clickReachedOuter = false;

  const std::int32_t outerResult =
      run(outer, {[&] {
                    inner = makeWindow("Interior", 120, 60);
                    addControl(inner, 70, "", 5, 5, 100, 14, 0, 0, kKindTextBox);
                    innerResult = showModal(inner, recordingCallback);
                  },
                  [&] {
                    innerActiveWhenShown = dt::activeWindow() == inner;
                    seen.clear();
                    dt::clickButton(outer, 60);
                    clickReachedOuter = sawCommand(outer, 60);
                    dt::typeText(controlHandle(outer, 61), "Afuera");
                    typedInOuter = getControlText(controlHandle(outer, 61));
                    outerShownMeanwhile = dt::isWindowVisible(outer);
                  },
                  [&] { endWindow(inner, 5); }, [&] { endWindow(outer, 3); }});

  EXPECT_TRUE(innerActiveWhenShown);
  EXPECT_TRUE(clickReachedOuter) << "the outer window's commands run while the inner is shown";
  EXPECT_EQ("Afuera", typedInOuter);
  EXPECT_TRUE(outerShownMeanwhile);
  EXPECT_EQ(5, innerResult);
  EXPECT_EQ(3, outerResult);
}

TEST_F(DialogLayer, CaptionActivationGoesInactiveBeforeActive) {
  const Handle first = makeWindow("Primera");
  addControl(first, 80, "", 5, 5, 100, 14, 0, 0, kKindTextBox);
  Handle second = 0;
  std::vector<Event> whenFirstRaised, whenSecondRaised;
  Handle activeAfterFirst = 0, activeAfterSecond = 0;
  auto ncActivations = [] {
    std::vector<Event> out;
    for (const Event& e : seen)
      if (e.code == kWmNcActivate) out.push_back(e);
    return out;
  };
  run(first, {[&] {
                second = makeWindow("Segunda", 120, 60);
                addControl(second, 81, "", 5, 5, 100, 14, 0, 0, kKindTextBox);
                showModal(second, recordingCallback);
              },
              [&] {
                seen.clear();
                bringToFront(first);
              },
              [&] {
                whenFirstRaised = ncActivations();
                activeAfterFirst = dt::activeWindow();
                seen.clear();
                bringToFront(second);
              },
              [&] {
                whenSecondRaised = ncActivations();
                activeAfterSecond = dt::activeWindow();
                endWindow(second, 0);
              }});

  auto inactiveBeforeActive = [](const std::vector<Event>& events, Handle losing, Handle gaining) {
    int lost = -1, gained = -1;
    for (std::size_t i = 0; i < events.size(); ++i) {
      if (lost < 0 && events[i].window == losing && events[i].wParam == 0)
        lost = static_cast<int>(i);
      if (gained < 0 && events[i].window == gaining && events[i].wParam != 0)
        gained = static_cast<int>(i);
    }
    return lost >= 0 && gained >= 0 && lost < gained;
  };
  EXPECT_EQ(first, activeAfterFirst);
  EXPECT_TRUE(inactiveBeforeActive(whenFirstRaised, second, first));
  EXPECT_EQ(second, activeAfterSecond);
  EXPECT_TRUE(inactiveBeforeActive(whenSecondRaised, first, second));
}

// --- Message boxes ------------------------------------------------------------

TEST_F(DialogLayer, MessageBoxWithoutOwnerBlocksNoWindow) {
  const Handle window = makeWindow();
  addControl(window, 90, "Botón", 5, 5, 50, 14, 0, 0, kKindButton);
  int answer = -1;
  bool commandWhileBoxUp = false;
  run(window, {[&] { answer = showMessageBox("Uno\r\nDos", "Programador", kMbOk); },
               [&] {
                 seen.clear();
                 dt::clickButton(window, 90);
                 commandWhileBoxUp = sawCommand(window, 90);
                 dt::answerMessageBoxes(1);
               }});
  EXPECT_EQ(kIdOk, answer);
  EXPECT_TRUE(commandWhileBoxUp);
  const auto boxes = dt::takeAnsweredBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Uno\r\nDos", boxes[0].text);
  EXPECT_EQ("Programador", boxes[0].title);
}

TEST_F(DialogLayer, MessageBoxGivesTheFocusBackToTheWindowThatHadIt) {
  const Handle window = makeWindow();
  addControl(window, 91, "", 5, 5, 100, 14, 0, 0, kKindTextBox);
  addControl(window, 92, "", 5, 25, 100, 14, 0, 0, kKindTextBox);
  const Handle second = controlHandle(window, 92);
  Handle activeAfter = 0, focusAfter = 0;
  std::string typed;
  run(window, {[&] {
                 setFocus(second);
                 dt::answerMessageBoxes(1);
                 showMessageBox("Aviso", "Programador", kMbOk);
               },
               [&] {
                 activeAfter = dt::activeWindow();
                 focusAfter = focusedControl();
                 dt::typeText(focusedControl(), "sigue");
                 typed = getControlText(second);
               }});
  EXPECT_EQ(window, activeAfter);
  EXPECT_EQ(second, focusAfter);
  EXPECT_EQ("sigue", typed);
}

TEST_F(DialogLayer, MessageBoxCanBeShownWhileNoWindowExists) {
  dt::answerMessageBoxes(1);
  EXPECT_EQ(kIdOk, showMessageBox("Sin ventana", "Programador ...", kMbOk));
  const auto boxes = dt::takeAnsweredBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("Sin ventana", boxes[0].text);
  EXPECT_EQ("Programador ...", boxes[0].title);
}

// --- Menus --------------------------------------------------------------------

TEST_F(DialogLayer, DisabledMenuEntrySendsNothingAndEnablingWorksAtOnce) {
  const Handle window = makeWindow("Menú", 200, 120);
  addControl(window, 99, "", 5, 5, 100, 14, 0, 0, kKindTextBox);
  const MenuHandle bar = createMenuBar();
  const MenuHandle ops = createPopupMenu();
  const MenuHandle other = createPopupMenu();
  appendMenuItem(bar, "Ops", ops, 0, kMenuEnabled, kMenuAtEnd, kMenuPopupEntry);
  for (auto [text, id] : {std::pair<const char*, std::uint16_t>{"Primero", 100},
                          {"-", 0},
                          {"Segundo", 101},
                          {"--", 102},
                          {"a-b", 103}})
    appendMenuItem(ops, text, 0, id, kMenuEnabled, kMenuAtEnd, kMenuByPosition);
  // Entries may be added after the popup went into the bar.
  appendMenuItem(bar, "Otro", other, 0, kMenuEnabled, kMenuAtEnd, kMenuPopupEntry);
  appendMenuItem(other, "Tercero", 0, 104, kMenuEnabled, kMenuAtEnd, kMenuByPosition);
  attachMenu(window, bar);

  std::vector<std::string> layout;
  bool enabledAfterDisable = true, enabledAfterEnable = false;
  std::vector<std::uint16_t> whileDisabled, afterEnable, others;
  std::vector<Event> commandEvents;
  run(window, {[&] {
                 layout = dt::menuLayout(window);
                 setMenuItemState(bar, 101, kMenuDisabled, kMenuByCommand);
                 enabledAfterDisable = dt::isMenuItemEnabled(window, 101);
                 seen.clear();
                 dt::chooseMenuCommand(window, 101);
               },
               [&] {
                 whileDisabled = commandIds(window);
                 setMenuItemState(bar, 101, kMenuEnabled, kMenuByCommand);
                 enabledAfterEnable = dt::isMenuItemEnabled(window, 101);
                 seen.clear();
                 dt::chooseMenuCommand(window, 101);
               },
               [&] {
                 afterEnable = commandIds(window);
                 for (const Event& e : seen)
                   if (e.code == kWmCommand) commandEvents.push_back(e);
                 seen.clear();
                 dt::chooseMenuCommand(window, 102);
                 dt::chooseMenuCommand(window, 104);
               },
               [&] { others = commandIds(window); }});

  EXPECT_EQ((std::vector<std::string>{"Ops", "  Primero", "  -", "  Segundo", "  --", "  a-b",
                                      "Otro", "  Tercero"}),
            layout);
  EXPECT_FALSE(enabledAfterDisable);
  EXPECT_TRUE(std::find(whileDisabled.begin(), whileDisabled.end(), 101) == whileDisabled.end());
  EXPECT_TRUE(enabledAfterEnable);
  EXPECT_EQ(std::vector<std::uint16_t>{101}, afterEnable);
  ASSERT_EQ(1u, commandEvents.size());
  EXPECT_EQ(makeWParam(101, 0), commandEvents[0].wParam);
  EXPECT_EQ(0, commandEvents[0].lParam);
  EXPECT_EQ((std::vector<std::uint16_t>{102, 104}), others);
}

// --- Fonts --------------------------------------------------------------------

TEST(DialogFonts, SameDescriptionGivesTheSameNumber) {
  const int base = createFont("MS Sans Serif", 10, kFontBold, 0, 0, 0);
  EXPECT_GE(base, 4) << "1 to 3 are the layer's own fonts";
  EXPECT_EQ(base, createFont("MS Sans Serif", 10, kFontBold, 0, 0, 0));

  const std::vector<int> variants = {
      createFont("MS Sans Serif", 8, kFontBold, 0, 0, 0),
      createFont("MS Sans Serif", 10, 0, 0, 0, 0),
      createFont("MS Sans Serif", 10, kFontBold | kFontItalic, 0, 0, 0),
      createFont("MS Sans Serif", 10, kFontBold | kFontUnderline, 0, 0, 0),
      createFont("MS Sans Serif", 10, kFontBold | kFontStrikeOut, 0, 0, 0),
      createFont("MS Sans Serif", 10, kFontBold | kFontCellHeight, 0, 0, 0),
      createFont("MS Sans Serif", 10, kFontBold, 1, 0, 0),
      createFont("MS Sans Serif", 10, kFontBold, 0, 2, 0),
      createFont("MS Sans Serif", 10, kFontBold, 0, 0, 900),
      createFont("Courier New", 10, kFontBold, 0, 0, 0),
  };
  std::vector<int> all = variants;
  all.push_back(base);
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all.end(), std::adjacent_find(all.begin(), all.end())) << "every variant is new";

  EXPECT_EQ(createFont("MS Sans Serif", 0, 0, 0, 0, 0), createFont("MS Sans Serif", 8, 0, 0, 0, 0))
      << "size 0 means 8 points";
  const std::string face31(31, 'F');
  EXPECT_EQ(createFont(face31 + "uno", 9, 0, 0, 0, 0), createFont(face31 + "dos", 9, 0, 0, 0, 0))
      << "faces are cut to 31 characters";
}

TEST_F(DialogLayer, ControlsShowTheFontSetOnThem) {
  const Handle window = makeWindow();
  addControl(window, 110, "Texto", 5, 5, 100, 20, 0, 0, kKindLabel);
  addControl(window, 111, "Texto", 5, 30, 100, 20, 0, 0, kKindLabel);
  const int big = createFont("MS Sans Serif", 10, kFontBold, 0, 0, 0);
  const int small = createFont("MS Sans Serif", 8, 0, 0, 0, 0);
  setControlFont(window, 110, big);
  setControlFont(window, 111, small);
  dt::FontInfo bigInfo{}, smallInfo{};
  run(window, {[&] {
        bigInfo = dt::controlFont(controlHandle(window, 110));
        smallInfo = dt::controlFont(controlHandle(window, 111));
      }});
  releaseFont(big);
  releaseFont(small);
  EXPECT_EQ(700, bigInfo.weight);
  EXPECT_EQ(400, smallInfo.weight);
  EXPECT_GT(bigInfo.pixelHeight, smallInfo.pixelHeight);
  EXPECT_FALSE(bigInfo.family.empty());
}

TEST_F(DialogLayer, ReleasingAFontStillShownElsewhereLeavesItInPlace) {
  const int font = createFont("MS Sans Serif", 10, kFontBold | kFontItalic, 0, 0, 0);
  const Handle outer = makeWindow("Exterior");
  addControl(outer, 120, "Sigue", 5, 5, 100, 20, 0, 0, kKindLabel);
  setControlFont(outer, 120, font);
  dt::FontInfo before{}, after{};
  Handle inner = 0;
  run(outer, {[&] {
                before = dt::controlFont(controlHandle(outer, 120));
                inner = makeWindow("Interior");
                addControl(inner, 121, "Se va", 5, 5, 100, 20, 0, 0, kKindLabel);
                setControlFont(inner, 121, font);
                showModal(inner, recordingCallback);
                // The inner window is gone; the outer label still shows the font.
                releaseFont(font);
                redrawControl(controlHandle(outer, 120));
                after = dt::controlFont(controlHandle(outer, 120));
              },
              [&] { endWindow(inner, 0); }});
  releaseFont(font);
  EXPECT_EQ(before.weight, after.weight);
  EXPECT_EQ(before.pixelHeight, after.pixelHeight);
  EXPECT_EQ(before.family, after.family);

  // Released for good, it is made again on its next use.
  const Handle again = makeWindow("Otra vez");
  addControl(again, 122, "Texto", 5, 5, 100, 20, 0, 0, kKindLabel);
  setControlFont(again, 122, font);
  dt::FontInfo remade{};
  run(again, {[&] { remade = dt::controlFont(controlHandle(again, 122)); }});
  releaseFont(font);
  EXPECT_EQ(before.weight, remade.weight);
  EXPECT_EQ(before.pixelHeight, remade.pixelHeight);
}

// --- Colours ------------------------------------------------------------------

TEST_F(DialogLayer, ColoursShowAfterRedrawAndStayUntilSetAgain) {
  const Handle window = makeWindow();
  addControl(window, 130, "", 5, 5, 100, 40, kTextAreaStyle, kWsExClientEdge, kKindTextBox);
  addControl(window, 131, "", 5, 50, 15, 15, kCodeBoxStyle, kWsExClientEdge, kKindTextBox);
  addControl(window, 132, "", 25, 50, 15, 15, kCodeBoxStyle, kWsExClientEdge, kKindTextBox);
  const Handle area = controlHandle(window, 130);
  const Handle code = controlHandle(window, 131);
  const Handle untouched = controlHandle(window, 132);
  const Colour red = rgb(200, 0, 0), yellow = rgb(255, 255, 0), green = rgb(0, 160, 0);

  struct Seen {
    Colour text, background;
  };
  Seen defaults{}, coloured{}, sharing{}, emptied{}, highBits{}, reset{}, stillShared{};
  auto look = [](Handle control) {
    return Seen{dt::controlTextColour(control), dt::controlBackgroundColour(control)};
  };
  run(window, {[&] {
        setControlText(area, "texto");
        defaults = look(untouched);
        setControlColor(window, 130, red, yellow);
        redrawControl(area);
        coloured = look(area);
        setControlColor(window, 131, green, yellow);  // the same background
        redrawControl(code);
        sharing = look(code);
        setControlText(area, "");
        redrawControl(area);
        emptied = look(area);
        setControlColor(window, 130, static_cast<Colour>(0x7F000000 | green), yellow);
        redrawControl(area);
        highBits = look(area);
        setControlColor(window, 130, -1, -1);
        redrawControl(area);
        reset = look(area);
        redrawControl(code);
        stillShared = look(code);
      }});

  EXPECT_EQ(red, coloured.text);
  EXPECT_EQ(yellow, coloured.background);
  EXPECT_EQ(green, sharing.text);
  EXPECT_EQ(yellow, sharing.background);
  EXPECT_EQ(red, emptied.text) << "emptying the text keeps the colours";
  EXPECT_EQ(yellow, emptied.background);
  EXPECT_EQ(green, highBits.text) << "bits above the colour are cleared";
  EXPECT_EQ(defaults.text, reset.text) << "a negative colour is the default";
  EXPECT_EQ(defaults.background, reset.background);
  EXPECT_EQ(yellow, stillShared.background) << "another box still uses that background";
  EXPECT_NE(yellow, defaults.background);
}

// --- Geometry -----------------------------------------------------------------

// Dialog units to pixels, rounded half away from zero.
int toPixels(int units, int base, int divisor) {
  return (2 * units * base + divisor) / (2 * divisor);
}

TEST_F(DialogLayer, ControlsArePlacedEdgeByEdgeInDialogUnits) {
  struct Place {
    int x, y, width, height;
  };
  const std::vector<Place> places = {{5, 14, 360, 195}, {1, 1, 2, 3}, {3, 5, 15, 15},
                                     {7, 11, 1, 1},     {0, 0, 4, 8}, {5, 211, 335, 10}};
  const Handle window = makeWindow("Posiciones", 367, 457);
  for (std::size_t i = 0; i < places.size(); ++i) {
    const Place& p = places[i];
    addControl(window, static_cast<std::uint16_t>(140 + i), "", p.x, p.y, p.width, p.height, 0, 0,
               kKindLabel);
  }
  std::vector<dt::Rect> rects;
  dt::Rect client{};
  int bx = 0, by = 0;
  run(window, {[&] {
        bx = dt::baseUnitX();
        by = dt::baseUnitY();
        client = dt::clientRect(window);
        for (std::size_t i = 0; i < places.size(); ++i)
          rects.push_back(
              dt::controlRect(controlHandle(window, static_cast<std::uint16_t>(140 + i))));
      }});
  ASSERT_GT(bx, 0);
  ASSERT_GT(by, 0);
  EXPECT_EQ(toPixels(367, bx, 4), client.width);
  EXPECT_EQ(toPixels(457, by, 8), client.height);
  ASSERT_EQ(places.size(), rects.size());
  for (std::size_t i = 0; i < places.size(); ++i) {
    const Place& p = places[i];
    const int left = toPixels(p.x, bx, 4), right = toPixels(p.x + p.width, bx, 4);
    const int top = toPixels(p.y, by, 8), bottom = toPixels(p.y + p.height, by, 8);
    SCOPED_TRACE(i);
    EXPECT_EQ(left, rects[i].left);
    EXPECT_EQ(top, rects[i].top);
    EXPECT_EQ(right - left, rects[i].width);
    EXPECT_EQ(bottom - top, rects[i].height);
  }
}

TEST_F(DialogLayer, MenuBarTakesItsHeightFromTheClientArea) {
  const Handle plain = makeWindow("Sin menú", 200, 120);
  const Handle withMenu = makeWindow("Con menú", 200, 120);
  const MenuHandle bar = createMenuBar();
  const MenuHandle popup = createPopupMenu();
  appendMenuItem(bar, "Operaciones", popup, 0, kMenuEnabled, kMenuAtEnd, kMenuPopupEntry);
  appendMenuItem(popup, "Salir", 0, 1087, kMenuEnabled, kMenuAtEnd, kMenuByPosition);
  attachMenu(withMenu, bar);
  dt::Rect plainClient{}, menuClient{};
  run(plain, {[&] { plainClient = dt::clientRect(plain); }});
  run(withMenu, {[&] { menuClient = dt::clientRect(withMenu); }});
  EXPECT_EQ(plainClient.width, menuClient.width);
  EXPECT_LT(menuClient.height, plainClient.height);
  EXPECT_GT(menuClient.height, plainClient.height / 2);
}

// --- Handles that name nothing ------------------------------------------------

TEST_F(DialogLayer, OperationsOnMissingWindowsAndControlsDoNothing) {
  const Handle window = makeWindow();
  addControl(window, 150, "queda", 5, 5, 100, 14, 0, 0, kKindTextBox);
  const int font = createFont("MS Sans Serif", 10, kFontBold, 0, 0, 0);
  std::string text;
  Handle missing = 1;
  run(window, {[&] {
        missing = controlHandle(window, 999);
        addControl(0, 151, "x", 5, 5, 10, 10, 0, 0, kKindTextBox);
        setControlFont(window, 999, font);
        setControlFont(0, 150, font);
        setControlColor(window, 999, rgb(1, 2, 3), rgb(4, 5, 6));
        setControlText(0, "nada");
        setWindowIcon(window, "#9999");
        setWindowIcon(controlHandle(window, 150), "#200");
        endWindow(0, 1);
        text = getControlText(controlHandle(window, 150));
      }});
  releaseFont(font);
  EXPECT_EQ(0u, missing);
  EXPECT_EQ("queda", text);
  EXPECT_EQ(0u, controlHandle(0, 150));
}

// A control is not a window: as a parent, or as the window a call names, it
// is refused the same way on every backend.
TEST_F(DialogLayer, AControlIsNeverTakenForAWindow) {
  const Handle window = makeWindow("Ventana");
  addControl(window, 160, "Nombre", 5, 5, 60, 10, 0, 0, kKindLabel);
  addControl(window, 161, "", 5, 20, 60, 14, 0, 0, kKindTextBox);
  addControl(window, 162, "", 5, 40, 60, 14, 0, 0, kKindTextBox);
  const Handle box = controlHandle(window, 161);
  Handle child = 1;
  bool childExists = true;
  std::string title, boxText;
  run(window, {[&] {
        child = createWindow(box, "Hija", kDefaultPosition, kDefaultPosition, 50, 30, 0, 0);
        childExists = windowExists(box);
        addControl(box, 163, "x", 1, 1, 10, 10, 0, 0, kKindLabel);
        title = getControlText(window);
        boxText = getControlText(box);
      }});
  EXPECT_EQ(0u, child) << "a window's parent is 0 or a window of the layer";
  EXPECT_FALSE(childExists);
  EXPECT_EQ(0u, controlHandle(box, 163));
  EXPECT_EQ("Ventana", title) << "a window's text is its title";
  EXPECT_EQ("", boxText);
}

TEST_F(DialogLayer, ShowingWithoutACallbackShowsNothing) {
  const Handle window = makeWindow();
  EXPECT_EQ(0, showModal(window, nullptr));
  EXPECT_TRUE(windowExists(window));
  EXPECT_FALSE(dt::isWindowVisible(window));
  EXPECT_TRUE(seen.empty());
  endWindow(window, 0);
  EXPECT_FALSE(windowExists(window));
}

// A session made inside another (runProgram called from a test, say) shares
// it: ending it takes nothing from the windows and fonts in use.
TEST_F(DialogLayer, ASessionInsideAnotherLeavesItsFontsInPlace) {
  const Handle window = makeWindow();
  addControl(window, 170, "Texto", 5, 5, 100, 20, 0, 0, kKindLabel);
  const int font = createFont("MS Sans Serif", 20, 0, 0, 0, 0);
  setControlFont(window, 170, font);
  const dt::FontInfo before = dt::controlFont(controlHandle(window, 170));
  { const Session inner; }
  EXPECT_EQ(7, runProgram([] { return 7; }));
  dt::FontInfo after{};
  run(window, {[&] { after = dt::controlFont(controlHandle(window, 170)); }});
  releaseFont(font);
  EXPECT_EQ(400, before.weight);
  EXPECT_GT(before.pixelHeight, 20);
  EXPECT_EQ(before.family, after.family);
  EXPECT_EQ(before.pixelHeight, after.pixelHeight);
  EXPECT_EQ(before.weight, after.weight);
}

}  // namespace
