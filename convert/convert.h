// The substitution pass: every ASCII letter or digit is replaced by the
// content of its table cell (0 to kMaxCellText bytes); every other byte is
// copied.
// GUI-free.
#pragma once

#include <string>
#include <string_view>

#include "codetable/codetable.h"

namespace convert {

std::string substituteText(std::string_view text, const codetable::Table& table);

}  // namespace convert
