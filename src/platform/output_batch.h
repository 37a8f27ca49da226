#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/result.h"

namespace glyphon::platform {

// Where an output waits for the commit.
enum class Temporaries {
  AnonymousWherePossible,  // an unnamed file (O_TMPFILE) that gets a name only at the commit
  Named,                   // a file under a short random name made with O_EXCL
};

// The outputs of one run, committed together. Staging writes an output in full to a
// temporary file in its target's folder and flushes it to disk; Commit renames every
// temporary over its target and flushes the folders. Until then no old file changes, and a
// failure anywhere (a staging, a rename) removes the temporaries and puts back the files
// already replaced. Pending temporaries also go when the batch is destroyed and on SIGINT,
// SIGTERM and SIGHUP (the signal is then raised again); the renames run with those signals
// held, so a signal never stops a commit half done.
//
// Targets that are not regular files (devices, FIFOs) are never replaced: they are written
// directly at the commit, before the renames. A symlink is written through: the file it
// leads to is replaced and the link stays. An existing file without any write permission
// bit (or, for other users than root, one the process may not write) is refused, for root
// too. A replaced file keeps its mode and, where permitted, its owner and group.
//
// Every failure names the output as the caller gave it: "out.dat: No space left on
// device", "out.dat is read-only".
class OutputBatch {
 public:
  explicit OutputBatch(Temporaries temporaries = Temporaries::AnonymousWherePossible);
  ~OutputBatch();
  OutputBatch(const OutputBatch&) = delete;
  OutputBatch& operator=(const OutputBatch&) = delete;

  Status Stage(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
  // An output that is a stream (standard output), written at the commit.
  Status StageStream(std::ostream& stream, std::string name, std::span<const std::uint8_t> bytes);
  Status Commit();

 private:
  struct Output;
  Status MakeTemporary(Output& output, const std::filesystem::path& target,
                       std::span<const std::uint8_t> bytes);
  Status RenameAll();

  Temporaries m_temporaries;
  std::vector<std::unique_ptr<Output>> m_outputs;
};

}  // namespace glyphon::platform
