#pragma once
// Text layout: code points into textured quads, one PageMesh per atlas page, with kerning,
// wrapping at the box width, hyphenation and line alignment. Coordinates are pixels of the text
// box, y upward, (0, 0) at its bottom-left corner.
#include <cstdint>
#include <vector>

#include "app/math.h"
#include "mesh/vertex_format.h"

struct FontAtlas;

// How a line that overflows the box is broken, and how finished lines are aligned.
enum LineFitMode : int32_t {
  kLineFitNone = 0,
  kLineFitHyphenateLineEnd = 1,
  kLineFitBreakLine = 2,
  kLineFitBreakAndAlignRight = 3,
  kLineFitBreakAndAlignCentre = 4,
  kLineFitBreakAndJustify = 5,
};

struct TextLayoutParams {
  uint32_t maxLineWidth = 0;  // pixels
  uint32_t boxHeight = 0;     // pixels; the first baseline lies the face's y_ppem below it
  FontAtlas* atlas = nullptr;
  float color[4] = {1, 1, 1, 1};
  int32_t lineFitMode = kLineFitNone;  // a LineFitMode; other values behave as kLineFitNone
};

// One glyph of the line being built. 26.6 fixed point unless noted.
struct LaidOutGlyph {
  int32_t x;        // pen x (whole pixels times 64)
  int32_t y;        // baseline y
  int32_t advance;  // horizontal advance
  uint32_t page;    // atlas page
  Vec2 bearing;     // bitmap offset from the pen, pixels
  Vec2 uv;          // bottom-left corner in the page, 0..1
  Vec2 uvSize;      // box size in the page, 0..1
  int32_t width;    // glyph metrics width
  int32_t height;   // glyph metrics height
};

// The text box in pixels: {0, 0, maxLineWidth, boxHeight}.
struct LayoutBox {
  int32_t left, bottom, right, top;
};


struct PageMesh {
  std::vector<float> vertices;   // interleaved
  std::vector<uint32_t> indices;  // triangles
  VertexFormat format = kTextVertexFormat;

  // Rewrites the vertices into the text vertex layout (format 8: x, y; u, v; r, g, b, a).
  void ConvertToFormat8();
};

// Lays `count` code points out into `meshes` (resized to one mesh per atlas page; quads are
// appended). Returns false when glyphs were missing: they are queued in the atlas's pending list
// (each once) and the caller bakes and lays out again. With no usable font nothing is queued, the
// text is not drawn and the result is true, so callers never loop on it.
bool LayoutText(const uint32_t* codePoints, int32_t count, const TextLayoutParams* params,
                std::vector<PageMesh>* meshes);

// Appends the quads of one line to the meshes of their pages (CR and LF draw nothing).
void AppendGlyphQuads(const uint32_t* lineCodePoints, const LaidOutGlyph* glyphs, uint32_t count,
                      std::vector<PageMesh>* meshes, const float* color);
