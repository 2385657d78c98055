// Menus and message boxes of the Qt backend. Linux side.
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

#include "dialog/qt/backend_qt.h"

namespace dialog::qt {

Menu* menuOf(MenuHandle menu) {
  for (auto& m : backend().menus)
    if (m->handle() == menu) return m.get();
  return nullptr;
}

namespace {

Menu* newMenu(bool bar) {
  auto menu = std::make_unique<Menu>();
  menu->bar = bar;
  if (bar)
    menu->barWidget = new QMenuBar();
  else
    menu->popupWidget = new QMenu();
  backend().menus.push_back(std::move(menu));
  return backend().menus.back().get();
}

QWidget* widgetOf(Menu& menu) {
  return menu.bar ? static_cast<QWidget*>(menu.barWidget) : menu.popupWidget;
}

// Finds an entry by command id, searching the popups too.
MenuEntry* findByCommand(Menu& menu, std::uint16_t commandId) {
  for (auto& entry : menu.entries) {
    if (!entry.separator && !entry.popup && entry.commandId == commandId) return &entry;
    if (Menu* popup = menuOf(entry.popup))
      if (MenuEntry* found = findByCommand(*popup, commandId)) return found;
  }
  return nullptr;
}

}  // namespace

void releaseMenus(Handle window) {
  auto& menus = backend().menus;
  std::vector<Menu*> gone;
  for (auto& menu : menus)
    if (menu->owner() == window) gone.push_back(menu.get());
  for (Menu* menu : gone) {
    // The bar is a child of the window and goes with it; popups are not.
    if (menu->popupWidget) menu->popupWidget->deleteLater();
  }
  std::erase_if(menus, [&gone](const auto& menu) {
    return std::find(gone.begin(), gone.end(), menu.get()) != gone.end();
  });
}

}  // namespace dialog::qt

namespace dialog::driver {

using namespace qt;

MenuHandle createMenu(bool bar) {
  return newMenu(bar)->handle();
}

void appendMenuItem(MenuHandle menuHandle, std::string_view text, MenuHandle popupHandle,
                    std::uint16_t commandId, std::uint32_t state, std::int32_t position,
                    std::uint32_t mode) {
  Menu* menu = menuOf(menuHandle);
  if (!menu) return;

  // Where the entry goes: before a position (1-based) or a command id.
  std::size_t index = menu->entries.size();
  if (mode & kMenuByCommand) {
    for (std::size_t i = 0; i < menu->entries.size(); ++i)
      if (menu->entries[i].commandId == static_cast<std::uint32_t>(position)) index = i;
  } else if (position >= 1 && static_cast<std::size_t>(position) <= menu->entries.size()) {
    index = static_cast<std::size_t>(position) - 1;
  }
  QAction* before = index < menu->entries.size() ? menu->entries[index].action : nullptr;

  MenuEntry entry;
  QWidget* owner = widgetOf(*menu);
  if (text == "-") {
    entry.separator = true;
    entry.action = new QAction(owner);
    entry.action->setSeparator(true);
  } else if (Menu* popup = menuOf(popupHandle)) {
    popup->parent = menu;
    popup->popupWidget->setTitle(toQt(text));
    entry.popup = popupHandle;
    entry.action = popup->popupWidget->menuAction();
  } else {
    entry.commandId = commandId;
    entry.action = new QAction(toQt(text), owner);
    const Menu* self = menu;
    QObject::connect(entry.action, &QAction::triggered, [self, commandId] {
      // A menu command: id in the low word, 0 in the high word, lParam 0.
      sendCommand(self->owner(), commandId, 0, 0);
    });
  }
  entry.action->setEnabled(!(state & (kMenuDisabled | kMenuGrayed)) || entry.separator);
  owner->insertAction(before, entry.action);
  menu->entries.insert(menu->entries.begin() + static_cast<std::ptrdiff_t>(index), entry);
}

void attachMenu(Handle window, MenuHandle bar) {
  Menu* menu = menuOf(bar);
  if (!menu || !menu->bar) return;
  menu->window = window;
  windowOf(window)->setMenuBar(menu->barWidget);
}

void setMenuItemState(MenuHandle menuHandle, std::uint32_t entry, std::uint32_t state,
                      std::uint32_t mode) {
  Menu* menu = menuOf(menuHandle);
  if (!menu) return;
  MenuEntry* target = nullptr;
  if (mode & kMenuByCommand) {
    target = findByCommand(*menu, static_cast<std::uint16_t>(entry));
  } else if (entry >= 1 && entry <= menu->entries.size()) {
    target = &menu->entries[entry - 1];
  }
  if (target && !target->separator)
    target->action->setEnabled(!(state & (kMenuDisabled | kMenuGrayed)));
}

int showMessageBox(std::string_view text, std::string_view title, std::uint32_t /*style*/) {
  // Ownerless and not application-modal: every other window stays usable
  // while the box waits in its own loop.
  QMessageBox box(QMessageBox::NoIcon, toQt(title), toQt(text), QMessageBox::Ok, nullptr);
  box.setWindowModality(Qt::NonModal);
  box.button(QMessageBox::Ok)->setIcon(QIcon());

  QEventLoop loop;
  QObject::connect(&box, &QMessageBox::finished, &loop, [&loop] { loop.exit(0); });
  backend().requestedActive = 0;
  box.show();
  box.raise();
  box.activateWindow();
  loop.exec();
  box.hide();
  return kIdOk;
}

}  // namespace dialog::driver
