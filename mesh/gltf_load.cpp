#include "mesh/gltf_load.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/byte_cursor.h"
#include "app/files.h"
#include "app/report.h"
#include "mesh/smooth_normals.h"
#include "mesh/vertex_write.h"

namespace {

// Where an accessor's elements lie, once checked. Without a bufferView the elements are zeros.
struct AccessorData {
  const uint8_t* first = nullptr;  // element 0; null when the accessor has no bufferView
  uint64_t stride = 0;
  uint32_t count = 0;
  uint32_t componentType = 0;
  uint32_t readBytes = 0;

  const uint8_t* Element(uint32_t i) const { return first ? first + stride * i : nullptr; }
};

// What an attribute may be, as glTF defines it: its accessor types and component types, and
// the bytes read from each element for an accepted component type (0: not accepted).
struct AttributeRule {
  const char* name;
  uint8_t types[2];  // accepted GltfAccessorType values; kGltfTypeUnknown fills the rest
  const char* typeNames;
  uint32_t (*bytesFor)(uint32_t componentType);
  const char* componentNames;
};

uint32_t FloatBytes(uint32_t type, uint32_t components) {
  return type == 5126 ? 4 * components : 0;
}
uint32_t UnsignedBytes(uint32_t type, uint32_t components, bool floats, bool u32) {
  switch (type) {
    case 5126: return floats ? 4 * components : 0;
    case 5121: return components;
    case 5123: return 2 * components;
    case 5125: return u32 ? 4 * components : 0;
    default: return 0;
  }
}
uint32_t Vec3FloatBytes(uint32_t type) { return FloatBytes(type, 3); }
uint32_t UvBytes(uint32_t type) { return UnsignedBytes(type, 2, true, false); }
uint32_t ColorBytes(uint32_t type) { return UnsignedBytes(type, 3, true, false); }
uint32_t JointBytes(uint32_t type) { return UnsignedBytes(type, 4, false, false); }
uint32_t WeightBytes(uint32_t type) { return UnsignedBytes(type, 4, true, false); }
uint32_t IndexBytes(uint32_t type) { return UnsignedBytes(type, 1, false, true); }

const AttributeRule kPositionRule = {"POSITION", {kGltfVec3}, "VEC3", Vec3FloatBytes, "5126"};
const AttributeRule kNormalRule = {"NORMAL", {kGltfVec3}, "VEC3", Vec3FloatBytes, "5126"};
const AttributeRule kUvRule = {"TEXCOORD_0", {kGltfVec2}, "VEC2", UvBytes, "5121, 5123 or 5126"};
const AttributeRule kColorRule = {"COLOR_0", {kGltfVec3, kGltfVec4}, "VEC3 or VEC4", ColorBytes,
                                  "5121, 5123 or 5126"};
const AttributeRule kJointsRule = {"JOINTS_0", {kGltfVec4}, "VEC4", JointBytes, "5121 or 5123"};
const AttributeRule kWeightsRule = {"WEIGHTS_0", {kGltfVec4}, "VEC4", WeightBytes,
                                    "5121, 5123 or 5126"};
const AttributeRule kIndexRule = {"indices", {kGltfScalar}, "SCALAR", IndexBytes,
                                  "5121, 5123 or 5125"};

// Checks that the accessor is of a type and component type the attribute may take, that the
// bytes read from each of its elements lie within its bufferView and the bufferView within
// the data, and that a count no data backs stays small. `out->first` stays null when nothing
// is to be read (no bufferView, or no elements).
bool OpenAccessor(const GltfModel& model, int32_t index, const AttributeRule& rule,
                  const uint8_t* data, size_t dataSize, AccessorData* out) {
  const char* what = rule.name;
  if (index < 0 || uint32_t(index) >= model.accessors.size()) {
    Report("gltf: %s names accessor %d of %llu", what, int(index),
           (unsigned long long)model.accessors.size());
    return false;
  }
  const GltfAccessor& a = model.accessors[size_t(index)];
  if (a.type == kGltfTypeUnknown || (a.type != rule.types[0] && a.type != rule.types[1])) {
    Report("gltf: the %s accessor is not of type %s", what, rule.typeNames);
    return false;
  }
  const uint32_t readBytes = rule.bytesFor(a.componentType);
  if (readBytes == 0) {
    Report("gltf: %s component type %u is not %s", what, a.componentType, rule.componentNames);
    return false;
  }
  // Elements without bytes of their own (no bufferView: zeros; a zero stride: one element over
  // and over) are bounded by nothing in the file, so a tiny file could ask for gigabytes.
  if ((!a.hasView || a.view.byteStride == 0) && a.count > kMaxGltfElementsWithoutData) {
    Report("gltf: the %s accessor's %u elements have no data of their own (at most %u may)",
           what, a.count, kMaxGltfElementsWithoutData);
    return false;
  }
  out->count = a.count;
  out->componentType = a.componentType;
  out->stride = a.view.byteStride;
  out->readBytes = readBytes;
  out->first = nullptr;
  if (!a.hasView) return true;
  if (a.view.buffer != 0) {
    Report("gltf: the %s accessor reads buffer %u; only buffer 0 is loaded", what,
           a.view.buffer);
    return false;
  }
  if (!RangeFits(a.view.byteOffset, a.view.byteLength, dataSize)) {
    Report("gltf: the bufferView of the %s accessor lies outside the %llu bytes of buffer data",
           what, (unsigned long long)dataSize);
    return false;
  }
  if (a.count == 0) return true;
  uint64_t span = 0;
  if (!MulFits(a.count - 1, a.view.byteStride, &span) ||
      !RangeFits(uint64_t(a.byteOffset) + span, readBytes, a.view.byteLength)) {
    Report("gltf: the %s accessor's %u elements run past its bufferView", what, a.count);
    return false;
  }
  out->first = data + a.view.byteOffset + a.byteOffset;
  return true;
}

// Component c of an element as a float: floats as stored, unsigned integers divided by their
// maximum (normalised), zeros without data.
float NormalisedComponent(const AccessorData& a, const uint8_t* element, uint32_t c) {
  if (!element) return 0.0f;
  switch (a.componentType) {
    case 5126: { float f; std::memcpy(&f, element + 4 * c, 4); return f; }
    case 5121: return float(element[c]) / 255.0f;
    case 5123: { uint16_t v; std::memcpy(&v, element + 2 * c, 2); return float(v) / 65535.0f; }
    default: return 0.0f;
  }
}

uint32_t IntegerComponent(const AccessorData& a, const uint8_t* element, uint32_t c) {
  if (!element) return 0;
  switch (a.componentType) {
    case 5121: return element[c];
    case 5123: { uint16_t v; std::memcpy(&v, element + 2 * c, 2); return v; }
    case 5125: { uint32_t v; std::memcpy(&v, element + 4 * c, 4); return v; }
    default: return 0xFFFFFFFFu;
  }
}

// RotateVec3ByQuat with the normalised conjugate worked out once per model instead of once per
// vertex; the per-vertex arithmetic is the same, so the results are identical.
struct QuatRotation {
  Quat q;
  float cx, cy, cz, cw;
};

QuatRotation MakeQuatRotation(const Quat& q) {
  const float n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  return {q, -q.x / n, -q.y / n, -q.z / n, q.w / n};
}

void Rotate(const QuatRotation& r, Vec3* v) {
  const Quat& q = r.q;
  const float px = q.w * v->x + (q.y * v->z - q.z * v->y);
  const float py = q.w * v->y + (q.z * v->x - q.x * v->z);
  const float pz = q.w * v->z + (q.x * v->y - q.y * v->x);
  const float pw = -(q.x * v->x + q.y * v->y + q.z * v->z);
  v->x = pw * r.cx + px * r.cw + py * r.cz - pz * r.cy;
  v->y = pw * r.cy - px * r.cz + py * r.cw + pz * r.cx;
  v->z = pw * r.cz + px * r.cy - py * r.cx + pz * r.cw;
}

// Index loops with the component type decided once, not per element: models have many.
// True when any index is `limit` or more. An or-reduction rather than a maximum, so the packed
// loop vectorises on plain SSE2.
template <typename T>
bool AnyIndexAtLeast(const AccessorData& a, uint32_t limit) {
  bool any = false;
  if (a.stride == sizeof(T)) {  // tightly packed, the usual case
    for (uint32_t i = 0; i < a.count; ++i) {
      T value;
      std::memcpy(&value, a.first + sizeof(T) * i, sizeof value);
      any |= uint32_t(value) >= limit;
    }
    return any;
  }
  for (uint32_t i = 0; i < a.count; ++i) {
    T value;
    std::memcpy(&value, a.first + a.stride * i, sizeof value);
    any |= uint32_t(value) >= limit;
  }
  return any;
}

template <typename T>
void CopyIndices(const AccessorData& a, uint32_t* out) {
  if (a.stride == sizeof(T) && sizeof(T) == 4) {
    std::memcpy(out, a.first, size_t(a.count) * 4);
    return;
  }
  for (uint32_t i = 0; i < a.count; ++i) {
    T value;
    std::memcpy(&value, a.first + a.stride * i, sizeof value);
    out[i] = value;
  }
}

// Indices of an accessor without data are all 0.
bool AnyIndexAtLeast(const AccessorData& a, uint32_t limit) {
  if (!a.first) return limit == 0 && a.count > 0;
  switch (a.componentType) {
    case 5121: return AnyIndexAtLeast<uint8_t>(a, limit);
    case 5123: return AnyIndexAtLeast<uint16_t>(a, limit);
    default: return AnyIndexAtLeast<uint32_t>(a, limit);
  }
}

void ReadIndices(const AccessorData& a, uint32_t* out) {
  if (!a.first) {
    std::fill(out, out + a.count, 0u);
    return;
  }
  switch (a.componentType) {
    case 5121: return CopyIndices<uint8_t>(a, out);
    case 5123: return CopyIndices<uint16_t>(a, out);
    default: return CopyIndices<uint32_t>(a, out);
  }
}

}  // namespace

