// The configurator's grid: the label and the code box of each of the 36
// symbols, in processing order, and the label of ñ, which has no box.
// Program logic; no platform header.
#pragma once

#include <array>
#include <cstdint>

#include "codetable/codetable.h"

namespace configurator {

struct GridSymbol {
  char symbol;            // as in codetable::Symbols, at the same index
  std::uint16_t labelId;  // the label showing the symbol
  std::uint16_t boxId;    // the code box holding its code
};

// Label and box ids interleave: the box of w is 1029 and that of 8 is 1053.
inline constexpr std::array<GridSymbol, codetable::kSymbolCount> kGrid = {{
    {'a', 1005, 1006}, {'b', 1008, 1007}, {'c', 1010, 1009}, {'d', 1012, 1011}, {'e', 1014, 1013},
    {'f', 1016, 1015}, {'g', 1018, 1017}, {'h', 1020, 1019}, {'i', 1022, 1021}, {'j', 1024, 1023},
    {'k', 1026, 1025}, {'l', 1028, 1027}, {'m', 1030, 1031}, {'n', 1033, 1032}, {'o', 1037, 1036},
    {'p', 1039, 1038}, {'q', 1041, 1040}, {'r', 1043, 1042}, {'s', 1045, 1044}, {'t', 1047, 1046},
    {'u', 1049, 1048}, {'v', 1051, 1050}, {'w', 1052, 1029}, {'x', 1054, 1055}, {'y', 1057, 1056},
    {'z', 1059, 1058}, {'0', 1061, 1060}, {'1', 1063, 1062}, {'2', 1065, 1064}, {'3', 1067, 1066},
    {'4', 1069, 1068}, {'5', 1071, 1070}, {'6', 1073, 1072}, {'7', 1075, 1074}, {'8', 1076, 1053},
    {'9', 1078, 1077},
}};

// The label of ñ, whose slot in the record holds no code.
inline constexpr std::uint16_t kEnyeLabelId = 1035;

}  // namespace configurator
