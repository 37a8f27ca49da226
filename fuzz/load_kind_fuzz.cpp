// The load flow's file-kind rules on any bytes: the chosen filter entry, the answers to the
// "load as" questions, the filter list and the file name all come from the input.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "files/file_kind.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace glyphon;
  fuzz::Input input(data, size);
  const int filterIndex = input.Take(16) - 2;  // a few beyond both ends of any list
  std::vector<platform::Answer> answers(static_cast<std::size_t>(input.Take(64)));
  for (auto& answer : answers) answer = static_cast<platform::Answer>(input.Take(4));
  const auto rest = input.Rest();
  const std::string text(rest.begin(), rest.end());
  const std::size_t zero = text.find('\0');
  const std::string filters = text.substr(0, zero);
  const std::string fileName = zero == std::string::npos ? std::string() : text.substr(zero + 1);

  const std::vector<files::FilterEntry> table = files::FilterTable(filters);
  const auto bars = static_cast<std::size_t>(std::count(filters.begin(), filters.end(), '|'));
  if (table.size() != (bars + 1) / 2) std::abort();

  std::string kind = files::CandidateKind(fileName, table, filterIndex);
  // The name's own kind is never longer than the name; the partner mark adds one "2".
  if (kind.size() > fileName.size() + 1) std::abort();
  if (files::NeedsQuestion(kind)) {
    std::size_t asked = 0;
    kind = files::AskForKind(table, [&](std::string_view description) {
      (void)files::LoadAsQuestion(description);
      // Past the scripted answers the user cancels, so the loop must end there.
      if (asked > answers.size()) std::abort();
      return asked < answers.size() ? answers[asked++] : (++asked, platform::Answer::Cancel);
    });
    const bool fromTable = kind.empty() || std::any_of(table.begin(), table.end(),
                                                       [&](const auto& entry) { return entry.kind == kind; });
    if (!fromTable) std::abort();
  }
  (void)files::ParseKind(kind);
  return 0;
}
