// "Codificar Texto" and "Traducir Texto": convert the main window's input
// area into its result area. Program logic; no platform header.
#pragma once

namespace app {

// Replaces the result area by the input area's text coded through the
// EncodeTable; an empty input area gets a message and changes nothing.
void encodeText();
// The same through the DecodeTable, with its own message for an empty input.
void decodeText();

}  // namespace app
