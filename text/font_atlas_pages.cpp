// Shelf packing and rendering of the atlas pages.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

#include "app/report.h"
#include "text/font_atlas.h"

namespace {

struct Shelf {
  int64_t x = 0;
  int64_t bottom = 0;  // bottom row of the current shelf; rows count upward from 0
};

AtlasPage NewPage(uint32_t side) {
  AtlasPage page;
  page.width = uint16_t(side);
  page.height = uint16_t(side);
  return page;
}

}  // namespace

void FontAtlas::BuildPages() {
  const uint32_t cap = std::max(1u, std::min(maxPageSide, kAtlasMaxPageSide));
  const uint32_t firstSide = std::min(kAtlasFirstPageSide, cap);
  // Page records stay in place (the renderer's slot table points at them); more pages than
  // texture slots could never all be on the GPU anyway.
  pages.reserve(kTextureSlotCount);
  if (pages.empty()) pages.push_back(NewPage(firstSide));
  if (metrics.size() != glyphCount) {
    // Only a caller that filled the glyph arrays by hand gets here; measure them again later.
    metrics.resize(glyphCount);
    metricsPixelSize = 0;
  }

  // Pages hold consecutive runs of the height-sorted glyphs. Each glyph goes on the current shelf
  // when it fits strictly inside the page width, else it opens a shelf below; a shelf whose bottom
  // falls below row 0 does not fit, and then the page grows, or packing moves to the next page.
  glyphsPerPage.clear();
  uint32_t page = 0;
  uint32_t first = 0;  // first glyph of the page being packed
  Shelf shelf;
  uint32_t g = 0;
  while (g < glyphCount) {
    const int64_t pageW = pages[page].width, pageH = pages[page].height;
    const int64_t w = boxes[g].width, h = boxes[g].height;
    if (g == first) {
      shelf.x = 0;
      shelf.bottom = pageH - h;
    }
    if (!(shelf.x + w < pageW)) {
      shelf.x = 0;
      shelf.bottom -= h;
    }
    if (shelf.bottom < 0) {
      const bool canGrow = uint32_t(pageW) * 2 <= cap || uint32_t(pageH) * 2 <= cap;
      const bool isLast = page + 1 == pages.size();
      if (g == first && !canGrow) {
        // Larger than a whole page at the limit: place it alone at the top and clip it, so
        // packing always moves on.
        shelf.x = 0;
        shelf.bottom = std::max<int64_t>(0, pageH - h);
      } else if (!isLast) {
        glyphsPerPage.push_back(g - first);
        ++page;
        first = g;
        continue;
      } else if (canGrow) {
        // Pages never shrink: a rebuild at a smaller size starts from the grown size.
        if (uint32_t(pageW) * 2 <= cap) pages[page].width = uint16_t(pageW * 2);
        if (uint32_t(pageH) * 2 <= cap) pages[page].height = uint16_t(pageH * 2);
        g = first;
        continue;
      } else {
        glyphsPerPage.push_back(g - first);
        pages.push_back(NewPage(firstSide));
        ++page;
        first = g;
        continue;
      }
    }
    positions[g] = {uint32_t(shelf.x), uint32_t(shelf.bottom)};
    shelf.x += w;
    ++g;
  }
  glyphsPerPage.push_back(glyphCount - first);

  // Pages left without glyphs (fewer needed at a smaller size) are dropped with their slots.
  for (size_t p = page + 1; p < pages.size(); ++p) {
    if (hooks.release) hooks.release(hooks.context, this, &pages[p]);
    pages[p].slot = kNoTextureSlot;
  }
  pages.resize(page + 1);
  pageCount = uint32_t(pages.size());
  pagePixels.resize(pageCount);

  std::vector<uint8_t> tight;
  uint32_t k = 0;
  uint32_t failed = 0;
  for (uint32_t p = 0; p < pageCount; ++p) {
    const uint32_t pageW = pages[p].width, pageH = pages[p].height;
    std::vector<uint8_t>& pixels = pagePixels[p];
    pixels.assign(size_t(pageW) * pageH, 0);
    int64_t shelfHeight = 0;
    for (uint32_t end = k + glyphsPerPage[p]; k < end; ++k) {
      if (positions[k].x == 0) shelfHeight = boxes[k].height;
      bearings[k] = {0, 0};
      if (!face) continue;  // no font: the pages stay blank
      if (FT_Load_Glyph(face, metrics[k].glyphIndex, FT_LOAD_RENDER)) {
        ++failed;
        continue;
      }
      const FT_GlyphSlot slot = face->glyph;
      const FT_Bitmap& bitmap = slot->bitmap;
      const uint32_t rows = bitmap.rows, width = bitmap.width;
      // Hang the bitmap from the top of its shelf. A bitmap taller than the shelf at row 0 would
      // wrap the unsigned row, so it is kept at 0.
      const int64_t y = std::max<int64_t>(0, int64_t(positions[k].y) + shelfHeight - rows);
      positions[k].y = uint32_t(y);
      bearings[k] = {slot->bitmap_left, slot->bitmap_top - int32_t(rows)};
      if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || !bitmap.buffer || !rows || !width) continue;
      const uint8_t* source = bitmap.buffer;
      if (bitmap.pitch != int(width)) {
        // Rows padded or stored bottom-up: copy them tight, top row first.
        tight.resize(size_t(width) * rows);
        for (uint32_t r = 0; r < rows; ++r) {
          const uint8_t* row = bitmap.pitch >= 0
                                   ? bitmap.buffer + size_t(r) * bitmap.pitch
                                   : bitmap.buffer + size_t(rows - 1 - r) * size_t(-bitmap.pitch);
          std::copy(row, row + width, tight.begin() + size_t(r) * width);
        }
        source = tight.data();
      }
      BlitGlyph(source, width, rows, int32_t(positions[k].x), int32_t(y), pixels.data(), pageW,
                pageH);
    }
    pages[p].bytesPerTexel = 1;
    pages[p].format = kAtlasPageFormatR8;
    if (hooks.upload) hooks.upload(hooks.context, this, p, pixels.data());
  }
  if (failed) Report("Text: %u glyphs could not be rendered", failed);
  pendingCodePoints.clear();
}
