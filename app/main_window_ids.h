// Control and command ids of the main window, with its Spanish texts.
// Program logic; no platform header.
#pragma once

#include <cstdint>
#include <string_view>

#include "program/program_state.h"

namespace app {

inline constexpr std::uint16_t ID_INPUT = 1001;
inline constexpr std::uint16_t ID_RESULT = 1002;
inline constexpr std::uint16_t ID_INPUT_LABEL = 1003;
inline constexpr std::uint16_t ID_RESULT_LABEL = 1004;

inline constexpr std::uint16_t IDM_NUEVO = 1083;
using program::IDM_CODIFICAR;
using program::IDM_TRADUCIR;
inline constexpr std::uint16_t IDM_AUTOR = 1086;
inline constexpr std::uint16_t IDM_SALIR = 1087;
inline constexpr std::uint16_t IDM_CONFIGURADOR = 1088;

inline constexpr std::string_view kMainTitle = "Velmora";
inline constexpr std::string_view kMenuTitle = "Operaciones";
using program::kMessageTitle;

// The "Operaciones" menu in display order; "-" is a separator.
struct MenuEntry {
  std::string_view text;
  std::uint16_t commandId;
};
inline constexpr MenuEntry kOperacionesMenu[] = {
    {"Nuevo", IDM_NUEVO},
    {"-", 0},
    {"Configurador", IDM_CONFIGURADOR},
    {"-", 0},
    {"Traducir Texto", IDM_TRADUCIR},
    {"-", 0},
    {"Codificar Texto", IDM_CODIFICAR},
    {"-", 0},
    {"Autor", IDM_AUTOR},
    {"-", 0},
    {"Salir", IDM_SALIR},
};

}  // namespace app
