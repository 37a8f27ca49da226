// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "core/types.h"
#include "platform/file_io.h"

namespace glyphon::cli_test {

// What one in-process run of glyphon gave: its exit status and what it printed.
struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline Outcome RunWith(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = cli::Run(args, out, err);
  return {status, out.str(), err.str()};
}

// The words of a command line, split at spaces.
inline std::vector<std::string> Words(const std::string& line) {
  std::istringstream words(line);
  std::vector<std::string> all;
  for (std::string word; words >> word;) all.push_back(word);
  return all;
}

// Runs in `folder` for the guard's lifetime, so that command lines name files shortly.
class InFolder {
 public:
  explicit InFolder(const std::filesystem::path& folder) : m_before(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~InFolder() { std::filesystem::current_path(m_before); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  std::filesystem::path m_before;
};

// Every file of a folder and below by its relative name: a regular file's bytes, a
// symbolic link's target. Two snapshots are equal when no file was made, changed or
// replaced (a replaced hard link shows as a change of its other name's bytes).
inline std::map<std::string, ByteString> Snapshot(const std::filesystem::path& folder) {
  std::map<std::string, ByteString> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = std::filesystem::relative(entry.path(), folder).string();
    if (entry.is_symlink()) {
      const std::string target = std::filesystem::read_symlink(entry.path()).string();
      files[name] = ByteString(target.begin(), target.end());
    } else if (entry.is_regular_file()) {
      files[name] = platform::ReadFileBytes(entry.path(), platform::kRomDataLimit).Value();
    } else {
      files[name] = {};
    }
  }
  return files;
}

}  // namespace glyphon::cli_test
