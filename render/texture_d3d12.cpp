// Textures: loading, GPU creation with mips, uploads on the upload list, binding, samplers and
// the slot table.
#include "render/renderer.h"

#include <d3dx12.h>

#include <cstring>
#include <memory>
#include <vector>

#include "app/files.h"
#include "app/report.h"
#include "render/bmp_loader.h"
#include "render/mips.h"
#include "render/png_loader.h"

namespace {

bool EndsWith(const char* path, const char* suffix) {
  const size_t n = std::strlen(path), m = std::strlen(suffix);
  return n >= m && std::memcmp(path + n - m, suffix, m) == 0;
}

// 8-bit PNG samples as 4-byte RGBA (1 channel stays 1 byte). Null for depths we do not draw.
std::unique_ptr<uint8_t[]> PngTexels(const PngImage& png, const char* path,
                                     uint32_t* bytesPerTexel, uint32_t* format) {
  const size_t texels = size_t(png.width) * png.height;
  if (png.bitDepth != 8) {
    Report("Texture: %s has %u-bit samples; only 8-bit PNGs are drawn", path, png.bitDepth);
    return nullptr;
  }
  if (png.channels == 1) {
    std::unique_ptr<uint8_t[]> out(new uint8_t[texels]);
    std::memcpy(out.get(), png.pixels, texels);
    *bytesPerTexel = 1;
    *format = kTextureFormatR8;
    return out;
  }
  std::unique_ptr<uint8_t[]> out(new uint8_t[texels * 4]);
  for (size_t i = 0; i < texels; ++i) {
    const uint8_t* s = png.pixels + i * png.channels;
    uint8_t* d = out.get() + i * 4;
    switch (png.channels) {
      case 2:  // grey and alpha
        d[0] = d[1] = d[2] = s[0];
        d[3] = s[1];
        break;
      case 3:
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
        break;
      default:
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = s[3];
        break;
    }
  }
  *bytesPerTexel = 4;
  *format = kTextureFormatRgba8;
  return out;
}

}  // namespace

bool Texture::Load(Texture* texture, const char* path) {
  if (!path) return false;
  uint16_t width = 0, height = 0;
  uint32_t bytesPerTexel = 4, format = kTextureFormatRgba8;
  std::unique_ptr<uint8_t[]> texels;
  if (EndsWith(path, ".bmp")) {
    std::unique_ptr<uint8_t[]> bgr(LoadBmp24(path, &width, &height));
    if (!bgr) return false;
    const size_t n = size_t(width) * height;
    texels.reset(new uint8_t[n * 4]);
    for (size_t i = 0; i < n; ++i) {
      texels[4 * i + 0] = bgr[3 * i + 2];
      texels[4 * i + 1] = bgr[3 * i + 1];
      texels[4 * i + 2] = bgr[3 * i + 0];
      texels[4 * i + 3] = 255;
    }
  } else if (EndsWith(path, ".png")) {
    FileBytes file;
    if (!ReadWholeFile(path, &file)) {
      Report("Texture: cannot read %s", path);
      return false;
    }
    PngImage png;
    if (!DecodePng(file.Bytes(), file.Size(), path, &png)) return false;
    std::unique_ptr<uint8_t[]> owned(png.pixels);
    texels = PngTexels(png, path, &bytesPerTexel, &format);
    if (!texels) return false;
    width = uint16_t(png.width);
    height = uint16_t(png.height);
  } else {
    texels.reset(LoadBmpAs32(path, &width, &height));
    if (!texels) return false;
    format = kTextureFormatBgra8;
  }
  const Texture before = *texture;
  texture->width = width;
  texture->height = height;
  texture->bytesPerTexel = bytesPerTexel;
  texture->format = format;
  if (!Create(texture, texels.get(), kTextureBuildMips)) {
    if (before.slot == kNoTextureSlot && texture->slot != kNoTextureSlot) {
      gRenderer.FreeTextureSlot(texture->slot);
    }
    *texture = before;
    return false;
  }
  return true;
}

