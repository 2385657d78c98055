// Program-wide state shared by the main window and the configurator: the
// windows, the menu bar, the program directory, the code tables and the
// configuration record, the saved focus of each window, the title of the
// program's messages and the enabling of the two conversions. Program logic;
// no platform header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "codetable/codetable.h"
#include "dialog/dialog.h"

namespace program {

// The two conversion commands of the main window's "Operaciones" menu,
// enabled only once a configuration is loaded or saved.
inline constexpr std::uint16_t IDM_TRADUCIR = 1084;
inline constexpr std::uint16_t IDM_CODIFICAR = 1085;

// The title of the program's message boxes, in both windows.
inline constexpr std::string_view kMessageTitle = "Programador";

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

// Enables or disables "Traducir Texto" and "Codificar Texto" in the main
// menu bar.
void setConversionsEnabled(bool enabled);

// programDir followed by the configuration file's name.
std::string configPath();

}  // namespace program
