// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

#include "core/result.h"

namespace glyphon::rom {

// An offset or a length as people type them: decimal ("4096"), hex after "0x" or "0X"
// ("0x1000") or after "$" ("$1000", the assemblers' way). A sign, a blank, an empty text, a
// digit that does not belong, or a value beyond 64 bits is refused with a reason.
Result<std::uint64_t> ParseOffset(std::string_view text);

}  // namespace glyphon::rom