const GltfMesh* FindFirstMeshNode(const GltfModel& model, Transform* world,
                                  const GltfNode** nodeOut) {
  const size_t nodeCount = model.nodes.size();
  size_t found = nodeCount;
  for (size_t i = 0; i < nodeCount; ++i)
    if (model.nodes[i].mesh != -1) {
      found = i;
      break;
    }
  if (found == nodeCount) return nullptr;
  const GltfNode& node = model.nodes[found];
  if (node.mesh < 0 || size_t(node.mesh) >= model.meshes.size()) {
    Report("gltf: node %llu names mesh %d of %llu", (unsigned long long)found, int(node.mesh),
           (unsigned long long)model.meshes.size());
    return nullptr;
  }
  // A node's parent is the first node, in array order, whose children name it.
  std::vector<int64_t> parent(nodeCount, -1);
  for (size_t p = 0; p < nodeCount; ++p)
    for (uint32_t child : model.nodes[p].children)
      if (child < nodeCount && parent[child] == -1) parent[child] = int64_t(p);

  auto localTransform = [](const GltfNode& n) {
    Transform t;
    t.translation = {n.translation[0], n.translation[1], n.translation[2]};
    t.scale = {n.scale[0], n.scale[1], n.scale[2]};
    t.rotation = {n.rotation[0], n.rotation[1], n.rotation[2], n.rotation[3]};
    return t;
  };
  *world = localTransform(node);
  if (parent[found] != -1) {
    std::vector<size_t> ancestors;  // parent first, root last
    for (int64_t a = parent[found]; a != -1; a = parent[size_t(a)]) {
      if (ancestors.size() >= nodeCount) {
        Report("gltf: the ancestry of node %llu loops", (unsigned long long)found);
        return nullptr;
      }
      ancestors.push_back(size_t(a));
    }
    Mat4 m = IdentityMat4();
    for (size_t k = ancestors.size(); k-- > 0;)
      ComposeTrsMat4(localTransform(model.nodes[ancestors[k]]), &m);
    ComposeTrsMat4(localTransform(node), &m);
    DecomposeTrsMat4(world, m);
  }
  if (nodeOut) *nodeOut = &node;
  return &model.meshes[size_t(node.mesh)];
}

