#pragma once
// The glTF 2.0 document as plain records, one vector per top-level array in file order. The
// model is passive: ParseGltf copies what the text says (indices unchanged, unresolved); the
// loaders in gltf_load.h check every index and range before they use one.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct GltfChannel {
  uint32_t sampler = 0;
  int32_t node = -1;
  int32_t path = 0;  // translation 0, rotation 1, scale 2, weights 3
};

struct GltfAnimationSampler {
  uint32_t input = 0;
  int32_t interpolation = 0;  // LINEAR 0, STEP 1, CUBICSPLINE 2
  uint32_t output = 0;
};

struct GltfAnimation {
  std::string name;  // empty when absent
  std::vector<GltfChannel> channels;
  std::vector<GltfAnimationSampler> samplers;  // samplers with a negative input/output are dropped
};

struct GltfBufferView {
  uint32_t buffer = 0;
  uint32_t byteLength = 0;
  uint32_t byteOffset = 0;
  uint32_t byteStride = 0;
  int32_t target = -1;
};

struct GltfNode {
  std::vector<uint32_t> children;
  float translation[3] = {0, 0, 0};
  float rotation[4] = {0, 0, 0, 1};  // x, y, z, w
  float scale[3] = {1, 1, 1};
  int32_t mesh = -1;
  int32_t skin = -1;
  std::string name;
  std::vector<float> weights;
};

struct GltfMorphTarget {
  uint32_t POSITION = 0;
  uint32_t NORMAL = 0;
  uint32_t TANGENT = 0;
};

// Accessor indices, material and mode as in the file; -1 when the key is absent.
struct GltfPrimitive {
  int32_t POSITION = -1;
  int32_t NORMAL = -1;
  int32_t TANGENT = -1;
  int32_t TEXCOORD_0 = -1;
  int32_t TEXCOORD_1 = -1;
  int32_t COLOR_0 = -1;
  int32_t JOINTS_0 = -1;
  int32_t WEIGHTS_0 = -1;
  int32_t indices = -1;
  int32_t material = -1;
  int32_t mode = -1;
  std::vector<GltfMorphTarget> targets;
};

struct GltfMesh {
  std::vector<GltfPrimitive> primitives;
  std::vector<float> weights;
};

// Minimum and maximum of one component in the component's own width, packed from byte 0.
struct GltfMinMax {
  uint8_t bytes[8] = {};
};

// An accessor's "type"; kGltfTypeUnknown for a string that is none of glTF's seven.
enum GltfAccessorType : uint8_t {
  kGltfTypeUnknown = 0,
  kGltfScalar,
  kGltfVec2,
  kGltfVec3,
  kGltfVec4,
  kGltfMat2,
  kGltfMat3,
  kGltfMat4,
};

struct GltfAccessor {
  GltfBufferView view;  // copy of bufferViews["bufferView"]; stride 0 replaced by elementSize
  uint32_t byteOffset = 0;
  uint32_t componentType = 0;  // 5120 to 5126
  uint32_t elementSize = 0;    // component size x component count
  uint32_t count = 0;
  uint8_t type = kGltfTypeUnknown;  // a GltfAccessorType
  uint8_t sparseOrNoView = 0;  // 1 when "bufferView" is absent or "sparse" is present
  uint8_t hasView = 0;         // 1 when "bufferView" is present: elements come from the buffer
  std::vector<GltfMinMax> minMax;  // one per component
};

struct GltfTextureRef {
  int32_t index = -1;
  int32_t texCoord = 0;
};

struct GltfMaterial {
  float baseColorFactor[4];
  GltfTextureRef baseColorTexture;
  float metallicFactor;
  float roughnessFactor;
  GltfTextureRef metallicRoughnessTexture;
  GltfTextureRef normalTexture;
  float normalScale;
  GltfTextureRef occlusionTexture;
  float occlusionStrength;
  GltfTextureRef emissiveTexture;
  float emissiveFactor[3];
  int32_t alphaMode;  // OPAQUE 0, MASK 1, BLEND 2
  float alphaCutoff;
  uint8_t doubleSided;
};

struct GltfSkin {
  int32_t inverseBindMatrices = -1;
  std::vector<uint32_t> joints;
  int32_t skeleton = 0;
};

struct GltfImage {
  std::string uri;
  std::string mimeType;
  GltfBufferView view;
};

struct GltfTexture {
  uint32_t sampler = 0;
  uint32_t source = 0;
};

// The file's numbers, unmapped.
struct GltfSampler {
  uint32_t minFilter = 9987;
  uint32_t magFilter = 9729;
  uint32_t wrapS = 10497;
  uint32_t wrapT = 10497;
};

// perspective (0): aspectRatio, yfov, zfar, znear; orthographic (1): xmag, ymag, zfar, znear.
struct GltfCamera {
  int32_t type = -1;
  float values[4] = {0, 0, 0, 0};
};

struct GltfModel {
  std::vector<GltfAnimation> animations;
  std::vector<GltfBufferView> bufferViews;
  std::vector<GltfNode> nodes;
  std::vector<GltfMesh> meshes;
  std::vector<GltfAccessor> accessors;
  std::vector<GltfMaterial> materials;
  std::vector<GltfSkin> skins;
  std::vector<GltfImage> images;
  std::vector<GltfTexture> textures;
  std::vector<GltfSampler> samplers;
  std::vector<GltfCamera> cameras;
};

// What ParseGltf tells about buffers[0]; set only when "buffers" is present.
struct GltfBufferInfo {
  bool present = false;
  bool hasUri = false;
  std::string uri;
  uint32_t byteLength = 0;
};

// Parses the JSON text of a .gltf file or a .glb JSON chunk (`length` bytes, not necessarily
// 0-terminated; whatever follows the root value is not examined) into `model`, which should be
// empty. False, with neither `model` nor `buffer` touched, when the text is not a JSON object,
// has no "asset", an "asset"."version" of 3.0 or more, a value of the wrong JSON type, or an
// accessor or image naming a bufferView that does not exist. Only buffers[0] is described: a
// model may have more buffers, and the loaders refuse it when what they read lies in another.
// `buffer` may be null.
bool ParseGltf(const char* text, size_t length, GltfBufferInfo* buffer, GltfModel* model);

void InitGltfMaterial(GltfMaterial* material);
