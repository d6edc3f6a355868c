#include "render/mesh_handle.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "render/shader_program.h"

Mat4 MatMul(const Mat4& a, const Mat4& b) {
  Mat4 out;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float s = 0.0f;
      for (int k = 0; k < 4; ++k) s += a.m[4 * i + k] * b.m[4 * k + j];
      out.m[4 * i + j] = s;
    }
  }
  return out;
}

Mat4 SceneObjectModelMatrix(const SceneObject& object) {
  Mat4 translateOrigin = IdentityMat4();
  translateOrigin.m[12] = -object.origin.x;
  translateOrigin.m[13] = -object.origin.y;
  translateOrigin.m[14] = -object.origin.z;
  Mat4 scale = IdentityMat4();
  scale.m[0] = object.scale.x;
  scale.m[5] = object.scale.y;
  scale.m[10] = object.scale.z;
  Mat4 rotate = IdentityMat4();
  QuatToMat3(object.rotation, rotate.m);
  Mat4 translate = IdentityMat4();
  translate.m[12] = object.position.x;
  translate.m[13] = object.position.y;
  translate.m[14] = object.position.z;
  // Formed right to left, as the single-precision results depend on the order.
  Mat4 rt = MatMul(rotate, translate);
  Mat4 srt = MatMul(scale, rt);
  return MatMul(translateOrigin, srt);
}

void WriteMatrixConstants(ShaderProgram* program, const Mat4& model, const Mat4& modelView) {
  WriteShaderConstant(program, "modelMat", model.m, 16);

  Mat3 upper;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) upper.m[3 * r + c] = model.m[4 * r + c];
  }
  InvertMat3(upper, &upper);  // a singular 3x3 stays as it is
  // One row per 16-byte register, as HLSL lays out a float3x3; the fourth float is left alone.
  const ShaderConstant* inverse = FindShaderConstant(program, "inverseModelMat");
  if (inverse && inverse->offset != 0xFFFFFFFFu && inverse->count >= 11) {
    uint64_t begin = 4ull * inverse->offset;
    if (begin + 4ull * 11 <= kConstantStagingBytes) {
      uint8_t* staging = program->block->constantStaging + begin;
      for (int r = 0; r < 3; ++r) std::memcpy(staging + 16 * r, &upper.m[3 * r], 12);
    }
  }

  WriteShaderConstant(program, "mvMat", modelView.m, 16);
}

MeshHandle* MeshHandle::NewArray(uint64_t count) {
  // The count sits in front of the handles, as the owner only keeps the pointer to the first.
  if (count > (UINT64_MAX - sizeof(uint64_t)) / sizeof(MeshHandle)) return nullptr;
  void* block = std::malloc(sizeof(uint64_t) + count * sizeof(MeshHandle));
  if (!block) return nullptr;
  std::memcpy(block, &count, sizeof(count));
  MeshHandle* first = reinterpret_cast<MeshHandle*>(static_cast<uint8_t*>(block) + sizeof(uint64_t));
  for (uint64_t i = 0; i < count; ++i) new (&first[i]) MeshHandle();
  return first;
}

uint64_t MeshHandle::ArrayCount(const MeshHandle* first) {
  if (!first) return 0;
  uint64_t count;
  std::memcpy(&count, reinterpret_cast<const uint8_t*>(first) - sizeof(uint64_t), sizeof(count));
  return count;
}

void MeshHandle::FreeArrayBlock(MeshHandle* first) {
  if (!first) return;
  std::free(reinterpret_cast<uint8_t*>(first) - sizeof(uint64_t));
}