bool BuildMeshFromPrimitive(const GltfModel& model, const GltfMesh& mesh, const uint8_t* data,
                            size_t dataSize, const Transform& world, MeshStore* store) {
  if (mesh.primitives.empty()) {
    Report("gltf: the mesh has no primitives");
    return false;
  }
  const VertexFormat format = store->format;
  if (!IsValidVertexFormat(format)) {
    Report("gltf: the store's vertex format %d is unknown", int(format));
    return false;
  }
  const GltfPrimitive& prim = mesh.primitives[0];
  const size_t stride = size_t(kVertexFormats.stride[format]);
  const int32_t uvAt = kVertexFormats.uvOffset[format];
  const int32_t normalAt = kVertexFormats.normalOffset[format];
  const int32_t colorAt = kVertexFormats.colorOffset[format];
  const int32_t jointsAt = kVertexFormats.jointsOffset[format];
  const int32_t weightsAt = kVertexFormats.weightsOffset[format];

  // Open (and bounds-check) every accessor that will be read before writing anything.
  AccessorData positions, normals, uvs, colors, joints, weights, indexData;
  const bool hasPositions = prim.POSITION != -1;
  const bool readNormals = prim.NORMAL != -1 && normalAt >= 0;
  const bool readUvs = prim.TEXCOORD_0 != -1 && uvAt >= 0;
  const bool readColors = prim.COLOR_0 != -1 && colorAt >= 0;
  const bool readJoints = prim.JOINTS_0 != -1 && jointsAt >= 0;
  const bool readWeights = prim.WEIGHTS_0 != -1 && weightsAt >= 0;
  if ((hasPositions &&
       !OpenAccessor(model, prim.POSITION, kPositionRule, data, dataSize, &positions)) ||
      (readNormals && !OpenAccessor(model, prim.NORMAL, kNormalRule, data, dataSize, &normals)) ||
      (readUvs && !OpenAccessor(model, prim.TEXCOORD_0, kUvRule, data, dataSize, &uvs)) ||
      (readColors && !OpenAccessor(model, prim.COLOR_0, kColorRule, data, dataSize, &colors)) ||
      (readJoints && !OpenAccessor(model, prim.JOINTS_0, kJointsRule, data, dataSize, &joints)) ||
      (readWeights &&
       !OpenAccessor(model, prim.WEIGHTS_0, kWeightsRule, data, dataSize, &weights)))
    return false;

  const size_t vertexCount = hasPositions ? positions.count : store->vertices.size() / stride;
  for (const AccessorData* a : {&normals, &uvs, &colors, &joints, &weights})
    if (a->count > vertexCount) {
      Report("gltf: an attribute has %u elements for %llu vertices", a->count,
             (unsigned long long)vertexCount);
      return false;
    }

  // Indices are checked against the vertex count straight from the buffer, before the store
  // changes at all; nothing after this point can fail. A primitive without indices draws its
  // vertices in order.
  // An accessor without a buffer view reads as zeros, so its count is bounded by no data at
  // all: refuse sizes no real model has before walking or allocating for them.
  constexpr uint64_t kMaxVertices = 1u << 24;
  if (vertexCount > kMaxVertices) {
    Report("gltf: %llu vertices are more than a model may have", (unsigned long long)vertexCount);
    return false;
  }
  const bool hasIndices = prim.indices != -1;
  if (hasIndices) {
    if (!OpenAccessor(model, prim.indices, kIndexRule, data, dataSize, &indexData))
      return false;
    if (uint64_t(indexData.count) > 3 * kMaxVertices) {
      Report("gltf: %u indices are more than a model may have", indexData.count);
      return false;
    }
    if (vertexCount > UINT32_MAX || AnyIndexAtLeast(indexData, uint32_t(vertexCount))) {
      Report("gltf: an index points past the %llu vertices", (unsigned long long)vertexCount);
      return false;
    }
  } else if (vertexCount > UINT32_MAX) {
    Report("gltf: too many vertices");
    return false;
  }

  MeshStore& out = *store;
  if (hasIndices) {
    out.indices.resize(indexData.count);
    ReadIndices(indexData, out.indices.data());
  } else {
    out.indices.resize(vertexCount);
    for (size_t i = 0; i < vertexCount; ++i) out.indices[i] = uint32_t(i);
  }

  if (hasPositions) {
    out.vertices.resize(stride * vertexCount);
    const QuatRotation rotation = MakeQuatRotation(world.rotation);
    for (uint32_t i = 0; i < positions.count; ++i) {
      Vec3 p = {0, 0, 0};
      if (const uint8_t* e = positions.Element(i)) std::memcpy(&p, e, 12);
      p = {p.x * world.scale.x, p.y * world.scale.y, p.z * world.scale.z};
      Rotate(rotation, &p);
      WriteVertexPosition(&out.vertices[stride * i], format, p.x + world.translation.x,
                          p.y + world.translation.y, p.z + world.translation.z);
    }
  }
  float* v = out.vertices.data();
  if (readNormals) {
    // Normals keep their model-space direction: the node transform is not applied to them.
    for (uint32_t i = 0; i < normals.count; ++i) {
      float n[3] = {0, 0, 0};
      if (const uint8_t* e = normals.Element(i)) std::memcpy(n, e, 12);
      std::memcpy(v + stride * i + size_t(normalAt), n, 12);
    }
  } else if (normalAt >= 0) {
    ComputeSmoothNormals(&out);
  }
  if (uvAt >= 0) {
    if (readUvs) {
      // glTF's v runs downward; the store's upward.
      for (uint32_t i = 0; i < uvs.count; ++i) {
        const uint8_t* e = uvs.Element(i);
        v[stride * i + size_t(uvAt)] = NormalisedComponent(uvs, e, 0);
        v[stride * i + size_t(uvAt) + 1] = 1.0f - NormalisedComponent(uvs, e, 1);
      }
    } else if (prim.TEXCOORD_0 == -1) {
      for (size_t i = 0; i < vertexCount; ++i) {
        v[stride * i + size_t(uvAt)] = 0.0f;
        v[stride * i + size_t(uvAt) + 1] = 0.0f;
      }
    }
  }
  if (colorAt >= 0) {
    if (readColors) {
      for (uint32_t i = 0; i < colors.count; ++i) {
        const uint8_t* e = colors.Element(i);
        WriteVertexColor(v + stride * i, format, NormalisedComponent(colors, e, 0),
                         NormalisedComponent(colors, e, 1), NormalisedComponent(colors, e, 2));
      }
    } else if (prim.COLOR_0 == -1) {
      for (size_t i = 0; i < vertexCount; ++i) WriteVertexColor(v + stride * i, format, 1, 1, 1);
    }
  }
  if (jointsAt >= 0) {
    // Absent joints are all-ones: no joint.
    const uint32_t count = readJoints ? joints.count : uint32_t(vertexCount);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = readJoints ? joints.Element(i) : nullptr;
      for (uint32_t c = 0; c < 4; ++c)
        WriteSlotU32(v + stride * i + size_t(jointsAt) + c,
                     readJoints ? IntegerComponent(joints, e, c) : 0xFFFFFFFFu);
    }
  }
  if (weightsAt >= 0) {
    const uint32_t count = readWeights ? weights.count : uint32_t(vertexCount);
    for (uint32_t i = 0; i < count; ++i) {
      float w[4] = {0, 0, 0, 0};
      if (readWeights) {
        const uint8_t* e = weights.Element(i);
        for (uint32_t c = 0; c < 4; ++c) w[c] = NormalisedComponent(weights, e, c);
        // Weights that sum to zero stay zero rather than becoming NaN.
        const float sum = ((w[0] + w[1]) + w[2]) + w[3];
        if (sum != 0.0f) {
          const float r = 1.0f / sum;
          for (float& x : w) x *= r;
        }
      }
      std::memcpy(v + stride * i + size_t(weightsAt), w, 16);
    }
  }
  return true;
}

