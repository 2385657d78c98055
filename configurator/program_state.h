// Program-wide state shared by the main window and the configurator: the
// windows, the menu bar, the program directory, the code tables and the
// configuration record. Program logic; no platform header.
#pragma once

#include <string>

#include "codetable/codetable.h"
#include "dialog/dialog.h"

namespace program {

extern dialog::Handle mainWindow;          // set once when it is created
extern dialog::MenuHandle mainMenuBar;     // set once by buildMainMenu
extern dialog::Handle configuratorWindow;  // the configurator created last
extern std::string programDir;             // set when the main window opens
extern codetable::Tables tables;           // EncodeTable and DecodeTable
extern codetable::ConfigRecord configRecord;
extern bool configErrorFlag;
// The control that had the focus when the window was last deactivated, or 0.
extern dialog::Handle mainSavedFocus;
extern dialog::Handle configuratorSavedFocus;

// Where the program file lies. Tests point this at a directory of their own.
extern std::string (*programFilePath)();

// Keeps a window's keyboard focus across a caption activation change: when
// the window becomes inactive, remembers the focused control in `saved`;
// when it becomes active again, gives that control the focus back.
void keepFocus(dialog::Handle& saved, dialog::WParam becomingActive);

// programDir followed by the configuration file's name.
std::string configPath();

}  // namespace program
