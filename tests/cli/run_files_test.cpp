// The files of a run: the one collision check of every command, refusals that write
// nothing, one line naming the file on every failure, and --verify's read-back.
#include "cli/run_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <new>
#include <sstream>
#include <thread>

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

// A folder of the files the command lines below name: pictures, partner data, ROMs (one
// with a hard link and a symbolic link to it), a tile map and a palette.
struct Workshop : testing::Test {
  Workshop() {
    EXPECT_TRUE(imageio::WritePicture(dir.File("a.png"), test::Filled(8, 8, kWhite)).Ok());
    for (const auto& [name, bytes] :
         {std::pair{"pd.bin", test::RandomBytes(4096, 1)}, std::pair{"big.rom", test::RandomBytes(65536, 2)},
          std::pair{"pr.bin", test::RandomBytes(65536, 3)}, std::pair{"map.dat", test::Bytes({0, 0})},
          std::pair{"out.dat", test::Bytes({1, 2, 3})}}) {
      EXPECT_TRUE(platform::WriteFileAtomic(dir.File(name), bytes).Ok());
    }
    const std::string jasc = "JASC-PAL\r\n0100\r\n2\r\n0 0 0\r\n255 255 255\r\n";
    EXPECT_TRUE(platform::WriteFileAtomic(dir.File("x.pal"), ByteString(jasc.begin(), jasc.end())).Ok());
    std::filesystem::create_hard_link(dir.File("pr.bin"), dir.File("prh.bin"));
    std::filesystem::create_hard_link(dir.File("x.pal"), dir.File("xh.pal"));
    std::filesystem::create_symlink("pr.bin", dir.File("prs.bin"));
  }
  test::TempDir dir;
};

