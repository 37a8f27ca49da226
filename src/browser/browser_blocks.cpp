// SPDX-License-Identifier: MIT
#include <algorithm>
#include <system_error>

#include "browser/rom_browser.h"
#include "platform/file_range.h"
#include "rom/pointers.h"
#include "rom/relocate.h"
#include "rom/rom_write.h"

// Compressed blocks in the browser: the block at the offset shown decompressed, the steps
// from block to block, and a block written back compressed again.
namespace glyphon::browser {

namespace {

// The block steps read the file in stretches of this many offsets, each with a block's
// window after it, so no block is cut short at a stretch's end.
constexpr std::uint64_t kScanStretch = std::uint64_t{1} << 20;

using platform::CountOf;

}  // namespace

void RomBrowser::SetCompression(const compression::Scheme* scheme) {
  if (scheme == m_scheme) return;
  m_scheme = scheme;
  m_block.reset();
  Changed();
}

const RomBrowser::Block& RomBrowser::CurrentBlock() const {
  if (m_block && m_block->offset == m_offset && m_block->scheme == m_scheme) return *m_block;
  Block block{m_offset, m_scheme, Result<compression::Decompressed>::Failure("no file is open")};
  if (m_file && m_scheme && m_offset < FileSize()) {
    ByteString window(static_cast<std::size_t>(std::min<std::uint64_t>(kBlockWindow, FileSize() - m_offset)));
    const Result<std::size_t> got = m_file->ReadAt(m_offset, window);
    if (!got) {
      block.decoded = Result<compression::Decompressed>::Failure(got.Error());
    } else {
      window.resize(got.Value());
      block.decoded = m_scheme->decode(window, {.maxOutput = kBlockWindow, .base = m_offset});
    }
  }
  m_block = std::move(block);
  return *m_block;
}

std::optional<std::uint64_t> RomBrowser::FindBlock(std::uint64_t from, bool forward) const {
  const std::uint64_t size = FileSize();
  const auto align = static_cast<std::uint64_t>(std::max(1, m_scheme->alignment));
  const compression::DecodeLimits limits{.maxOutput = compression::kDefaultScanLimit};
  // Whether a block starts at `at`, the stretch read from `start` holding it.
  auto blockAt = [&](std::span<const std::uint8_t> bytes, std::uint64_t start, std::uint64_t at) {
    const auto here = bytes.subspan(static_cast<std::size_t>(at - start));
    if (!m_scheme->plausible(here, limits)) return false;
    const auto block = m_scheme->decode(here, limits);
    return block && block.Value().bytes.size() >= kMinBlockSize;
  };
  ByteString bytes;
  auto read = [&](std::uint64_t start, std::uint64_t end) {
    end = std::min(size, end + kBlockWindow);
    bytes.resize(static_cast<std::size_t>(end - start));
    const Result<std::size_t> got = m_file->ReadAt(start, bytes);
    bytes.resize(got ? got.Value() : 0);
  };
  if (forward) {
    for (std::uint64_t start = (from + align - 1) / align * align; start < size; start += kScanStretch) {
      const std::uint64_t end = std::min(size, start + kScanStretch);
      read(start, end);
      for (std::uint64_t at = start; at < end && at - start < bytes.size(); at += align)
        if (blockAt(bytes, start, at)) return at;
    }
    return std::nullopt;
  }
  // Backward: the aligned offsets before `from`, the last first, a stretch at a time.
  if (from == 0) return std::nullopt;
  std::uint64_t last = (from - 1) / align * align;
  while (true) {
    const std::uint64_t first = last >= kScanStretch ? (last - kScanStretch) / align * align + align : 0;
    read(first, last + 1);
    for (std::uint64_t at = last;; at -= align) {
      if (at - first < bytes.size() && blockAt(bytes, first, at)) return at;
      if (at < first + align) break;
    }
    if (first == 0) break;
    last = first - align;
  }
  return std::nullopt;
}

bool RomBrowser::NextBlock() {
  if (!m_file || !m_scheme) return false;
  CheckFile();
  if (!m_file) return false;
  const std::optional<std::uint64_t> at = FindBlock(m_offset + 1, true);
  if (!at) {
    Warn("No " + std::string(m_scheme->name) + " block after " + platform::HexOffset(m_offset) + " in " +
         FileName() + ".");
    return false;
  }
  SetOffset(*at);
  return true;
}

bool RomBrowser::PreviousBlock() {
  if (!m_file || !m_scheme) return false;
  CheckFile();
  if (!m_file) return false;
  const std::optional<std::uint64_t> at = FindBlock(m_offset, false);
  if (!at) {
    Warn("No " + std::string(m_scheme->name) + " block before " + platform::HexOffset(m_offset) + " in " +
         FileName() + ".");
    return false;
  }
  SetOffset(*at);
  return true;
}

// The block is read again from the file as it is now: the data replaces its range of the
// block's decompressed bytes, and the whole is compressed again. The new block must fit in
// the old one's compressed length, as `glyphon encode --compression --into` requires.
bool RomBrowser::WriteBlockIntoRom(const BrowsedRange& sent, const ByteString& data) {
  const compression::Scheme& scheme = *sent.scheme;
  const std::string name = sent.path.filename().string();
  const std::string where = std::string(scheme.name) + " block at " + platform::HexOffset(sent.offset);
  auto refuse = [&](const std::string& reason) {
    Warn("Unable to write into " + name + ".", reason);
    return false;
  };
  std::error_code error;
  const std::uint64_t size = std::filesystem::file_size(sent.path, error);
  if (error) return refuse(error.message());
  if (sent.offset >= size) return refuse(name + " holds " + platform::HexOffset(size) + " bytes.");
  Result<ByteString> window = platform::ReadFileRange(
      sent.path, sent.offset, std::min<std::uint64_t>(kBlockWindow, size - sent.offset), kBlockWindow);
  if (!window) return refuse(window.Error());
  Result<compression::Decompressed> old =
      scheme.decode(window.Value(), {.maxOutput = kBlockWindow, .base = sent.offset});
  if (!old) return refuse("The " + where + " does not decompress: " + old.Error());
  ByteString whole = std::move(old.Value().bytes);
  const std::size_t oldLength = old.Value().consumed;
  if (sent.inBlock + data.size() > whole.size()) {
    return refuse("The " + where + " decompresses to " + CountOf(whole.size(), "byte") + " now, not " +
                  CountOf(sent.inBlock + data.size(), "byte") + ".");
  }
  std::copy(data.begin(), data.end(), whole.begin() + static_cast<std::ptrdiff_t>(sent.inBlock));
  Result<ByteString> block = scheme.encode(whole, {});
  if (!block) return refuse(block.Error());
  // The new block must give the data back before anything is written.
  Result<compression::Decompressed> check = scheme.decode(block.Value(), {.maxOutput = kBlockWindow});
  if (!check || check.Value().bytes != whole)
    return refuse("The new " + std::string(scheme.name) + " block does not decompress to the data.");
  if (block.Value().size() > oldLength) return MoveBlockIntoRom(sent, block.Value(), oldLength);
  return WriteAsked(sent.path, sent.offset, block.Value(),
                    "Write a " + std::to_string(block.Value().size()) + "-byte " + std::string(scheme.name) +
                        " block at " + platform::HexOffset(sent.offset) + " into " + name + "?",
                    "Write into ROM");
}

// A block that grew goes to the ROM's free space: the first run of one filler value after
// the used data that holds it, at the GBA's word alignment (which the BIOS decompressors
// want of their source), and the pointers to the old block follow it. The old block's
// bytes stay as they are.
bool RomBrowser::MoveBlockIntoRom(const BrowsedRange& sent, const ByteString& block, std::size_t oldLength) {
  const compression::Scheme& scheme = *sent.scheme;
  const std::string name = sent.path.filename().string();
  const std::string sizes = "The new " + std::string(scheme.name) + " block is " +
                            CountOf(block.size(), "byte") + ", but the one at " +
                            platform::HexOffset(sent.offset) + " is " + CountOf(oldLength, "byte") + ".";
  auto refuse = [&](const std::string& reason) {
    Warn("Unable to write into " + name + ".", reason);
    return false;
  };
  Result<ByteString> image = platform::ReadFileRange(sent.path, 0, std::nullopt, rom::kMaxRomSize);
  if (!image) return refuse(image.Error());
  const auto alignment = static_cast<std::uint64_t>(std::max(4, scheme.alignment));
  const std::optional<std::uint64_t> target = rom::FindFreeSpace(image.Value(), block.size(), alignment);
  if (!target)
    return refuse(sizes + " " + name + " has no free space of " + CountOf(block.size(), "byte") +
                  " after its data.");
  const bool inWindow = sent.offset < rom::kGbaRomWindow && *target < rom::kGbaRomWindow;
  const rom::Repointing pointers =
      inWindow ? rom::PointersToMove(image.Value(), sent.offset, *target) : rom::Repointing{};
  const std::size_t count = pointers.at.size();
  std::vector<std::string> question{
      sizes + " Write it at " + platform::HexOffset(*target) + " of " + name + " instead?",
      platform::HexOffset(*target) + " holds only filler bytes; " +
          (count == 0 ? "no GBA pointer to " + platform::HexOffset(sent.offset) + " was found to point there."
                      : CountOf(count, "GBA pointer") + " to " + platform::HexOffset(sent.offset) +
                            " will point there.")};
  if (m_platform.ShowMessage({std::move(question), platform::Buttons::YesNo, platform::Icon::Question,
                              platform::Answer::No, ""}) != platform::Answer::Yes)
    return false;
  Result<rom::RomMove> move = rom::PlanRomMove(sent.path, *target, block, pointers, false);
  if (!move) return refuse(move.Error());
  platform::OutputBatch batch;
  if (Status staged = rom::StageRomMove(batch, move.Value()); !staged) return refuse(staged.error);
  if (Status committed = batch.Commit(); !committed) return refuse(committed.error);
  Result<ByteString> after = platform::ReadFileRange(sent.path, *target, block.size(), block.size());
  if (!after || after.Value() != block) {
    Warn("The bytes read back from " + name + " are not the bytes written.");
    return false;
  }
  // What was sent now lies in the moved block, and the view follows it there.
  m_sent->offset = *target;
  if (m_file && m_file->Path() == sent.path) {
    CheckFile();
    if (m_scheme == &scheme) SetOffset(*target);
  }
  m_block.reset();
  m_stale = true;
  return true;
}

}  // namespace glyphon::browser
