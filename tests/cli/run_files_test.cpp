// SPDX-License-Identifier: MIT
// The files of a run: the one collision check of every command, refusals that write
// nothing, one line naming the file on every failure (golden/errors.txt), and --verify's
// read-back.
#include "cli/run_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <thread>

#include "cli/rgba_png.h"
#include "cli/rom_options.h"
#include "cli/run_glyphon.h"
#include "formats/decoding.h"
#include "imageio/picture_file.h"
#include "support/test_support.h"

namespace glyphon::cli {
namespace {

using cli_test::InFolder;
using cli_test::Outcome;
using cli_test::RunWith;
using cli_test::Snapshot;
using cli_test::Words;

// A folder of the files the command lines name (the header of golden/errors.txt lists
// them): pictures, partner data, ROMs (one with a hard link and a symbolic link to it), a
// tile map and a palette.
struct Workshop {
  Workshop() {
    // Plain writes: the folder is made once a golden case, and nothing needs them on disk.
    auto put = [this](const std::string& name, const ByteString& bytes) {
      std::ofstream(dir.File(name), std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    put("a.png", imageio::PictureFileBytes("a.png", test::Filled(8, 8, kWhite)).Value());
    put("small.png", imageio::PictureFileBytes("small.png", test::Filled(7, 7, kWhite)).Value());
    std::vector<std::uint8_t> rgba = cli_test::RgbaFilled(8, 8, kWhite);
    cli_test::SetRgba(rgba, 8, 3, 5, kWhite, 128);
    put("half.png", cli_test::RgbaPng(8, 8, rgba));
    put("c.bmp", imageio::PictureFileBytes("c.bmp", test::RandomPicture(16, 16, 4)).Value());
    put("pd.bin", test::RandomBytes(4096, 1));
    put("big.rom", test::RandomBytes(65536, 2));
    put("pr.bin", test::RandomBytes(65536, 3));
    put("map.dat", test::Bytes({0, 0}));
    put("odd.dat", test::RandomBytes(33, 5));
    put("empty.dat", {});
    put("out.dat", test::Bytes({1, 2, 3}));
    const std::string jasc = "JASC-PAL\r\n0100\r\n2\r\n0 0 0\r\n255 255 255\r\n";
    put("x.pal", ByteString(jasc.begin(), jasc.end()));
    std::filesystem::create_hard_link(dir.File("pr.bin"), dir.File("prh.bin"));
    std::filesystem::create_hard_link(dir.File("x.pal"), dir.File("xh.pal"));
    std::filesystem::create_symlink("pr.bin", dir.File("prs.bin"));
  }
  test::TempDir dir;
};

struct RunFiles : testing::Test, Workshop {};

// One case of golden/errors.txt: "COMMAND LINE -> STDERR -> EXIT STATUS", or a comment or
// blank line kept as it is.
struct GoldenLine {
  std::string text;  // the line as written
  std::string command;
  std::string err;  // with "\n" for each newline but the last
  int status = -1;  // -1: no case
};

GoldenLine ReadGoldenLine(const std::string& text) {
  GoldenLine line{text, "", "", -1};
  const std::size_t first = text.find(" -> "), last = text.rfind(" -> ");
  if (text.empty() || text[0] == '#' || first == std::string::npos || first == last) return line;
  line.command = text.substr(0, first);
  line.err = text.substr(first + 4, last - first - 4);
  line.status = std::stoi(text.substr(last + 4));
  return line;
}

// Stderr as the golden file writes it: newlines as "\n", the last one left out.
std::string Escaped(const std::string& err) {
  std::string text;
  for (char ch : err) text += ch == '\n' ? std::string("\\n") : std::string(1, ch);
  if (text.size() >= 2 && text.substr(text.size() - 2) == "\\n") text.resize(text.size() - 2);
  return text;
}

// Every message of golden/errors.txt, each command line run in a fresh folder of the files
// the file's header names; none of them may change.
TEST(GoldenMessages, EveryCommandLinePrintsItsLinesAndChangesNoFile) {
  std::ifstream file(GLYPHON_CLI_GOLDEN);
  ASSERT_TRUE(file) << GLYPHON_CLI_GOLDEN;
  const bool update = std::getenv("GLYPHON_UPDATE_GOLDEN") != nullptr;
  std::string rewritten;
  int cases = 0;
  for (std::string text; std::getline(file, text);) {
    GoldenLine line = ReadGoldenLine(text);
    if (line.status < 0) {
      rewritten += text + "\n";
      continue;
    }
    ++cases;
    Workshop folder;
    const InFolder here(folder.dir.Path());
    const auto before = Snapshot(folder.dir.Path());
    const Outcome o = RunWith(Words(line.command));
    rewritten += line.command + " -> " + Escaped(o.err) + " -> " + std::to_string(o.status) + "\n";
    if (update) continue;
    EXPECT_EQ(Escaped(o.err), line.err) << line.command;
    EXPECT_EQ(o.status, line.status) << line.command;
    EXPECT_EQ(o.err.empty() ? 0 : o.err.back(), '\n') << line.command;
    EXPECT_TRUE(Snapshot(folder.dir.Path()) == before) << line.command;
  }
  EXPECT_GT(cases, 0);
  if (update) std::ofstream(GLYPHON_CLI_GOLDEN, std::ios::trunc) << rewritten;
}

// --into and --partner-into may name one ROM, also through a symbolic link: one replacement.
TEST_F(RunFiles, OneRomUnderOneNameTakesBothWrites) {
  const InFolder here(dir.Path());
  const ByteString rom = platform::ReadRomData("pr.bin").Value();
  for (const std::string partnerRom : {"pr.bin", "prs.bin"}) {
    std::filesystem::remove("prh.bin");
    const Outcome o =
        RunWith(Words("encode -f 4bpp-fx-low --partner-data pd.bin --into pr.bin --at 0 "
                      "--partner-into " +
                      partnerRom + " --partner-at 0x100 a.png"));
    EXPECT_EQ(o.status, kExitSuccess) << o.err;
    const ByteString after = platform::ReadRomData("pr.bin").Value();
    EXPECT_EQ(after.size(), rom.size());
    EXPECT_NE(after, rom);
    EXPECT_TRUE(std::filesystem::is_symlink("prs.bin"));
    ASSERT_TRUE(platform::WriteFileAtomic("pr.bin", rom).Ok());
  }
}

// --verify reads back a regular file only; a device or a FIFO is verified before writing.
TEST_F(RunFiles, VerifyReadsBackOnlyARegularFile) {
  const std::string note = " is not a regular file; verified before writing only\n";
  Outcome o = RunWith({"encode", "-f", "8", "--verify", dir.File("a.png"), "/dev/null"});
  EXPECT_EQ(o.status, kExitSuccess);
  EXPECT_EQ(o.err, "glyphon: note: /dev/null" + note);

  // A FIFO read to its end by another thread; the writer that opens it afterwards only
  // ends a read-back that should not be there, so that the test fails instead of hanging.
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::atomic<bool> done = false;
  ByteString drained;
  std::thread reader([&] {
    const int descriptor = open(fifo.c_str(), O_RDONLY);
    if (descriptor < 0) return;
    std::uint8_t buffer[256];
    for (ssize_t got; (got = read(descriptor, buffer, sizeof buffer)) > 0;)
      drained.insert(drained.end(), buffer, buffer + got);
    close(descriptor);
    while (!done) {
      const int unblock = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (unblock >= 0) close(unblock);
      std::this_thread::yield();
    }
  });
  o = RunWith({"encode", "-f", "8", "--verify", dir.File("a.png"), fifo});
  done = true;
  // Should the run fail before opening the FIFO, this wakes the reader still waiting for it.
  if (const int wake = open(fifo.c_str(), O_WRONLY | O_NONBLOCK); wake >= 0) close(wake);
  reader.join();
  EXPECT_EQ(o.status, kExitSuccess) << o.err;
  EXPECT_EQ(o.err, "glyphon: note: " + fifo + note);
  EXPECT_EQ(drained, ByteString(32, 0xFF));  // 4bpp SNES: one white tile
}

// The read-back is compared, not only made: bytes that come back changed fail the run.
TEST(VerifyReadBack, BytesThatComeBackChangedFailTheRun) {
  test::TempDir dir;
  const formats::FormatInfo& format = formats::Format(16);  // 8bpp Linear: a byte a pixel
  const platform::Surface picture = test::Filled(8, 8, GreyColor(0x40));
  platform::NullProgress progress;
  convert::PartnerState partner;
  const ByteString data = formats::Encode(format, picture, {0, 0, 8, 8}, partner, progress).Value();
  ASSERT_EQ(data, ByteString(64, 0x40));
  RomOptions options;
  options.verify = true;
  const Encoded run{format, picture, {0, 0, 8, 8}, "pic.png", dir.File("out.dat"), "", data, {}, "", {}};
  const std::string where = "glyphon: " + dir.File("out.dat") + ": verify: ";
  struct Case {
    std::string what;
    std::function<ByteString(ByteString)> change;
    int status;
    std::string err;
  };
  for (const Case& c : std::vector<Case>{
           {"unchanged", [](ByteString b) { return b; }, kExitSuccess, ""},
           {"one bit flipped",
            [](ByteString b) {
              b[9] ^= 0x01;
              return b;
            },
            kExitFailure, where + "pixel (1, 1) of pic.png is value 65 where the picture has value 64\n"},
           {"cut short",
            [](ByteString b) {
              b.resize(56);
              return b;
            },
            kExitFailure,
            where + "pixel (0, 7) of pic.png is missing: the 56 bytes decode to 8 by 7 pixels\n"},
       }) {
    std::ostringstream out, err, notes;
    const int status = WriteEncoded(run, options, out, err, notes, [&](const Encoded&, const RomOptions&) {
      return Result<ByteString>(c.change(data));
    });
    EXPECT_EQ(status, c.status) << c.what;
    EXPECT_EQ(err.str(), c.err) << c.what;
  }
  std::ostringstream out, err, notes;
  EXPECT_EQ(
      WriteEncoded(run, options, out, err, notes,
                   [](const Encoded&, const RomOptions&) { return Result<ByteString>::Failure("gone"); }),
      kExitFailure);
  EXPECT_EQ(err.str(), "glyphon: " + dir.File("out.dat") + ": gone\n");
}

// A run's notes reach stderr only when it succeeds, and a throw is a failure naming the
// main input.
TEST(Execute, NotesOnlyOnSuccessAndThrowsNameTheMainInput) {
  struct Case {
    std::string what;
    std::function<int(std::ostream&, std::ostream&, std::ostream&)> body;
    int status;
    std::string err;
  };
  for (const Case& c : std::vector<Case>{
           {"succeeds",
            [](std::ostream&, std::ostream&, std::ostream&notes) {
              notes << "glyphon: NOTE: noted\n";
              return kExitSuccess;
            },
            kExitSuccess, "glyphon: NOTE: noted\n"},
           {"fails",
            [](std::ostream&, std::ostream&err, std::ostream&notes) {
              notes << "glyphon: NOTE: noted\n";
              return Fail(err, "out.dat", "broken");
            },
            kExitFailure, "glyphon: out.dat: broken\n"},
           {"runs out of memory",
            [](std::ostream&, std::ostream&, std::ostream&notes) -> int {
              notes << "glyphon: NOTE: noted\n";
              throw std::bad_alloc();
            },
            kExitFailure, "glyphon: main.png: out of memory\n"},
           {"reads standard input out of memory",
            [](std::ostream&, std::ostream&, std::ostream&) -> int { throw std::bad_alloc(); }, kExitFailure,
            "glyphon: standard input: out of memory\n"},
       }) {
    std::ostringstream out, err;
    const std::string main = c.what.find("standard") != std::string::npos ? "-" : "main.png";
    EXPECT_EQ(Execute({{{"INPUT", main, FileRole::Input}}, main, c.body}, out, err), c.status) << c.what;
    EXPECT_EQ(err.str(), c.err) << c.what;
  }
}

}  // namespace
}  // namespace glyphon::cli