bool LoadGltfModelIntoStore(const GltfModel& model, const uint8_t* data, size_t dataSize,
                            MeshStore* store) {
  Transform world;
  const GltfMesh* mesh = FindFirstMeshNode(model, &world, nullptr);
  if (!mesh) {
    Report("gltf: no node with a usable mesh");
    return false;
  }
  return BuildMeshFromPrimitive(model, *mesh, data, dataSize, world, store);
}

bool ReadGlbMesh(const uint8_t* bytes, size_t size, MeshStore* store) {
  ByteCursor cursor(bytes, size);
  cursor.Seek(12);
  const uint32_t jsonLength = cursor.U32();
  if (cursor.failed || !RangeFits(20, jsonLength, size)) {
    Report("glb: the JSON chunk does not fit the file's %llu bytes", (unsigned long long)size);
    return false;
  }
  const uint64_t binAt = 20 + uint64_t(jsonLength);
  const uint8_t* bin = nullptr;
  size_t binLength = 0;
  if (binAt < size) {
    cursor.Seek(size_t(binAt));
    const uint32_t declared = cursor.U32();
    if (cursor.failed || !RangeFits(binAt + 8, declared, size)) {
      Report("glb: the binary chunk does not fit the file's %llu bytes",
             (unsigned long long)size);
      return false;
    }
    bin = bytes + binAt + 8;
    binLength = declared;
  }
  GltfModel model;
  if (!ParseGltf(reinterpret_cast<const char*>(bytes) + 20, jsonLength, nullptr, &model))
    return false;
  return LoadGltfModelIntoStore(model, bin, binLength, store);
}

bool LoadGlbMeshFile(const char* path, MeshStore* store) {
  FileBytes file;
  if (!ReadWholeFile(path, &file)) {
    Report("glb: cannot read %s", path);
    return false;
  }
  return ReadGlbMesh(file.Bytes(), file.Size(), store);
}

bool LoadGltfMeshFile(const char* path, MeshStore* store) {
  FileBytes file;
  if (!ReadWholeFile(path, &file)) {
    Report("gltf: cannot read %s", path);
    return false;
  }
  GltfModel model;
  GltfBufferInfo buffer;
  if (!ParseGltf(file.Text(), file.Size(), &buffer, &model)) return false;
  FileBytes side;
  if (buffer.hasUri) {
    // The uri is a plain file name relative to the model's folder.
    const std::string modelPath = path;
    const size_t slash = modelPath.rfind('/');
    const std::string sidePath =
        slash == std::string::npos ? buffer.uri : modelPath.substr(0, slash + 1) + buffer.uri;
    if (!ReadWholeFile(sidePath.c_str(), &side)) {
      Report("gltf: cannot read the buffer file %s", sidePath.c_str());
      return false;
    }
  }
  return LoadGltfModelIntoStore(model, side.Bytes(), side.Size(), store);
}
