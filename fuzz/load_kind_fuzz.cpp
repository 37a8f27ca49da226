// The load flow's file-kind rules on any input: the format whose dialog entries are
// offered, the chosen entry, the answers to the "load as" questions and the file name all
// come from the fuzzer's bytes.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/file_kind.h"
#include "formats/format_table.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace glyphon;
  fuzz::Input input(data, size);
  const formats::FormatInfo& format = formats::Format(input.Take(formats::kFormatCount));
  const bool saving = input.Take(2) == 1;
  const std::vector<formats::FileFilter> filters =
      saving ? formats::SaveFilters(format) : formats::LoadFilters(format);
  const auto direction = saving ? files::Direction::Save : files::Direction::Load;
  const int filterIndex = input.Take(16) - 2;  // a few beyond both ends of the list
  std::vector<platform::Answer> answers(static_cast<std::size_t>(input.Take(64)));
  for (auto& answer : answers) answer = static_cast<platform::Answer>(input.Take(4));
  const auto rest = input.Rest();
  const std::string fileName(rest.begin(), rest.end());

  const std::string kind = files::CandidateKind(fileName, filters, filterIndex, direction);
  // The name's own kind is never longer than the name; the partner mark adds one "2".
  if (kind.size() > fileName.size() + 1) std::abort();
  if (!files::NeedsQuestion(kind)) return 0;
  std::size_t asked = 0;
  const auto chosen = files::AskForKind(filters, [&](std::string_view description) {
    (void)files::LoadAsQuestion(description);
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
