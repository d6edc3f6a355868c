#pragma once
// The atlas pages as renderer textures (Windows only; link kestra_text_gpu).
#include "text/font_atlas.h"

// From now on every build of the atlas uploads its pages as textures (point filtering unless the
// atlas's flags bit 0 is set), and pages the atlas drops give their slots back. Pages already
// built are uploaded at once. Pages are limited to the renderer's maximum texture side. Each
// build puts a page's new contents in a new slot and gives the old one back after the frame, so
// texts drawn earlier in the same frame still show the page they were laid out on.
void UseGpuTextures(FontAtlas* atlas);
// Re-creates the texture of any page whose slot the renderer has taken back (or handed to
// another texture), so that binding a page never shows someone else's texture, and tries again,
// once per frame, a page whose texture could not be made; starts UseGpuTextures when it was not
// called yet. Cheap when nothing changed.
void EnsureAtlasTextures(FontAtlas* atlas);
