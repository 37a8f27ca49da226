// SPDX-License-Identifier: MIT
// Every format's encoder and decoder on a 2048 by 2048 sheet, through the same code the
// app and glyphon run, progress reporting included (into a sink that does nothing).
#include <string>

#include "bench_support.h"
#include "formats/decoding.h"
#include "formats/format_table.h"

namespace glyphon::bench {
namespace {

const convert::Selection kWhole{0, 0, kSide, kSide};

convert::PartnerState PartnerPicture() {
  convert::PartnerState partner;
  partner.picture = RandomSheet();
  return partner;
}

void Encode(benchmark::State& state, const formats::FormatInfo* format) {
  platform::NullProgress progress;
  for (auto _ : state) {
    state.PauseTiming();
    convert::PartnerState partner = PartnerPicture();
    state.ResumeTiming();
    ByteString out = formats::Encode(*format, RandomSheet(), kWhole, partner, progress).Value();
    benchmark::DoNotOptimize(out.data());
  }
}

// A partner format whose partner picture was converted before: picture and data are both
// there, so only the main pass runs.
void EncodeMainPass(benchmark::State& state, const formats::FormatInfo* format) {
  platform::NullProgress progress;
  convert::PartnerState partner = PartnerPicture();
  formats::Encode(*format, RandomSheet(), kWhole, partner, progress);
  for (auto _ : state) {
    ByteString out = formats::Encode(*format, RandomSheet(), kWhole, partner, progress).Value();
    benchmark::DoNotOptimize(out.data());
  }
}

void Decode(benchmark::State& state, const formats::FormatInfo* format) {
  platform::NullProgress progress;
  convert::PartnerState partner = PartnerPicture();
  const ByteString data = formats::Encode(*format, RandomSheet(), kWhole, partner, progress).Value();
  for (auto _ : state) {
    convert::PartnerState decodePartner;
    formats::DecodeResult result =
        formats::Decode(*format, data, kSide, formats::DecodeMode::ImageGeneration, &decodePartner, progress);
    benchmark::DoNotOptimize(result.picture.Pixels().data());
  }
}

void RegisterAll() {
  Measured(benchmark::RegisterBenchmark("ReferencePass", ReferencePass));
  for (const formats::FormatInfo& format : formats::Formats()) {
    if (format.encode == nullptr) continue;
    const std::string name = formats::CliName(format);
    Measured(benchmark::RegisterBenchmark(("Encode/" + name).c_str(), Encode, &format));
    Measured(benchmark::RegisterBenchmark(("Decode/" + name).c_str(), Decode, &format));
    if (format.HasPartner()) {
      Measured(benchmark::RegisterBenchmark(("EncodeMainPass/" + name).c_str(), EncodeMainPass, &format));
    }
  }
}

}  // namespace
}  // namespace glyphon::bench

int main(int argc, char** argv) {
  glyphon::bench::RandomSheet();
  glyphon::bench::RegisterAll();
  return glyphon::bench::RunWithRatios(argc, argv);
}