namespace {

// Texture::AllocSlot, with the failure reported only when `report` is set.
bool TakeSlot(Texture* texture, bool report) {
  if (texture->slot != kNoTextureSlot) return texture->slot < kTextureSlotCount;
  uint32_t slot;
  if (!TakeTextureSlot(&gRenderer.freeSlotRanges, &slot)) {
    if (report) Report("Texture: all %u texture slots are in use", kTextureSlotCount);
    return false;
  }
  texture->slot = slot;
  return true;
}

// Texture::Create, with the failures that make no texture reported only when `report` is set.
bool MakeTexture(Texture* texture, const uint8_t* pixels, uint32_t mipMode, bool report) {
  Renderer& r = gRenderer;
  if (!r.ready) {
    if (report) Report("Texture: the renderer is not running; no texture made");
    return false;
  }
  const uint32_t w = texture->width, h = texture->height, c = texture->bytesPerTexel;
  const bool formatFits = (texture->format == kTextureFormatR8 && c == 1) ||
                          ((texture->format == kTextureFormatRgba8 ||
                            texture->format == kTextureFormatBgra8) && c == 4);
  if (w == 0 || h == 0 || w > r.maxTextureSide || h > r.maxTextureSide || !formatFits) {
    if (report) {
      Report("Texture: cannot make a %ux%u texture of format %u with %u bytes per texel", w, h,
             texture->format, c);
    }
    return false;
  }
  Texture::UseMirrorAddressing(texture);

  std::vector<uint8_t> working;
  const uint8_t* levels = pixels;
  uint32_t levelCount = 1;
  if (pixels && mipMode == kTextureBuildMips) {
    working.resize(MipChainBytes(w, h, c));
    std::memcpy(working.data(), pixels, size_t(w) * h * c);
    GenerateMips(working.data(), w, h, &levelCount, c);
    levels = working.data();
  }

  D3D12_RESOURCE_DESC desc = {};
  desc.Dimension = D3D12_RESOURCE_DIMENSION_TEXTURE2D;
  desc.Width = w;
  desc.Height = h;
  desc.DepthOrArraySize = 1;
  desc.MipLevels = UINT16(levelCount);
  desc.Format = DXGI_FORMAT(texture->format);
  desc.SampleDesc.Count = 1;
  desc.Layout = D3D12_TEXTURE_LAYOUT_UNKNOWN;
  desc.Flags = D3D12_RESOURCE_FLAG_NONE;

  if (!TakeSlot(texture, report)) return false;
  TextureSlot& slot = r.textureSlots[texture->slot];
  // The GPU may still sample the old resource (the atlas grows mid-frame): keep it alive until
  // the frame has finished on the GPU.
  r.RetireResource(std::move(slot.texture));
  D3D12_HEAP_PROPERTIES heap = HeapOfType(D3D12_HEAP_TYPE_DEFAULT);
  HRESULT hr = r.device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc,
                                                 D3D12_RESOURCE_STATE_COPY_DEST, nullptr,
                                                 IID_PPV_ARGS(&slot.texture));
  if (FAILED(hr)) {
    if (report) {
      Report("Texture: cannot create a %ux%u texture (HRESULT 0x%08lx)", w, h,
             static_cast<unsigned long>(hr));
    }
    slot.texture.Reset();
    slot.owner = nullptr;
    return false;
  }

  D3D12_SHADER_RESOURCE_VIEW_DESC view = {};
  view.Format = desc.Format;
  view.ViewDimension = D3D12_SRV_DIMENSION_TEXTURE2D;
  view.Shader4ComponentMapping = D3D12_DEFAULT_SHADER_4_COMPONENT_MAPPING;
  view.Texture2D.MostDetailedMip = 0;
  view.Texture2D.MipLevels = levelCount;
  view.Texture2D.PlaneSlice = 0;
  view.Texture2D.ResourceMinLODClamp = 0.0f;
  slot.owner = texture;
  slot.viewDesc = view;
  D3D12_CPU_DESCRIPTOR_HANDLE handle = CpuHeapStart(r.cbvSrvHeap.Get());
  handle.ptr += size_t(texture->slot) * r.cbvSrvDescriptorSize;
  r.device->CreateShaderResourceView(slot.texture.Get(), &view, handle);

