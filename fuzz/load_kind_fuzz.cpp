// SPDX-License-Identifier: MIT
// The load flow's file-kind rules on any input: the format whose dialog entries are
// offered, the chosen entry, the answers to the "load as" questions and the file name all
// come from the fuzzer's bytes.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "formats/format_table.h"
#include "fuzz_input.h"
#include "window_commands/file_kind.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace glyphon;
  fuzz::Input input(data, size);
  const formats::FormatInfo& format = formats::Format(input.Take(formats::kFormatCount));
  const bool saving = input.Take(2) == 1;
  const std::vector<formats::FileFilter> filters =
      saving ? formats::SaveFilters(format) : formats::LoadFilters(format);
  const auto direction = saving ? window_commands::Direction::Save : window_commands::Direction::Load;
  const auto entry = static_cast<std::size_t>(input.Take(static_cast<int>(filters.size()) + 1));  // or none
  std::vector<platform::Answer> answers(static_cast<std::size_t>(input.Take(64)));
  for (auto& answer : answers) answer = static_cast<platform::Answer>(input.Take(4));
  const auto rest = input.Rest();
  const std::string fileName(rest.begin(), rest.end());

  const formats::FileFilter chosenEntry = entry < filters.size() ? filters[entry] : formats::FileFilter{};
  const std::optional<formats::FileKind> kind = window_commands::KindOf(fileName, chosenEntry, direction);
  // A name that needs a question names no kind of its own.
  const bool question = window_commands::NeedsQuestion(fileName, direction);
  if (question && kind) std::abort();
  if (!question) return 0;
  std::size_t asked = 0;
  const auto chosen = window_commands::AskForKind(filters, [&](std::string_view description) {
    (void)window_commands::LoadAsQuestion(description);
    // Past the scripted answers the user cancels, so the loop must end there.
    if (asked > answers.size()) std::abort();
    return asked < answers.size() ? answers[asked++] : (++asked, platform::Answer::Cancel);
  });
  const bool fromList =
      !chosen || std::any_of(filters.begin(), filters.end(),
                             [&](const formats::FileFilter& entry) { return entry.kind == chosen; });
  if (!fromList) std::abort();
  return 0;
}
