// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "cli/palette_values.h"
#include "convert/encoding.h"
#include "core/progress.h"
#include "core/types.h"
#include "formats/format_table.h"

namespace glyphon::cli {

// Encodes the selection of the picture file `input` a band at a time as it reads the file's
// rows, holding only the data and a band: what ReadEncodeInput, PictureSelection and
// formats::Encode give, for a picture whose stored bytes follow from its colours alone (the
// grey rule, every pixel opaque, no --palette-out or --colour-rounding truncate) in a format
// with a band encoder. Nothing when that does not hold or the file is not read by rows or
// reading it fails: the caller then reads it whole, which tells why. The selection's
// warnings go to `notes` only on success.
std::optional<ByteString> EncodePictureByBands(const formats::FormatInfo& format, const ValueOptions& values,
                                               const std::optional<convert::Selection>& rect,
                                               const std::string& input, std::ostream& notes,
                                               platform::ProgressSink& progress);

}  // namespace glyphon::cli
