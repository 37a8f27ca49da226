// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/exit_codes.h"
#include "core/result.h"
#include "core/surface.h"
#include "core/types.h"
#include "imageio/picture_file.h"
#include "platform/file_io.h"
#include "platform/output_batch.h"

// The files of a glyphon run, shared by every command: reading inputs, the check that no
// two of them collide, committing the outputs together, and the one-line failures.
namespace glyphon::cli {

// "-" is standard input as an input and standard output as an output.
inline constexpr std::string_view kStandardStream = "-";

// A file's name in messages: "standard input" or "standard output" for "-".
std::string InputName(const std::string& name);
std::string OutputName(const std::string& name);

// Prints "glyphon: FILE: cause" (or "glyphon: cause" when `file` is empty, for a cause
// that names its file itself) and returns kExitFailure.
int Fail(std::ostream& err, const std::string& file, const std::string& cause);

// The whole of an input: a file, or standard input for "-".
Result<ByteString> ReadInput(const std::string& name, const platform::ReadLimit& limit);
Result<platform::Surface> ReadPictureInput(const std::string& name);
// The picture with the indices and palette an indexed file stores.
Result<imageio::PictureFile> ReadPictureFileInput(const std::string& name);

enum class FileRole {
  Input,   // read
  Output,  // written (replaced whole)
  Rom,     // read and replaced in place (--into, --partner-into)
};

// One file of a run: what the command line calls it ("INPUT", "--map-out") and its name,
// empty when the option was not given.
struct RunFile {
  std::string_view what;
  std::string name;
  FileRole role = FileRole::Input;
};

// Why the files of a run collide, as a whole message naming the file, or nothing. No
// output is an input or another output (the same inode, or the same normalised path for a
// file still to be made); standard input and standard output each serve one file. Two ROMs
// may be one file under one name (also through symbolic links): they are one replacement.
// Under two names of one inode (hard links) they collide, since replacing one name would
// leave the other with the old bytes. Devices and FIFOs may serve twice (/dev/null).
std::optional<std::string> Collision(std::span<const RunFile> files);

// One output of a run; an empty name is no output. An output made as it is written (a
// picture written a row at a time) has a writer instead of bytes.
struct OutputFile {
  std::string name;  // may be "-"
  std::span<const std::uint8_t> bytes;
  platform::OutputBatch::Writer write = nullptr;
};

// Stages the outputs on `batch` ("-" as a stream on `out`), for a run that commits more
// than these (the ROM writes of encode --into). Failures name the file.
Status StageOutputs(platform::OutputBatch& batch, std::ostream& out,
                    std::initializer_list<OutputFile> outputs);

// The outputs of a run are committed together: either all are written, or a line on
// `err` names the one that failed and no old file has changed. Returns the exit status.
int CommitOutputs(std::ostream& out, std::ostream& err, std::initializer_list<OutputFile> outputs);

// A command ready to run: every file it reads and writes, the one a failure without a
// file of its own names (running out of memory), and the run itself. The body prints
// failures on `err` and notes and warnings on `notes`, which reach stderr only when the
// run succeeds: a failing run prints its one failure line alone.
struct CommandRun {
  std::vector<RunFile> files;
  std::string mainInput;
  std::function<int(std::ostream& out, std::ostream& err, std::ostream& notes)> body;
};

// Checks the files for collisions (a usage error: exit 2, nothing read or written), then
// runs the body, catching what it throws as a failure naming the main input.
int Execute(const CommandRun& run, std::ostream& out, std::ostream& err);

}  // namespace glyphon::cli
