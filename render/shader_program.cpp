#include "render/shader_program.h"

#include <cstring>

#include "app/report.h"

ShaderProgram* gCurrentProgram = nullptr;

ShaderProgram::ShaderProgram() : block(std::make_shared<ShaderProgramBlock>()) {}

namespace {

// DXGI formats named by value, so this file stays free of platform headers.
enum : uint32_t {
  kDxgiR32G32B32A32Float = 2,
  kDxgiR32G32B32A32Uint = 4,
  kDxgiR32G32B32Float = 6,
  kDxgiR32G32B32Uint = 8,
  kDxgiR32G32Float = 16,
  kDxgiR32G32Uint = 18,
  kDxgiR8G8B8A8Unorm = 28,
  kDxgiR32Float = 41,
  kDxgiR32Uint = 43,
};

struct AttributeSpec {
  const char* name;
  uint16_t count;
  uint32_t type;
};

constexpr AttributeSpec kPos3 = {"POSITION", 3, kAttributeFloat};
constexpr AttributeSpec kPos2 = {"POSITION", 2, kAttributeFloat};
constexpr AttributeSpec kUv = {"TEXCOORD", 2, kAttributeFloat};
constexpr AttributeSpec kColor3 = {"COLOR", 3, kAttributeFloat};
constexpr AttributeSpec kColor4 = {"COLOR", 4, kAttributeFloat};
constexpr AttributeSpec kColorPacked = {"COLOR", 1, kAttributePackedRgba8};
constexpr AttributeSpec kNormal = {"NORMAL", 3, kAttributeFloat};
constexpr AttributeSpec kJoints = {"JOINTS", 4, kAttributeUint};
constexpr AttributeSpec kWeights = {"WEIGHTS", 4, kAttributeFloat};
constexpr AttributeSpec kIndex = {"INDEX", 1, kAttributeUint};

struct FormatAttributes {
  int32_t format;
  uint32_t count;
  AttributeSpec list[7];
};

// Formats 1-3 have no input layout.
const FormatAttributes kFormatAttributes[] = {
    {0, 4, {kPos3, kUv, kColor3, kNormal}},
    {4, 6, {kPos3, kUv, kColor3, kNormal, kJoints, kWeights}},
    {5, 5, {kPos3, kUv, kNormal, kJoints, kWeights}},
    {6, 3, {kPos2, kUv, kColorPacked}},
    {7, 3, {kPos2, kUv, kColor3}},
    {8, 3, {kPos2, kUv, kColor4}},
    {9, 3, {kPos3, kUv, kIndex}},
    {10, 7, {kPos3, kUv, kColor3, kNormal, kJoints, kWeights, kIndex}},
    {11, 3, {kPos2, kUv, kIndex}},
    {12, 7, {kPos2, kUv, kColor3, kNormal, kJoints, kWeights, kIndex}},
};

}  // namespace

std::vector<VertexAttribute> VertexAttributesOfFormat(int32_t vertexFormat) {
  std::vector<VertexAttribute> out;
  for (const FormatAttributes& f : kFormatAttributes) {
    if (f.format != vertexFormat) continue;
    for (uint32_t i = 0; i < f.count; ++i) {
      out.push_back({f.list[i].name, 0, f.list[i].count, f.list[i].type});
    }
  }
  return out;
}

uint32_t InputElementFormat(uint32_t componentType, uint16_t componentCount) {
  if (componentType == kAttributePackedRgba8) return kDxgiR8G8B8A8Unorm;
  const bool isUint = componentType == kAttributeUint;
  switch (componentCount) {
    case 1: return isUint ? kDxgiR32Uint : kDxgiR32Float;
    case 2: return isUint ? kDxgiR32G32Uint : kDxgiR32G32Float;
    case 3: return isUint ? kDxgiR32G32B32Uint : kDxgiR32G32B32Float;
    default: return isUint ? kDxgiR32G32B32A32Uint : kDxgiR32G32B32A32Float;
  }
}

void ShaderProgram::SetupInputLayout(ShaderProgram* program, int32_t vertexFormat,
                                     const ShaderConstant* descriptions, uint32_t count) {
  std::vector<VertexAttribute> attributes = VertexAttributesOfFormat(vertexFormat);
  if (!attributes.empty()) program->attributes = attributes;

  program->constants.clear();
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t offset = descriptions[i].offset;
    if (offset == 0 && i > 0) {
      const ShaderConstant& previous = program->constants[i - 1];
      offset = previous.offset + previous.count;
    }
    // HLSL never lets a constant straddle a 16-byte register.
    uint32_t r = offset % 4;
    if (r != 0 && descriptions[i].count > 4 - r) offset = offset - r + 4;
    uint32_t reserved = descriptions[i].count;
    if (reserved > 4 && reserved % 4 != 0) reserved = (reserved + 3) / 4 * 4;
    program->constants.push_back({descriptions[i].name, offset, uint16_t(reserved)});
  }

  ShaderProgramBlock* block = program->block.get();
  if (!program->constants.empty()) {
    const ShaderConstant& last = program->constants.back();
    uint64_t needed = 4ull * (uint64_t(last.offset) + last.count);
    if (needed > kConstantStagingBytes) {
      Report("Shader constants need %llu bytes, more than the %u a program holds; the excess is "
             "not written",
             static_cast<unsigned long long>(needed), kConstantStagingBytes);
      needed = kConstantStagingBytes;
    }
    while (block->constantBufferSize < needed) block->constantBufferSize += 256;
  }

  block->inputElements.clear();
  for (const VertexAttribute& a : program->attributes) {
    block->inputElements.push_back(
        {a.semanticName, 0, InputElementFormat(a.componentType, a.componentCount)});
  }
}

const ShaderConstant* FindShaderConstant(const ShaderProgram* program, const char* name) {
  if (!program) return nullptr;
  for (const ShaderConstant& c : program->constants) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

bool WriteShaderConstant(ShaderProgram* program, const char* name, const float* values,
                         uint32_t count) {
  const ShaderConstant* c = FindShaderConstant(program, name);
  if (!c || c->offset == 0xFFFFFFFFu || count > c->count) return false;
  uint64_t begin = 4ull * c->offset;
  uint64_t bytes = 4ull * count;
  if (begin > kConstantStagingBytes || bytes > kConstantStagingBytes - begin) return false;
  std::memcpy(program->block->constantStaging + begin, values, bytes);
  return true;
}
