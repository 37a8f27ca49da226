// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "core/file_filter.h"
#include "formats/format_table.h"

namespace glyphon::formats {

using platform::FileFilter;
using platform::FileKind;
using platform::IsPartnerKind;

// The open dialog's entries for a format: pictures of every kind the reader decodes, ROM
// data, the partner's two where the format has one, and every file.
std::vector<FileFilter> LoadFilters(const FormatInfo& format);
// The save dialog's entries after a conversion in a format.
std::vector<FileFilter> SaveFilters(const FormatInfo& format);
// The save dialog's entries while no conversion matches the picture: pictures only.
std::vector<FileFilter> PictureSaveFilters();

}  // namespace glyphon::formats
