// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "cli/palette_values.h"
#include "convert/encoding.h"
#include "core/progress.h"
#include "core/types.h"
#include "formats/format_table.h"
#include "imageio/picture_file.h"

namespace glyphon::cli {

// What a picture read by rows encoded to: the selection, its bytes, and the bytes of
// --palette-out (empty without it).
struct BandsEncoded {
  convert::Selection selection;
  ByteString data;
  ByteString paletteData;
};

// Encodes the selection of the picture file `input` a band at a time as it reads the file's
// rows, holding only the data and a band: what ReadEncodeInput, PictureSelection,
// ApplyValueRule and formats::Encode give, for a picture whose stored bytes follow from
// each pixel alone (the grey, shade or palette rule, or the index rule on a file of
// palette indices; every pixel opaque) in a format with a band encoder. The selection's
// warnings go to `notes` only on success.
//
// Nothing when that does not hold, or the file is not read by rows, or reading it fails:
// the caller then reads it whole, which tells why. With `reach` Tall a picture beyond the
// picture limits (which cannot be read whole) is read by rows too, and when it cannot be
// encoded so, or its bytes would pass the ROM data limit, the result is a failure: a whole
// message naming the file, saying why and what would do. `wholeFor` is what the run needs
// the whole picture for ("--verify compares ..."), empty for nothing.
Result<std::optional<BandsEncoded>> EncodePictureByBands(
    const formats::FormatInfo& format, const ValueOptions& values,
    const std::optional<convert::Selection>& rect, const std::string& input, std::ostream& notes,
    platform::ProgressSink& progress, imageio::RowsReach reach = imageio::RowsReach::PictureLimits,
    std::string_view wholeFor = {});

}  // namespace glyphon::cli
