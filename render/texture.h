#pragma once
// A 2-D image on the GPU, named by a small value record. The GPU resource and its view live in
// the renderer's texture slot; the record only says which slot, which sampler and what shape.
// Portable: the operations are defined by the Windows renderer (render/texture_d3d12.cpp).
#include <cstdint>

constexpr uint32_t kNoTextureSlot = 0xFFFFFFFFu;
constexpr uint32_t kTextureSlotCount = 256;

// DXGI formats a texture can hold.
enum : uint32_t {
  kTextureFormatRgba8 = 28,  // DXGI_FORMAT_R8G8B8A8_UNORM
  kTextureFormatR8 = 61,     // DXGI_FORMAT_R8_UNORM
  kTextureFormatBgra8 = 87,  // DXGI_FORMAT_B8G8R8A8_UNORM
};

// Mip modes of Texture::Create.
enum : uint32_t {
  kTextureBuildMips = 0,   // build the mip chain from level 0
  kTextureLevelOnly = 1,   // level 0 only; the caller's pixels are read in place
};

struct Texture {
  uint32_t slot = kNoTextureSlot;  // renderer texture slot 0-255
  uint32_t sampler = 0;            // renderer sampler entry 0-31
  uint16_t width = 0;              // texels of level 0
  uint16_t height = 0;
  uint32_t bytesPerTexel = 0;  // 4 or 1
  uint32_t format = 0;         // one of the kTextureFormat values

  // Loads a .bmp or .png (by the path's lower-case extension; anything else is read as a 24-bit
  // BMP into BGRA) and creates the GPU texture with mips. False (reported) when the file cannot
  // be decoded or the texture cannot be made; the record is then left as it was.
  static bool Load(Texture* texture, const char* path);
  // Creates (or re-creates, in the slot it already holds) the GPU texture from width, height,
  // bytesPerTexel and format. Pixels are bottom row first; null pixels make a texture with
  // undefined contents. The upload runs before the frame's own draws, so the texture may be
  // bound at once, also in the middle of a frame. False (reported) on failure. With
  // `failureReported`, a failure is reported only while *failureReported is false, which is then
  // set to whether this call failed: a caller that retries reports each run of failures once.
  static bool Create(Texture* texture, const uint8_t* pixels, uint32_t mipMode,
                     bool* failureReported = nullptr);
  // Binds the texture to t0 and its sampler to s0 for the following draws of this frame.
  // False when nothing was bound (outside a frame, no slot, or a slot whose texture could not
  // be made, reported once): the draw that needs it must be skipped, or it would sample
  // whatever table was bound before.
  static bool Bind(const Texture* texture);
  // Moves the texture to the sampler entry with point filtering and otherwise equal settings.
  static void UsePointFilter(Texture* texture);
  // Moves the texture to the sampler entry with mirror addressing and otherwise equal settings.
  static void UseMirrorAddressing(Texture* texture);
  // Takes the first free slot when the texture has none. False (reported) when all 256 are held.
  static bool AllocSlot(Texture* texture);
  // Gives a held slot back to the renderer and sets slot to none.
  static void ReleaseSlot(Texture* texture);
};
