#include "render/sampler_table.h"

#include <cstring>

void FillStartSamplerTable(SamplerDesc table[kSamplerCount]) {
  std::memset(table, 0, sizeof(SamplerDesc) * kSamplerCount);
  const uint32_t modes[4] = {kAddressMirror, kAddressWrap, kAddressClamp, kAddressBorder};
  for (uint32_t i = 0; i < 8; ++i) {
    SamplerDesc& s = table[i];
    s.filter = i < 4 ? kFilterLinear : kFilterPoint;
    s.addressU = s.addressV = s.addressW = modes[i % 4];
    s.mipLodBias = 0.0f;
    s.maxAnisotropy = 1;
    s.comparisonFunc = 1;  // D3D12_COMPARISON_FUNC_NEVER
    s.minLod = 0.0f;
    s.maxLod = 3.402823466e+38f;
  }
}

namespace {

bool SameSampler(const SamplerDesc& a, const SamplerDesc& b) {
  if (a.filter != b.filter || a.addressU != b.addressU || a.addressV != b.addressV ||
      a.addressW != b.addressW || a.mipLodBias != b.mipLodBias ||
      a.maxAnisotropy != b.maxAnisotropy || a.comparisonFunc != b.comparisonFunc ||
      a.minLod != b.minLod || a.maxLod != b.maxLod) {
    return false;
  }
  for (int i = 0; i < 4; ++i) {
    if (a.borderColor[i] != b.borderColor[i]) return false;
  }
  return true;
}

}  // namespace

uint32_t FindSampler(const SamplerDesc table[kSamplerCount], const SamplerDesc& wanted) {
  for (uint32_t i = 0; i < kSamplerCount; ++i) {
    if (SameSampler(table[i], wanted)) return i;
  }
  return 0;
}

uint32_t PointFilterSampler(const SamplerDesc table[kSamplerCount], uint32_t current) {
  SamplerDesc wanted = table[current < kSamplerCount ? current : 0];
  wanted.filter = kFilterPoint;
  return FindSampler(table, wanted);
}

uint32_t MirrorAddressingSampler(const SamplerDesc table[kSamplerCount], uint32_t current) {
  SamplerDesc wanted = table[current < kSamplerCount ? current : 0];
  wanted.addressU = wanted.addressV = wanted.addressW = kAddressMirror;
  return FindSampler(table, wanted);
}
