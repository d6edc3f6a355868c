// Text benchmarks: layout throughput (glyphs per second) of a 2,000-character paragraph at 30 px
// in each line-fit mode, and the time to rebuild the whole atlas for the dialogue's characters at
// 30 px and 60 px (what a window resize costs). Run from the repository root:
//   build/native/text/bench_text --benchmark_min_time=0.5
#include <benchmark/benchmark.h>
#include <utf8cpp/utf8.h>

#include <cstdio>
#include <string>
#include <vector>

#include "text/font_atlas.h"
#include "text/text_layout.h"

namespace {

// Every character the dialogue can show: ASCII, the French letters, the euro sign.
const char* kDialogueCharacters =
    " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
    "abcdefghijklmnopqrstuvwxyz{|}~àâçéèêëîïôùûüÿÀÂÇÉÈÊËÎÏÔÙÛÜœŒ€";

const char* kSentence =
    "Bienvenue au marché : une belle maison ancienne coûte cher, mais le jardin est grand ! "
    "Que voulez-vous acheter aujourd'hui avec votre budget de 12,50 € ? ";

std::vector<uint32_t> Decode(const std::string& s) {
  std::vector<uint32_t> out;
  utf8::utf8to32(s.begin(), s.end(), std::back_inserter(out));
  return out;
}

bool MakeAtlas(FontAtlas* atlas, uint32_t pixelSize) {
  if (!atlas->LoadFontFile("data/Kestra/PatuaOne-Regular.ttf")) return false;
  atlas->pixelSize = pixelSize;
  atlas->pendingCodePoints = Decode(kDialogueCharacters);
  return atlas->BakePendingGlyphs();
}

std::vector<uint32_t> Paragraph() {
  std::vector<uint32_t> sentence = Decode(kSentence), text;
  while (text.size() < 2000) text.insert(text.end(), sentence.begin(), sentence.end());
  text.resize(2000);
  return text;
}

void LayoutParagraph(benchmark::State& state) {
  static FontAtlas atlas;
  static bool ready = MakeAtlas(&atlas, 30);
  if (!ready) {
    state.SkipWithError("font not found (run from the repository root)");
    return;
  }
  const std::vector<uint32_t> text = Paragraph();
  TextLayoutParams params;
  params.maxLineWidth = 1080;
  params.boxHeight = 720;
  params.atlas = &atlas;
  params.lineFitMode = int32_t(state.range(0));
  std::vector<PageMesh> meshes;
  for (auto _ : state) {
    // Emptied but kept, as the game reuses its page meshes from text to text.
    for (PageMesh& mesh : meshes) {
      mesh.vertices.clear();
      mesh.indices.clear();
    }
    if (!LayoutText(text.data(), int32_t(text.size()), &params, &meshes))
      state.SkipWithError("glyphs missing");
    benchmark::DoNotOptimize(meshes.data());
  }
  state.counters["glyphs/s"] =
      benchmark::Counter(double(text.size()) * double(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(LayoutParagraph)->DenseRange(0, 5)->ArgName("mode");

void RebuildAtlas(benchmark::State& state) {
  FontAtlas atlas;
  if (!MakeAtlas(&atlas, uint32_t(state.range(0)))) {
    state.SkipWithError("font not found (run from the repository root)");
    return;
  }
  for (auto _ : state) {
    atlas.Rebuild();
    benchmark::DoNotOptimize(atlas.pagePixels.data());
  }
  state.counters["glyphs"] = double(atlas.glyphCount);
}
BENCHMARK(RebuildAtlas)->Arg(30)->Arg(60)->ArgName("px")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