  D3D12_RESOURCE_STATES after = D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE;
  if (levels) {
    UINT64 uploadBytes = 0;
    r.device->GetCopyableFootprints(&desc, 0, levelCount, 0, nullptr, nullptr, nullptr,
                                    &uploadBytes);
    ComPtr<ID3D12Resource> upload;
    D3D12_HEAP_PROPERTIES uploadHeap = HeapOfType(D3D12_HEAP_TYPE_UPLOAD);
    D3D12_RESOURCE_DESC uploadDesc = BufferDesc(uploadBytes);
    hr = r.device->CreateCommittedResource(&uploadHeap, D3D12_HEAP_FLAG_NONE, &uploadDesc,
                                           D3D12_RESOURCE_STATE_GENERIC_READ, nullptr,
                                           IID_PPV_ARGS(&upload));
    if (FAILED(hr)) {
      Report("Texture: cannot create a %llu-byte upload buffer (HRESULT 0x%08lx)",
             static_cast<unsigned long long>(uploadBytes), static_cast<unsigned long>(hr));
    } else {
      std::vector<D3D12_SUBRESOURCE_DATA> data(levelCount);
      size_t offset = 0;
      for (uint32_t i = 0; i < levelCount; ++i) {
        const size_t rowPitch = size_t(w >> i) * c;
        const size_t slicePitch = size_t(h >> i) * rowPitch;
        data[i].pData = levels + offset;
        data[i].RowPitch = LONG_PTR(rowPitch);
        data[i].SlicePitch = LONG_PTR(slicePitch);
        offset += slicePitch;
      }
      if (UpdateSubresources(r.uploadCommandList.Get(), slot.texture.Get(), upload.Get(), 0, 0,
                             levelCount, data.data()) == 0) {
        Report("Texture: the upload of a %ux%u texture could not be recorded", w, h);
      }
      r.stagedUploads.push_back(std::move(upload));
    }
  }
  // Sampling needs the shader-resource state; the transition rides on the upload list, which
  // runs before the frame's draws.
  D3D12_RESOURCE_BARRIER b =
      TransitionBarrier(slot.texture.Get(), D3D12_RESOURCE_STATE_COPY_DEST, after);
  r.uploadCommandList->ResourceBarrier(1, &b);
  r.uploadsPending = true;
  return true;
}

}  // namespace

bool Texture::Create(Texture* texture, const uint8_t* pixels, uint32_t mipMode,
                     bool* failureReported) {
  const bool made =
      MakeTexture(texture, pixels, mipMode, !failureReported || !*failureReported);
  if (failureReported) *failureReported = !made;
  return made;
}

bool Texture::Bind(const Texture* texture) {
  Renderer& r = gRenderer;
  if (!r.ready || !r.listOpen || !texture || texture->slot >= kTextureSlotCount) return false;
  if (!r.textureSlots[texture->slot].texture) {
    if (!r.emptySlotBindReported) {
      Report("Texture: slot %u holds no texture; the draws that sample it are skipped",
             texture->slot);
    }
    r.emptySlotBindReported = true;
    return false;
  }
  const uint32_t sampler = texture->sampler < kSamplerCount ? texture->sampler : 0;
  // Heaps first: tables set before a heap change would point into heaps no longer bound.
  if (sampler != r.lastBoundSampler) {
    ID3D12DescriptorHeap* heaps[2] = {r.cbvSrvHeap.Get(), r.samplerHeaps[sampler].Get()};
    r.commandList->SetDescriptorHeaps(2, heaps);
    r.commandList->SetGraphicsRootDescriptorTable(2, GpuHeapStart(r.samplerHeaps[sampler].Get()));
    r.lastBoundSampler = sampler;
  }
  D3D12_GPU_DESCRIPTOR_HANDLE h = GpuHeapStart(r.cbvSrvHeap.Get());
  h.ptr += uint64_t(texture->slot) * r.cbvSrvDescriptorSize;
  r.commandList->SetGraphicsRootDescriptorTable(1, h);
  return true;
}

void Texture::UsePointFilter(Texture* texture) {
  texture->sampler = PointFilterSampler(gRenderer.samplers, texture->sampler);
}

void Texture::UseMirrorAddressing(Texture* texture) {
  texture->sampler = MirrorAddressingSampler(gRenderer.samplers, texture->sampler);
}

bool Texture::AllocSlot(Texture* texture) { return TakeSlot(texture, true); }

void Texture::ReleaseSlot(Texture* texture) {
  if (texture->slot < kTextureSlotCount) gRenderer.FreeTextureSlot(texture->slot);
  texture->slot = kNoTextureSlot;
}

void Renderer::FreeTextureSlot(uint32_t slot) {
  if (slot >= kTextureSlotCount) return;
  // The resource stays until the slot is reused (a draw of this frame may still sample it).
  textureSlots[slot].owner = nullptr;
  GiveBackTextureSlot(&freeSlotRanges, slot);
}
