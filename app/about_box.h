// The text of the about box shown by "Autor". Program logic; no platform
// header.
#pragma once

#include <string>
#include <string_view>

namespace app {

// The author's web address, the last line of the about box.
inline constexpr std::string_view kAuthorWebAddress = "https://velmora.example/";

// Four lines, the third one empty.
inline std::string aboutText() {
  std::string text = "Programa Realizado por :";
  text += "\r\n";
  text += "Tarvelo ...";
  text += "\r\n\r\n";
  text += kAuthorWebAddress;
  return text;
}

}  // namespace app
