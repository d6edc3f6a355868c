#include "render/renderer.h"
#include "text/font_atlas_gpu.h"

namespace {

// True while the renderer's slot still belongs to this very page record (the atlas keeps its
// page records in place, see FontAtlas::BuildPages).
bool HoldsItsSlot(const AtlasPage& page) {
  return page.slot < kTextureSlotCount && gRenderer.textureSlots[page.slot].owner == &page;
}

void UploadPage(void*, FontAtlas* atlas, uint32_t index, const uint8_t* pixels) {
  AtlasPage& page = atlas->pages[index];
  // A slot given back to the renderer may already name another texture: take a fresh one.
  if (page.slot != kNoTextureSlot && !HoldsItsSlot(page)) page.slot = kNoTextureSlot;
  if (!(atlas->flags & 1u)) Texture::UsePointFilter(&page);
  // Level 0 only: the page pixels are read in place and copied into the upload buffer now.
  Texture::Create(&page, pixels, kTextureLevelOnly);
}

void ReleasePage(void*, FontAtlas*, AtlasPage* page) {
  if (HoldsItsSlot(*page)) Texture::ReleaseSlot(page);
  page->slot = kNoTextureSlot;
}

}  // namespace

void UseGpuTextures(FontAtlas* atlas) {
  atlas->hooks.upload = UploadPage;
  atlas->hooks.release = ReleasePage;
  atlas->hooks.context = nullptr;
  if (gRenderer.maxTextureSide > 0 && gRenderer.maxTextureSide < atlas->maxPageSide)
    atlas->maxPageSide = gRenderer.maxTextureSide;
  for (uint32_t p = 0; p < atlas->pageCount && p < atlas->pagePixels.size(); ++p)
    UploadPage(nullptr, atlas, p, atlas->pagePixels[p].data());
}

void EnsureAtlasTextures(FontAtlas* atlas) {
  for (uint32_t p = 0; p < atlas->pageCount && p < atlas->pagePixels.size(); ++p)
    if (!HoldsItsSlot(atlas->pages[p])) UploadPage(nullptr, atlas, p, atlas->pagePixels[p].data());
}
