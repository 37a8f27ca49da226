// SPDX-License-Identifier: MIT
#include "cli/run_files.h"

#include <unistd.h>

#include <filesystem>
#include <new>
#include <ostream>
#include <sstream>

namespace glyphon::cli {

namespace {

bool IsStream(const RunFile& file) {
  return file.name == kStandardStream;
}
bool Reads(const RunFile& file) {
  return file.role != FileRole::Output;
}
bool Writes(const RunFile& file) {
  return file.role != FileRole::Input;
}

// A device or a FIFO may serve twice (/dev/stdin and /dev/stdout on one terminal, /dev/null
// as two outputs); a file still to be made is compared by its path.
bool RegularOrMissing(const std::string& name) {
  std::error_code error;
  const auto kind = std::filesystem::status(name, error).type();
  return kind == std::filesystem::file_type::regular || kind == std::filesystem::file_type::not_found;
}

// The path with every symbolic link resolved, as far as the file exists.
std::filesystem::path Resolved(const std::string& name) {
  std::error_code error;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(name, error);
  if (!error) return resolved;
  return std::filesystem::absolute(name, error).lexically_normal();
}

// Why two files of a run collide, or nothing.
std::optional<std::string> Clash(const RunFile& a, const RunFile& b) {
  if (a.name.empty() || b.name.empty()) return std::nullopt;
  if (IsStream(a) || IsStream(b)) {
    if (!IsStream(a) || !IsStream(b)) return std::nullopt;
    if (Reads(a) && Reads(b))
      return "standard input: " + std::string(a.what) + " and " + std::string(b.what) +
             " cannot both read it";
    if (Writes(a) && Writes(b))
      return "standard output: " + std::string(a.what) + " and " + std::string(b.what) +
             " cannot both write it";
    return std::nullopt;
  }
  if (!Writes(a) && !Writes(b)) return std::nullopt;
  if (!RegularOrMissing(a.name) || !RegularOrMissing(b.name) || !platform::SameFile(a.name, b.name))
    return std::nullopt;
  if (a.role == FileRole::Rom && b.role == FileRole::Rom) {
    // One name, however it is spelt, is one replacement of the file.
    if (Resolved(a.name) == Resolved(b.name)) return std::nullopt;
    return b.name + ": " + std::string(b.what) + " is another name (a hard link) of " + std::string(a.what) +
           " (" + a.name + "); replacing one would leave the other with the old bytes";
  }
  if (!Writes(a))
    return b.name + ": " + std::string(b.what) + " is the same file as " + std::string(a.what) + " (" +
           a.name + ")";
  if (!Writes(b))
    return a.name + ": " + std::string(a.what) + " is the same file as " + std::string(b.what) + " (" +
           b.name + ")";
  return a.name + ": " + std::string(a.what) + " and " + std::string(b.what) + " are the same file";
}

}  // namespace

std::string InputName(const std::string& name) {
  return name == kStandardStream ? "standard input" : name;
}

std::string OutputName(const std::string& name) {
  return name == kStandardStream ? "standard output" : name;
}

int Fail(std::ostream& err, const std::string& file, const std::string& cause) {
  err << "glyphon: " << (file.empty() ? "" : file + ": ") << cause << "\n";
  return kExitFailure;
}

Result<ByteString> ReadInput(const std::string& name, const platform::ReadLimit& limit) {
  if (name == kStandardStream) return platform::ReadDescriptorBytes(STDIN_FILENO, limit);
  return platform::ReadFileBytes(name, limit);
}

Result<platform::Surface> ReadPictureInput(const std::string& name) {
  if (name != kStandardStream) return imageio::ReadPicture(name);
  auto bytes = ReadInput(name, platform::kPictureFileLimit);
  if (!bytes) return Result<platform::Surface>::Failure(bytes.Error());
  return imageio::ReadPictureBytes(bytes.Value());
}

Result<imageio::PictureFile> ReadPictureFileInput(const std::string& name) {
  if (name != kStandardStream) return imageio::ReadPictureFile(name);
  auto bytes = ReadInput(name, platform::kPictureFileLimit);
  if (!bytes) return Result<imageio::PictureFile>::Failure(bytes.Error());
  return imageio::ReadPictureFileBytes(bytes.Value());
}

std::optional<std::string> Collision(std::span<const RunFile> files) {
  for (std::size_t i = 0; i < files.size(); ++i) {
    for (std::size_t j = i + 1; j < files.size(); ++j) {
      if (auto clash = Clash(files[i], files[j])) return clash;
    }
  }
  return std::nullopt;
}

Status StageOutputs(platform::OutputBatch& batch, std::ostream& out,
                    std::initializer_list<OutputFile> outputs) {
  for (const OutputFile& output : outputs) {
    if (output.name.empty()) continue;
    Status staged;
    if (output.write) {
      staged = output.name == kStandardStream ? batch.StageStreamWritten(out, "standard output", output.write)
                                              : batch.StageWritten(output.name, output.write);
    } else {
      staged = output.name == kStandardStream ? batch.StageStream(out, "standard output", output.bytes)
                                              : batch.Stage(output.name, output.bytes);
    }
    if (!staged) return staged;
  }
  return Status::Success();
}

int CommitOutputs(std::ostream& out, std::ostream& err, std::initializer_list<OutputFile> outputs) {
  platform::OutputBatch batch;
  if (Status staged = StageOutputs(batch, out, outputs); !staged) return Fail(err, "", staged.error);
  if (Status committed = batch.Commit(); !committed) return Fail(err, "", committed.error);
  return kExitSuccess;
}

int Execute(const CommandRun& run, std::ostream& out, std::ostream& err) {
  if (auto clash = Collision(run.files)) {
    err << "glyphon: " << *clash << "\n";
    return kExitUsage;
  }
  std::ostringstream notes;
  int status = kExitFailure;
  try {
    status = run.body(out, err, notes);
  } catch (const std::bad_alloc&) {
    return Fail(err, InputName(run.mainInput), "out of memory");
  } catch (const std::exception& e) {
    return Fail(err, InputName(run.mainInput), e.what());
  }
  if (status == kExitSuccess) err << notes.str();
  return status;
}

}  // namespace glyphon::cli
