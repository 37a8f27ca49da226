// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/byte_sink.h"
#include "core/result.h"
#include "platform/file_range.h"

namespace glyphon::platform {

// Where an output waits for the commit.
enum class Temporaries {
  AnonymousWherePossible,  // an unnamed file (O_TMPFILE) that gets a name only at the commit
  Named,                   // a file under a short random name made with O_EXCL
};

// What a file being replaced must still be at the commit: a caller that read the old file
// and built the new one from it (a ROM being patched) loses another writer's changes if the
// file changed in between.
struct ExpectedFile {
  FileStamp stamp;
  // ContentDigest of the whole old file, checked too when the file holds at most
  // kDigestLimit bytes: a second write within one clock tick of the file system leaves the
  // times as they were.
  std::optional<std::uint64_t> digest;
  std::string what = "the file";  // for the refusal: "<what> changed while being written"
};
inline constexpr std::uint64_t kDigestLimit = std::uint64_t{16} << 20;

// A 64-bit digest of bytes, to tell changed content (not a cryptographic hash).
std::uint64_t ContentDigest(std::span<const std::uint8_t> bytes);

// The outputs of one run, committed together. Staging writes an output in full to a
// temporary file in its target's folder and flushes it to disk; Commit renames every
// temporary over its target and flushes the folders. Until then no old file changes, and a
// failure anywhere (a staging, a rename) removes the temporaries and puts back the files
// already replaced. Pending temporaries also go when the batch is destroyed and on SIGINT,
// SIGTERM and SIGHUP (the signal is then raised again); the renames run with those signals
// held, so a signal never stops a commit half done.
//
// Putting back needs a second name (a hard link) for each old file during the renames. A
// file that cannot have one (no hard links on the file system, or the system refuses to
// link another user's file) is renamed last, so that nothing after it can fail; a batch with
// two such files among several outputs is refused before any rename. In a folder with the
// sticky bit (/tmp), a file of another user can only be replaced by its owner, the folder's
// owner or root: Stage refuses it before it makes anything.
//
// Targets that are not regular files (devices, FIFOs, sockets) are never replaced: they are
// written directly at the commit, before the renames. So are the names of this process's
// own descriptors (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N): the descriptor is
// written at its offset, as a shell's `>>` or an earlier command of a `{ ...; } > f` left
// it, and never replaced. A symlink is written through: the file it leads to is replaced and
// the link stays. An existing file without any write permission bit (or, for other users
// than root, one the process may not write) is refused, for root too. A replaced file keeps
// its mode and, where permitted, its owner and group.
//
// A file staged with an ExpectedFile is checked again at the commit, first before anything
// is written and then, with signals held, just before the backup links and renames; if it
// changed, the whole batch is refused and the other writer's bytes stay. What no check can
// cover: a change in the microseconds between that last check and the rename, and a writer
// that keeps the file open and writes after the rename (it writes to the old file, which no
// longer has the name).
//
// Temporaries and backup links are named ".glyphon-<pid>-<boot>-<random>" (the boot being
// the first 8 digits of the kernel's boot id) and exist only as briefly as they can: an
// anonymous temporary gets its name and the old file its backup link only at the commit,
// and the backups go right after the renames. A SIGKILL (or a power cut) in that moment, or
// while a named temporary waits, can still leave them; the next Stage into that folder
// removes every such name that is provably a leftover: in exactly that form, owned by this
// user, and either from an earlier boot or from a process that no longer exists.
//
// Every failure names the output as the caller gave it: "out.dat: No space left on
// device", "out.dat is read-only".
class OutputBatch {
 public:
  explicit OutputBatch(Temporaries temporaries = Temporaries::AnonymousWherePossible);
  ~OutputBatch();
  OutputBatch(const OutputBatch&) = delete;
  OutputBatch& operator=(const OutputBatch&) = delete;

  Status Stage(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
               std::optional<ExpectedFile> expected = std::nullopt);
  // The same for an output made as it is written: `write` puts its bytes into the sink,
  // straight into the temporary (through a small buffer) where the output is a file, so the
  // output is never held whole. A failure of `write` that is not the sink's own is passed
  // on as it is, without the output's name.
  using Writer = std::function<Status(ByteSink& sink)>;
  Status StageWritten(const std::filesystem::path& path, const Writer& write);
  // An output that is a stream (standard output), written at the commit.
  Status StageStream(std::ostream& stream, std::string name, std::span<const std::uint8_t> bytes);
  Status StageStreamWritten(std::ostream& stream, std::string name, const Writer& write);
  Status Commit();

  // For tests: how an old file gets its backup name (linkat(folder, from, folder, to, 0)
  // by default); -1 and errno on failure.
  using BackupLink = int (*)(int folder, const char* from, const char* to);
  void SetBackupLinkForTesting(BackupLink link) { m_backupLink = link; }

 private:
  struct Output;
  Status StageWith(const std::filesystem::path& path, const Writer& write,
                   std::optional<ExpectedFile> expected);
  Status MakeTemporary(Output& output, const Writer& write);
  Status CheckUnchanged(bool digests, bool written) const;
  Status RenameAll(bool written);

  Temporaries m_temporaries;
  BackupLink m_backupLink = nullptr;
  std::vector<std::unique_ptr<Output>> m_outputs;
};

}  // namespace glyphon::platform
