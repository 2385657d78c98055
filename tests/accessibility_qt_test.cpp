// What assistive tools learn about the program's windows and controls on the
// Qt backend, read through QAccessible as AT-SPI reads it: names, roles and
// label relations, the description of a faulty box, the message box.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_ids.h"
#include "configurator/configurator_ids.h"
#include "dialog/dialog.h"
#include "dialog/qt/backend_qt.h"
#include "dialog/testing.h"
#include "program/program_state.h"
#include "tests/support/program_sandbox.h"

namespace {

namespace dt = dialog::testing;

QAccessibleInterface* accessible(dialog::Handle handle) {
  auto* widget = dialog::qt::controlOf(handle);
  if (!widget) widget = dialog::qt::windowOf(handle);
  return widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
}

std::string text(QAccessibleInterface* iface, QAccessible::Text which) {
  return iface ? iface->text(which).toStdString() : "<none>";
}

// The names of the labels that label this control, as AT-SPI's labelled-by.
std::vector<std::string> labelledBy(QAccessibleInterface* iface) {
  std::vector<std::string> names;
  for (const auto& [other, relation] : iface->relations(QAccessible::Label))
    if (relation & QAccessible::Label) names.push_back(text(other, QAccessible::Name));
  return names;
}

struct Named {
  std::uint16_t id;
  std::string name;
  bool multiLine;
};

// Every text control: its id, the name of its label, and its kind.
const std::vector<Named>& textControls(bool configurator) {
  static const std::vector<Named> main = {
      {app::ID_INPUT, "Entrada texto ...", true},
      {app::ID_RESULT, "Resultado ...", true},
  };
  static const std::vector<Named> boxes = [] {
    constexpr std::string_view symbols = "abcdefghijklmnopqrstuvwxyz0123456789";
    constexpr std::uint16_t ids[] = {1006, 1007, 1009, 1011, 1013, 1015, 1017, 1019, 1021,
                                     1023, 1025, 1027, 1031, 1032, 1036, 1038, 1040, 1042,
                                     1044, 1046, 1048, 1050, 1029, 1055, 1056, 1058, 1060,
                                     1062, 1064, 1066, 1068, 1070, 1072, 1074, 1053, 1077};
    std::vector<Named> list;
    for (std::size_t i = 0; i < symbols.size(); ++i)
      list.push_back({ids[i], std::string(1, symbols[i]), false});
    return list;
  }();
  return configurator ? boxes : main;
}

class Accessibility : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox_.emplace("a11y");
    dt::takeAnsweredBoxes();
  }
  void TearDown() override { sandbox_.reset(); }

  // Runs the main window through the steps; the last one must end it.
  static void run(std::vector<std::function<void()>> steps) {
    dt::queueSteps(std::move(steps));
    EXPECT_EQ(app::createMainWindow(0), 0);
  }
  static void expectTextControls(dialog::Handle window, bool configurator) {
    for (const Named& control : textControls(configurator)) {
      QAccessibleInterface* iface = accessible(dialog::controlHandle(window, control.id));
      ASSERT_NE(iface, nullptr) << control.id;
      EXPECT_EQ(text(iface, QAccessible::Name), control.name) << control.id;
      EXPECT_EQ(iface->role(), QAccessible::EditableText) << control.id;
      EXPECT_EQ(bool(iface->state().multiLine), control.multiLine) << control.id;
      EXPECT_EQ(labelledBy(iface), std::vector<std::string>{control.name}) << control.id;
    }
  }

 private:
  std::optional<program::testing::Sandbox> sandbox_;
};

TEST_F(Accessibility, EveryTextControlIsNamedByItsLabel) {
  run({
      [] {
        QAccessibleInterface* main = accessible(program::mainWindow);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(main->role(), QAccessible::Window);  // AT-SPI: frame
        EXPECT_EQ(text(main, QAccessible::Name), "Velmora");
        expectTextControls(program::mainWindow, false);
        dt::chooseMenuCommand(program::mainWindow, app::IDM_CONFIGURADOR);
      },
      [] {
        QAccessibleInterface* window = accessible(program::configuratorWindow);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->role(), QAccessible::Dialog);
        EXPECT_EQ(text(window, QAccessible::Name), "Configurador");
        expectTextControls(program::configuratorWindow, true);
        // The label of ñ names nothing.
        QAccessibleInterface* enye =
            accessible(dialog::controlHandle(program::configuratorWindow, 1035));
        ASSERT_NE(enye, nullptr);
        EXPECT_TRUE(enye->relations(QAccessible::Labelled).isEmpty());
        dt::clickButton(program::configuratorWindow, configurator::ID_SALIR);
      },
      [] { dt::chooseMenuCommand(program::mainWindow, app::IDM_SALIR); },
  });
}

