// SPDX-License-Identifier: MIT
#pragma once

// The readers and writers of the palette kinds, for the kind table.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/result.h"
#include "palette/palette.h"

namespace glyphon::palette::codecs {

// The rule every reader ends with: at least one colour and at most 256.
Status CheckColourCount(std::size_t count);
Result<Palette> Checked(Palette palette);

// The UTF-8 byte order mark some editors put before the first line of a text file.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

Result<Palette> ReadJasc(std::span<const std::uint8_t> bytes);
ByteString WriteJasc(const Palette& palette);
Result<Palette> ReadGimp(std::span<const std::uint8_t> bytes);
ByteString WriteGimp(const Palette& palette);
Result<Palette> ReadHex(std::span<const std::uint8_t> bytes);
ByteString WriteHex(const Palette& palette);

Result<Palette> ReadAct(std::span<const std::uint8_t> bytes);
ByteString WriteAct(const Palette& palette);
Result<Palette> ReadRgb24(std::span<const std::uint8_t> bytes);
ByteString WriteRgb24(const Palette& palette);
Result<Palette> ReadBgr555(std::span<const std::uint8_t> bytes);
ByteString WriteBgr555(const Palette& palette);
Result<Palette> ReadGenesis(std::span<const std::uint8_t> bytes);
ByteString WriteGenesis(const Palette& palette);
Result<Palette> ReadAco(std::span<const std::uint8_t> bytes);
ByteString WriteAco(const Palette& palette);
Result<Palette> ReadRgba5551(std::span<const std::uint8_t> bytes);
ByteString WriteRgba5551(const Palette& palette);

}  // namespace glyphon::palette::codecs
