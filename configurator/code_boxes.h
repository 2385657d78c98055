// The code boxes' side of the code table: filling them from the
// configuration file, saving what they hold, and checking and colouring them
// before a save. Program logic; no platform header.
#pragma once

#include <cstdint>
#include <string_view>

namespace configurator {

// Rebuilds both tables from the configuration file and shows the saved codes
// in the code boxes of the open configurator, if one is open. Never reports.
void loadConfiguration();

// Reads the 36 code boxes, rebuilds both tables from them and replaces the
// configuration file. On success says so and then enables "Traducir Texto"
// and "Codificar Texto"; on failure shows the error and changes no menu.
void saveConfiguration();

// Judges all 36 code boxes: valid ones get black text on white and lose the
// invalid mark, faulty ones go to markFaultyBox. Sets program::configErrorFlag when any is faulty
// and never clears it.
void checkConfiguration();

// Sets the error flag, colours the box red on white, marks it invalid for
// assistive tools, replaces its text by the cut text and repaints it at once.
void markFaultyBox(std::uint16_t boxId, std::string_view cutText);

}  // namespace configurator
