// SPDX-License-Identifier: MIT
#include "cli/picture_bands.h"

#include <algorithm>
#include <ostream>
#include <sstream>
#include <vector>

#include "cli/run_files.h"
#include "core/fresh_memory.h"
#include "formats/bands.h"
#include "imageio/picture_file.h"

namespace glyphon::cli {

std::optional<ByteString> EncodePictureByBands(const formats::FormatInfo& format, const ValueOptions& values,
                                               const std::optional<convert::Selection>& rect,
                                               const std::string& input, std::ostream& notes,
                                               platform::ProgressSink& progress) {
  if (format.band.encode == nullptr || values.rule != ValueRule::Grey || !values.paletteOut.empty() ||
      values.rounding != palette::Rounding::Nearest || input == kStandardStream)
    return std::nullopt;
  auto rows = imageio::OpenPictureRows(input);
  if (!rows) return std::nullopt;
  std::ostringstream said;
  const auto selection = PictureSelection(values, format, rows->Width(), rows->Height(), rect, input, said);
  if (!selection) return std::nullopt;
  const convert::Selection& sel = selection.Value();
  ByteString data;
  platform::AssignFresh(data, format.DataSize(sel), std::uint8_t{0});
  if (data.empty()) return std::nullopt;
  convert::ProgressTicker ticker(progress, std::int64_t{sel.width} * sel.height);
  formats::BandEncoder bands(format, sel.width, sel.height, data, ticker);
  std::vector<RgbColor> row(static_cast<std::size_t>(rows->Width()));
  for (int y = 0; y < rows->Height(); ++y) {
    if (!rows->Next(row)) return std::nullopt;
    if (y < sel.y || y >= sel.y + sel.height) continue;
    std::copy_n(row.begin() + sel.x, sel.width, bands.NextRow().begin());
    bands.Done();
  }
  // The rows below the selection are read all the same: a cut file is refused as a whole.
  if (!rows->Finish()) return std::nullopt;
  notes << said.str();
  return data;
}

}  // namespace glyphon::cli
