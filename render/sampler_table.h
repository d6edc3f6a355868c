#pragma once
// The renderer's 32 sampler entries, each with a one-descriptor sampler heap of its own, so a
// draw changes its sampler by setting another heap, never by writing a descriptor.
// SamplerDesc has the layout of D3D12_SAMPLER_DESC (checked where both are visible).
#include <cstdint>

struct SamplerDesc {
  uint32_t filter;
  uint32_t addressU, addressV, addressW;
  float mipLodBias;
  uint32_t maxAnisotropy;
  uint32_t comparisonFunc;
  float borderColor[4];
  float minLod;
  float maxLod;
};

constexpr uint32_t kSamplerCount = 32;
constexpr uint32_t kFilterPoint = 0x00;   // D3D12_FILTER_MIN_MAG_MIP_POINT
constexpr uint32_t kFilterLinear = 0x15;  // D3D12_FILTER_MIN_MAG_MIP_LINEAR
constexpr uint32_t kAddressWrap = 1, kAddressMirror = 2, kAddressClamp = 3, kAddressBorder = 4;

// Entries 0-3 linear with mirror, wrap, clamp, border; 4-7 point with the same; 8-31 zero.
void FillStartSamplerTable(SamplerDesc table[kSamplerCount]);
// The first entry equal to `wanted` (floats compared with ==), or 0 when none is.
uint32_t FindSampler(const SamplerDesc table[kSamplerCount], const SamplerDesc& wanted);
// The entry of `current` switched to point filtering / to mirror addressing.
uint32_t PointFilterSampler(const SamplerDesc table[kSamplerCount], uint32_t current);
uint32_t MirrorAddressingSampler(const SamplerDesc table[kSamplerCount], uint32_t current);
