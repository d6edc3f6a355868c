// Image loader speed: PNG decoding against plain libpng calls on the same bytes, and mip
// generation throughput. Run by hand (interleaving evens out a busy machine):
//   build/<dir>/render/bench_images --benchmark_repetitions=10
//     --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "render/mips.h"
#include "render/png_loader.h"
#include "tests/support/png_encode.h"

namespace {

constexpr uint32_t kSide = 1024;

// A picture with smooth gradients and some fine detail, so deflate and the row filters get
// work like that of a real sprite sheet.
std::vector<uint8_t> MakePicture(uint32_t channels) {
  std::vector<uint8_t> texels(size_t(kSide) * kSide * channels);
  uint32_t noise = 12345;
  for (uint32_t y = 0; y < kSide; ++y) {
    for (uint32_t x = 0; x < kSide; ++x) {
      noise = noise * 1664525u + 1013904223u;
      uint8_t* t = &texels[(size_t(y) * kSide + x) * channels];
      t[0] = uint8_t(x / 4 + (noise >> 29));
      if (channels > 1) t[1] = uint8_t(y / 4);
      if (channels > 2) t[2] = uint8_t((x ^ y) & 0xF0);
      if (channels > 3) t[3] = uint8_t(x < 64 ? 0 : 255);
    }
  }
  return texels;
}

std::vector<uint8_t> EncodePicture(uint32_t channels) {
  std::vector<uint8_t> texels = MakePicture(channels);
  return EncodePng(kSide, kSide, int(channels), texels.data());
}

const std::vector<uint8_t>& Picture(uint32_t channels) {
  static std::map<uint32_t, std::vector<uint8_t>> files;
  auto it = files.find(channels);
  if (it == files.end()) it = files.emplace(channels, EncodePicture(channels)).first;
  return it->second;
}

struct MemoryReader {
  const uint8_t* bytes;
  size_t size;
  size_t pos;
};

// The baseline: the fewest libpng calls that decode the file into one buffer.
uint8_t* DecodeWithPlainLibpng(const std::vector<uint8_t>& file) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  MemoryReader reader{file.data(), file.size(), 0};
  png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, size_t n) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(p));
    if (n > r->size - r->pos) png_error(p, "truncated");
    std::memcpy(out, r->bytes + r->pos, n);
    r->pos += n;
  });
  png_read_info(png, info);
  uint32_t height = png_get_image_height(png, info);
  size_t rowBytes = png_get_rowbytes(png, info);
  uint8_t* pixels = new uint8_t[rowBytes * height];
  std::vector<png_bytep> rows(height);
  for (uint32_t y = 0; y < height; ++y) rows[y] = pixels + y * rowBytes;
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  return pixels;
}

void SetMegapixelCounter(benchmark::State& state) {
  double megapixels = double(kSide) * kSide / 1e6;
  state.counters["s/MP"] = benchmark::Counter(megapixels * double(state.iterations()),
                                              benchmark::Counter::kIsRate |
                                                  benchmark::Counter::kInvert);
}

void PngDecodeOurs(benchmark::State& state) {
  const std::vector<uint8_t>& file = Picture(uint32_t(state.range(0)));
  for (auto _ : state) {
    PngImage image;
    if (!DecodePng(file.data(), file.size(), "bench.png", &image)) state.SkipWithError("decode");
    benchmark::DoNotOptimize(image.pixels);
    delete[] image.pixels;
  }
  SetMegapixelCounter(state);
}

void PngDecodePlainLibpng(benchmark::State& state) {
  const std::vector<uint8_t>& file = Picture(uint32_t(state.range(0)));
  for (auto _ : state) {
    uint8_t* pixels = DecodeWithPlainLibpng(file);
    benchmark::DoNotOptimize(pixels);
    delete[] pixels;
  }
  SetMegapixelCounter(state);
}

// Throughput in level-0 bytes per second: the chain reads all of level 0 and writes a third more.
void MipGeneration(benchmark::State& state) {
  uint32_t channels = uint32_t(state.range(0));
  std::vector<uint8_t> level0 = MakePicture(channels);
  std::vector<uint8_t> chain(MipChainBytes(kSide, kSide, channels));
  std::memcpy(chain.data(), level0.data(), level0.size());
  for (auto _ : state) {
    uint32_t levels = 0;
    GenerateMips(chain.data(), kSide, kSide, &levels, channels);
    benchmark::DoNotOptimize(chain.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(level0.size()));
}

BENCHMARK(PngDecodeOurs)->Arg(4)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(PngDecodePlainLibpng)->Arg(4)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(MipGeneration)->Arg(4)->Arg(1)->Unit(benchmark::kMillisecond);

// Prints the usual table, then the decode time ratio (ours / plain libpng) per channel count.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // With repetitions the median stands for its runs; it is reported after them.
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      seconds_[run.run_name.str()] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    for (const char* arg : {"4", "3"}) {
      auto ours = seconds_.find(std::string("PngDecodeOurs/") + arg);
      auto plain = seconds_.find(std::string("PngDecodePlainLibpng/") + arg);
      if (ours == seconds_.end() || plain == seconds_.end()) continue;
      std::printf("PNG decode time ratio, %s channels (ours / plain libpng): %.3f\n", arg,
                  ours->second / plain->second);
    }
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
