#include <vector>

#include "render/renderer.h"
#include "text/font_atlas_gpu.h"

namespace {

// A slot a page left behind. Draws recorded earlier in the frame still name its descriptor, and
// Direct3D reads descriptors when the frame executes, so the slot is given back only after the
// frame that may use it has been submitted (the frame loop waits for each frame).
struct RetiredSlot {
  uint32_t slot;
  uint64_t submittedBefore;  // gRenderer.lastSubmitted when it was retired
};

struct AtlasGpuState {
  std::vector<RetiredSlot> retired;
  // A page upload failed and no upload has succeeded since: the retries stay quiet.
  bool uploadFailureReported = false;
  // gRenderer.lastSubmitted when an upload last failed: a page left without a texture is tried
  // again once a later frame has been submitted, not at every draw of the same frame.
  uint64_t failedBefore = 0;
};

// True while the renderer's slot still belongs to this very page record (the atlas keeps its
// page records in place, see FontAtlas::BuildPages).
bool HoldsItsSlot(const AtlasPage& page) {
  return page.slot < kTextureSlotCount && gRenderer.textureSlots[page.slot].owner == &page;
}

void GiveBackFinishedSlots(AtlasGpuState* state) {
  std::vector<RetiredSlot>& retired = state->retired;
  for (size_t k = 0; k < retired.size();) {
    if (gRenderer.lastSubmitted > retired[k].submittedBefore) {
      gRenderer.FreeTextureSlot(retired[k].slot);
      retired[k] = retired.back();
      retired.pop_back();
    } else {
      ++k;
    }
  }
}

void Retire(AtlasGpuState* state, uint32_t slot) {
  state->retired.push_back({slot, gRenderer.lastSubmitted});
}

void UploadPage(void* context, FontAtlas* atlas, uint32_t index, const uint8_t* pixels) {
  AtlasGpuState* state = static_cast<AtlasGpuState*>(context);
  GiveBackFinishedSlots(state);
  AtlasPage& page = atlas->pages[index];
  // A slot given back to the renderer may already name another texture: never write to it.
  if (page.slot != kNoTextureSlot && !HoldsItsSlot(page)) page.slot = kNoTextureSlot;
  // New contents go to a new slot, so texts drawn earlier in this frame keep the page they were
  // laid out on. With every slot taken the page is re-created in place instead.
  const uint32_t previous = page.slot;
  if (previous != kNoTextureSlot) {
    page.slot = kNoTextureSlot;
    if (!Texture::AllocSlot(&page)) page.slot = previous;
  }
  const uint32_t fresh = page.slot;
  if (!(atlas->flags & 1u)) Texture::UsePointFilter(&page);
  // Level 0 only: the page pixels are read in place and copied into the upload buffer now.
  if (!Texture::Create(&page, pixels, kTextureLevelOnly, &state->uploadFailureReported)) {
    // Reported by the renderer, once per run of failures. A slot that got no texture goes back;
    // the page keeps showing its previous contents when it had any, and the next build tries
    // again. A page left without any is tried again at the next frame (EnsureAtlasTextures).
    if (page.slot != kNoTextureSlot && !HoldsItsSlot(page)) Texture::ReleaseSlot(&page);
    if (previous != kNoTextureSlot && previous != fresh) page.slot = previous;
    state->failedBefore = gRenderer.lastSubmitted;
    return;
  }
  if (previous != kNoTextureSlot && page.slot != previous) Retire(state, previous);
}

void ReleasePage(void* context, FontAtlas*, AtlasPage* page) {
  if (HoldsItsSlot(*page)) Retire(static_cast<AtlasGpuState*>(context), page->slot);
  page->slot = kNoTextureSlot;
}

}  // namespace

void UseGpuTextures(FontAtlas* atlas) {
  // The state lives as long as the atlas, which the game never destroys.
  if (!atlas->hooks.context || atlas->hooks.upload != UploadPage)
    atlas->hooks.context = new AtlasGpuState();
  atlas->hooks.upload = UploadPage;
  atlas->hooks.release = ReleasePage;
  if (gRenderer.maxTextureSide > 0 && gRenderer.maxTextureSide < atlas->maxPageSide)
    atlas->maxPageSide = gRenderer.maxTextureSide;
  for (uint32_t p = 0; p < atlas->pageCount && p < atlas->pagePixels.size(); ++p)
    UploadPage(atlas->hooks.context, atlas, p, atlas->pagePixels[p].data());
}

void EnsureAtlasTextures(FontAtlas* atlas) {
  if (atlas->hooks.upload != UploadPage) {
    UseGpuTextures(atlas);
    return;
  }
  AtlasGpuState* state = static_cast<AtlasGpuState*>(atlas->hooks.context);
  GiveBackFinishedSlots(state);
  // Every page holds a slot after a successful upload, so one without a slot failed its last.
  const bool retry = gRenderer.lastSubmitted > state->failedBefore;
  for (uint32_t p = 0; p < atlas->pageCount && p < atlas->pagePixels.size(); ++p) {
    const AtlasPage& page = atlas->pages[p];
    if (page.slot != kNoTextureSlot ? !HoldsItsSlot(page) : retry)
      UploadPage(state, atlas, p, atlas->pagePixels[p].data());
  }
}