TEST_F(Accessibility, AFaultyBoxIsDescribedUntilItIsFixed) {
  const auto description = [](std::uint16_t id) {
    return text(accessible(dialog::controlHandle(program::configuratorWindow, id)),
                QAccessible::Description);
  };
  run({
      [] { dt::chooseMenuCommand(program::mainWindow, app::IDM_CONFIGURADOR); },
      [&] {
        EXPECT_EQ(description(1006), "");
        // Every box but a's holds a code; a's is empty, b's repeats c's.
        constexpr std::string_view codes = "?bcdefghijklmnopqrstuvwxyz0123456789";
        const auto& boxes = textControls(true);
        for (std::size_t i = 1; i < boxes.size(); ++i)
          dialog::setControlText(dialog::controlHandle(program::configuratorWindow, boxes[i].id),
                                 std::string(1, codes[i]));
        dt::answerMessageBoxes(1);
        dt::clickButton(program::configuratorWindow, configurator::ID_GUARDAR);
        EXPECT_EQ(dt::takeAnsweredBoxes().size(), 1u);
        EXPECT_EQ(description(1006), std::string(configurator::kFaultyBoxDescription));
        EXPECT_EQ(description(1007), "");

        dialog::setControlText(dialog::controlHandle(program::configuratorWindow, 1006), "a");
        dt::answerMessageBoxes(1);
        dt::clickButton(program::configuratorWindow, configurator::ID_GUARDAR);
        EXPECT_EQ(dt::takeAnsweredBoxes().size(), 1u);
        EXPECT_EQ(description(1006), "");
        dt::clickButton(program::configuratorWindow, configurator::ID_SALIR);
      },
      [] { dt::chooseMenuCommand(program::mainWindow, app::IDM_SALIR); },
  });
}

// The layer itself: a label made after its box names it, follows its own
// text when it changes, and a label never names itself.
TEST(AccessibleLabels, ALabelNamesItsControlAndFollowsItsText) {
  const dialog::Handle window = dialog::createWindow(0, "Ventana", dialog::kDefaultPosition,
                                                     dialog::kDefaultPosition, 120, 60, 0, 0);
  dialog::addControl(window, 10, "", 5, 15, 60, 14, 0, 0, dialog::kKindTextBox);
  dialog::addControl(window, 11, "Nombre", 5, 3, 60, 10, 0, 0, dialog::kKindLabel);
  dialog::setControlLabel(window, 10, 11);
  dialog::setControlLabel(window, 11, 11);
  QAccessibleInterface* box = accessible(dialog::controlHandle(window, 10));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(text(box, QAccessible::Name), "Nombre");
  EXPECT_EQ(labelledBy(box), std::vector<std::string>{"Nombre"});
  dialog::setControlText(dialog::controlHandle(window, 11), "Apellido");
  EXPECT_EQ(text(box, QAccessible::Name), "Apellido");
  QAccessibleInterface* label = accessible(dialog::controlHandle(window, 11));
  EXPECT_TRUE(label->relations(QAccessible::Label).isEmpty());
  dialog::endWindow(window, 0);
}

TEST_F(Accessibility, AMessageBoxIsAnAlertThatSaysItsText) {
  std::string role, name, said;
  dt::queueSteps({
      [] { dialog::showMessageBox("Hola ...\r\nadios", "Programador", dialog::kMbOk); },
      [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
          auto* box = qobject_cast<QMessageBox*>(widget);
          if (!box || !box->isVisible()) continue;
          QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(box);
          role = std::to_string(iface->role());
          name = text(iface, QAccessible::Name);
          said = text(iface, QAccessible::Value);
          box->button(QMessageBox::Ok)->click();
        }
      },
  });
  dt::processEvents();
  EXPECT_EQ(role, std::to_string(QAccessible::AlertMessage));  // AT-SPI: alert
  EXPECT_EQ(name, "Programador");
  EXPECT_EQ(said, "Hola ...\nadios");
}

}  // namespace