// Every refusal of a run is one line on stderr naming the file, and changes no file: the
// collisions of every command (exit 2, before anything is read), selections that encode
// to nothing, and failures after notes and warnings were due (exit 1).
TEST_F(Workshop, RefusalsAreOneLineAndWriteNothing) {
  const std::string fx = "encode -f 4bpp-fx-low --partner-data pd.bin --into big.rom --at 0 ";
  struct Case {
    std::string line;
    std::string err;  // the whole of stderr, without its newline
    int status;
  };
  const Case cases[] = {
      // The partner ROM is an output like any other.
      {fx + "--partner-into pr.bin --partner-at 0x100 --partner-out pr.bin a.png",
       "glyphon: pr.bin: --partner-out and --partner-into are the same file", kExitUsage},
      {fx + "--partner-into pr.bin --partner-at 0x100 --palette-out pr.bin a.png",
       "glyphon: pr.bin: --palette-out and --partner-into are the same file", kExitUsage},
      {fx + "--partner-into pd.bin --partner-at 0x100 a.png",
       "glyphon: pd.bin: --partner-into is the same file as --partner-data (pd.bin)", kExitUsage},
      {fx + "--partner-into a.png --partner-at 0x100 a.png",
       "glyphon: a.png: --partner-into is the same file as INPUT (a.png)", kExitUsage},
      {fx + "--partner-into prs.bin --partner-at 0x100 --partner-out pr.bin a.png",
       "glyphon: pr.bin: --partner-out and --partner-into are the same file", kExitUsage},
      // Two names of one inode are two files to replace, one of which would keep the old bytes.
      {"encode -f 4bpp-fx-low --partner-data pd.bin --into pr.bin --at 0 --partner-into prh.bin "
       "--partner-at 0x100 a.png",
       "glyphon: prh.bin: --partner-into is another name (a hard link) of --into (pr.bin); replacing one "
       "would leave the other with the old bytes",
       kExitUsage},
      {"encode -f 8 --into a.png --at 0 a.png", "glyphon: a.png: --into is the same file as INPUT (a.png)",
       kExitUsage},
      {"encode -f 8 --palette x.pal --palette-out xh.pal a.png out.dat",
       "glyphon: xh.pal: --palette-out is the same file as --palette (x.pal)", kExitUsage},
      {"encode -f 8 --palette-format jasc --palette-out - a.png -",
       "glyphon: standard output: OUTPUT and --palette-out cannot both write it", kExitUsage},
      {"decode -f 8 -w 8 --partner-out o.png big.rom o.png",
       "glyphon: o.png: OUTPUT and --partner-out are the same file", kExitUsage},
      {"decode -f 8 -w 8 --palette x.pal big.rom xh.pal",
       "glyphon: xh.pal: OUTPUT is the same file as --palette (x.pal)", kExitUsage},
      {"tiles -f 8 --map-layout gbc --map-out m.dat --attr-out m.dat a.png t.dat",
       "glyphon: m.dat: --map-out and --attr-out are the same file", kExitUsage},
      {"tiles -f 8 --map-layout snes --map-out a.png a.png t.dat",
       "glyphon: a.png: --map-out is the same file as INPUT (a.png)", kExitUsage},
      {"untile -f 8 --map-layout snes --width-tiles 1 big.rom map.dat map.dat",
       "glyphon: map.dat: OUTPUT is the same file as MAP (map.dat)", kExitUsage},
      {"untile -f 8 --map-layout snes --width-tiles 1 - - o.png",
       "glyphon: standard input: TILES and MAP cannot both read it", kExitUsage},
      {"palette x.pal xh.pal", "glyphon: xh.pal: OUTPUT is the same file as INPUT (x.pal)", kExitUsage},
      // A selection that encodes to no bytes is refused as an empty one is.
      {"encode -f 4bpp-snes --rect 0,0,1,1 a.png out.dat",
       "glyphon: a.png: the selection 0,0,1,1 encodes to no bytes in 4bpp SNES, which stores whole 8 by 8 "
       "tiles",
       kExitFailure},
      {"encode -f 4bpp-snes --rect 0,0,1,1 --into big.rom --at 0 a.png",
       "glyphon: a.png: the selection 0,0,1,1 encodes to no bytes in 4bpp SNES, which stores whole 8 by 8 "
       "tiles",
       kExitFailure},
      {"encode -f 4bpp-linear --rect 0,0,1,1 a.png out.dat",
       "glyphon: a.png: the selection 0,0,1,1 encodes to no bytes in 4bpp Linear", kExitFailure},
      // No note or warning comes before the failure line.
      {"encode -f 12 a.png no/o.dat", "glyphon: no/o.dat: No such file or directory", kExitFailure},
      {"encode -f 8 --partner-data pd.bin a.png no/o.dat", "glyphon: no/o.dat: No such file or directory",
       kExitFailure},
      {"encode -f 8 --palette x.pal --nearest a.png no/o.dat", "glyphon: no/o.dat: No such file or directory",
       kExitFailure},
      {"decode -f 8 -w 8 --palette x.pal big.rom o.gif",
       "glyphon: o.gif: no picture format is known for the extension \".gif\" (pictures are written as .png "
       "or "
       ".bmp)",
       kExitFailure},
  };
  const InFolder here(dir.Path());
  const auto before = Snapshot(dir.Path());
  for (const Case& c : cases) {
    const Outcome o = RunWith(Words(c.line));
    EXPECT_EQ(o.err, c.err + "\n") << c.line;
    EXPECT_EQ(o.status, c.status) << c.line;
    EXPECT_EQ(o.out, "") << c.line;
    EXPECT_TRUE(Snapshot(dir.Path()) == before) << c.line;
  }
}

// --into and --partner-into may name one ROM, also through a symbolic link: one replacement.
TEST_F(Workshop, OneRomUnderOneNameTakesBothWrites) {
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
TEST_F(Workshop, VerifyReadsBackOnlyARegularFile) {
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
  const ByteString data = formats::Encode(format, picture, {0, 0, 8, 8}, partner, progress);
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
