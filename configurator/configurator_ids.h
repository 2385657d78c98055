// Control ids and Spanish texts of the configurator window. The code box and
// label of each symbol are listed in configurator/grid.h.
// Program logic; no platform header.
#pragma once

#include <cstdint>
#include <string_view>

#include "program/program_state.h"

namespace configurator {

inline constexpr std::uint16_t ID_FRAME_CODIGO = 1079;
inline constexpr std::uint16_t ID_GUARDAR = 1080;
inline constexpr std::uint16_t ID_SALIR = 1081;
inline constexpr std::uint16_t ID_RESETEAR = 1082;

// Labels and code boxes share the ids 1005 to 1078; 1034 is not used.
inline constexpr std::uint16_t kFirstGridId = 1005;
inline constexpr std::uint16_t kLastGridId = 1078;

inline constexpr std::string_view kConfiguratorTitle = "Configurador";
using program::kMessageTitle;
inline constexpr std::string_view kSaveFailedTitle = "Programador ...";
inline constexpr std::string_view kSavedMessage = "Fichero de configuracion archivado ...";
// What assistive tools say of a code box that failed the check.
inline constexpr std::string_view kFaultyBoxDescription = "Código no válido";
inline constexpr std::string_view kFaultyMessage =
    "Tienes errores de configuracion ...\r\nArreglalos Gracias ...";

}  // namespace configurator
