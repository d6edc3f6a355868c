// ParseGltf: glTF 2.0 JSON into a GltfModel. Every value's JSON type is checked (RapidJSON
// asserts on a mismatched read), and the whole parse lands in a local model that replaces the
// caller's only on success, so a rejected text changes nothing.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <rapidjson/document.h>

#include "app/math.h"
#include "app/report.h"
#include "mesh/gltf_model.h"
#include "mesh/json_read.h"

namespace {

using rapidjson::Value;

uint32_t ComponentBytes(uint32_t componentType) {
  switch (componentType) {
    case 5120: case 5121: return 1;
    case 5122: case 5123: return 2;
    case 5125: case 5126: return 4;
    default: return 0;  // 5124 included
  }
}

GltfAccessorType AccessorType(const std::string& type) {
  if (type == "SCALAR") return kGltfScalar;
  if (type == "VEC2") return kGltfVec2;
  if (type == "VEC3") return kGltfVec3;
  if (type == "VEC4") return kGltfVec4;
  if (type == "MAT2") return kGltfMat2;
  if (type == "MAT3") return kGltfMat3;
  if (type == "MAT4") return kGltfMat4;
  return kGltfTypeUnknown;
}

uint32_t ComponentCount(GltfAccessorType type) {
  static const uint32_t kCounts[] = {0, 1, 2, 3, 4, 4, 9, 16};
  return kCounts[type];
}

// An integer bound in any JSON number form, without undefined float-to-int casts.
int64_t NumberAsInt64(const Value& v) {
  if (v.IsInt64()) return v.GetInt64();
  if (v.IsUint64()) return int64_t(v.GetUint64());
  const double d = v.GetDouble();
  return (d > -9.2e18 && d < 9.2e18) ? int64_t(d) : 0;
}

void StoreBound(uint8_t* at, uint32_t componentType, const Value& v) {
  const int64_t i = NumberAsInt64(v);
  switch (componentType) {
    case 5120: case 5121: at[0] = uint8_t(i); break;
    case 5122: case 5123: { const uint16_t b = uint16_t(i); std::memcpy(at, &b, 2); break; }
    case 5125: { const uint32_t b = uint32_t(i); std::memcpy(at, &b, 4); break; }
    case 5126: { const float f = float(v.GetDouble()); std::memcpy(at, &f, 4); break; }
    default: break;  // 5124: nothing is kept
  }
}

void ReadAccessorMinMax(GltfMinMax* out, uint32_t componentType, uint32_t componentIndex,
                        const Value& accessor, JsonCheck* check) {
  *out = GltfMinMax();
  const Value* min = JsonArray(accessor, "min", check);
  const Value* max = JsonArray(accessor, "max", check);
  if (!min || !max || componentType < 5120 || componentType > 5126) return;
  if (componentIndex >= min->Size() || componentIndex >= max->Size() ||
      !(*min)[componentIndex].IsNumber() || !(*max)[componentIndex].IsNumber())
    return check->Fail("min/max");
  const uint32_t half = componentType == 5125 || componentType == 5126 ? 4
                        : componentType <= 5121                       ? 1
                                                                      : 2;
  StoreBound(out->bytes, componentType, (*min)[componentIndex]);
  StoreBound(out->bytes + half, componentType, (*max)[componentIndex]);
}

// Walks a top-level or nested array of objects; a non-array or a non-object element fails.
template <typename Fn>
void ForEachObject(const Value& parent, const char* key, JsonCheck* check, Fn fn) {
  const Value* array = JsonArray(parent, key, check);
  if (!array) return;
  for (const Value& element : array->GetArray()) {
    if (!element.IsObject()) return check->Fail(key);
    fn(element);
  }
}

void ReadU32List(const Value& object, const char* key, std::vector<uint32_t>* out,
                 JsonCheck* check) {
  const Value* array = JsonArray(object, key, check);
  if (!array) return;
  out->reserve(array->Size());
  for (rapidjson::SizeType i = 0; i < array->Size(); ++i) out->push_back(JsonU32At(*array, i, check));
}

void ReadFloatList(const Value& object, const char* key, std::vector<float>* out,
                   JsonCheck* check) {
  const Value* array = JsonArray(object, key, check);
  if (!array) return;
  out->reserve(array->Size());
  for (rapidjson::SizeType i = 0; i < array->Size(); ++i)
    out->push_back(JsonFloatAt(*array, i, check));
}

GltfBufferView ReadBufferView(const Value& v, JsonCheck* check) {
  GltfBufferView view;
  JsonU32(v, "buffer", &view.buffer, check);
  JsonU32(v, "byteLength", &view.byteLength, check);
  JsonU32(v, "byteOffset", &view.byteOffset, check);
  JsonU32(v, "byteStride", &view.byteStride, check);
  JsonI32(v, "target", &view.target, check);
  return view;
}

// Copies bufferViews[index] for an accessor or image; an index outside the list fails.
bool CopyBufferView(const Value& v, const GltfModel& model, GltfBufferView* out,
                    JsonCheck* check) {
  const Value* member = JsonMember(v, "bufferView", check);
  if (!member) return false;
  uint32_t index = 0;
  JsonU32(v, "bufferView", &index, check);
  if (index >= model.bufferViews.size()) {
    check->Fail("bufferView");
    return false;
  }
  *out = model.bufferViews[index];
  return true;
}

GltfNode ReadNode(const Value& v, JsonCheck* check) {
  GltfNode node;
  ReadU32List(v, "children", &node.children, check);
  JsonFloatArray(v, "translation", node.translation, 3, check);
  JsonFloatArray(v, "rotation", node.rotation, 4, check);
  JsonFloatArray(v, "scale", node.scale, 3, check);
  if (JsonMember(v, "matrix", check)) {
    // glTF's column-major order is our row-major order for row vectors.
    Mat4 m = IdentityMat4();
    JsonFloatArray(v, "matrix", m.m, 16, check);
    // A matrix that is not 16 numbers refuses the document: nothing of it is decomposed.
    if (!check->ok) return node;
    Transform t;
    DecomposeTrsMat4(&t, m);
    node.translation[0] = t.translation.x;
    node.translation[1] = t.translation.y;
    node.translation[2] = t.translation.z;
    node.scale[0] = t.scale.x;
    node.scale[1] = t.scale.y;
    node.scale[2] = t.scale.z;
    node.rotation[0] = t.rotation.x;
    node.rotation[1] = t.rotation.y;
    node.rotation[2] = t.rotation.z;
    node.rotation[3] = t.rotation.w;
  }
  JsonI32(v, "mesh", &node.mesh, check);
  JsonI32(v, "skin", &node.skin, check);
  JsonString(v, "name", &node.name, check);
  ReadFloatList(v, "weights", &node.weights, check);
  return node;
}

GltfAccessor ReadAccessor(const Value& v, const GltfModel& model, JsonCheck* check) {
  GltfAccessor a;
  if (CopyBufferView(v, model, &a.view, check)) {
    a.hasView = 1;
  } else {
    a.sparseOrNoView = 1;
  }
  JsonU32(v, "count", &a.count, check);
  JsonU32(v, "byteOffset", &a.byteOffset, check);
  std::string type;
  JsonString(v, "type", &type, check);
  JsonU32(v, "componentType", &a.componentType, check);
  a.type = AccessorType(type);
  const uint32_t components = ComponentCount(GltfAccessorType(a.type));
  a.elementSize = ComponentBytes(a.componentType) * components;
  a.minMax.resize(components);
  for (uint32_t c = 0; c < components; ++c)
    ReadAccessorMinMax(&a.minMax[c], a.componentType, c, v, check);
  if (a.view.byteStride == 0) a.view.byteStride = a.elementSize;
  if (const Value* sparse = JsonObject(v, "sparse", check)) {
    a.sparseOrNoView = 1;
    int32_t count = 0;
    JsonI32(*sparse, "count", &count, check);
    // Sparse substitution is not applied: the accessor describes its dense data only.
    if (check->ok) Report("TODO: treat sparse accessors: %d", int(count));
  }
  return a;
}

GltfMesh ReadMesh(const Value& v, JsonCheck* check) {
  GltfMesh mesh;
  ForEachObject(v, "primitives", check, [&](const Value& p) {
    GltfPrimitive prim;
    if (const Value* attributes = JsonObject(p, "attributes", check)) {
      JsonI32(*attributes, "POSITION", &prim.POSITION, check);
      JsonI32(*attributes, "NORMAL", &prim.NORMAL, check);
      JsonI32(*attributes, "TANGENT", &prim.TANGENT, check);
      JsonI32(*attributes, "TEXCOORD_0", &prim.TEXCOORD_0, check);
      JsonI32(*attributes, "TEXCOORD_1", &prim.TEXCOORD_1, check);
      JsonI32(*attributes, "COLOR_0", &prim.COLOR_0, check);
      JsonI32(*attributes, "JOINTS_0", &prim.JOINTS_0, check);
      JsonI32(*attributes, "WEIGHTS_0", &prim.WEIGHTS_0, check);
    }
    JsonI32(p, "indices", &prim.indices, check);
    JsonI32(p, "material", &prim.material, check);
    JsonI32(p, "mode", &prim.mode, check);
    ForEachObject(p, "targets", check, [&](const Value& t) {
      GltfMorphTarget target;
      JsonU32(t, "POSITION", &target.POSITION, check);
      JsonU32(t, "NORMAL", &target.NORMAL, check);
      JsonU32(t, "TANGENT", &target.TANGENT, check);
      prim.targets.push_back(target);
    });
    mesh.primitives.push_back(std::move(prim));
  });
  ReadFloatList(v, "weights", &mesh.weights, check);
  return mesh;
}

// A texture reference: "index" always once the object is there, "texCoord" and the named
// extra float (scale or strength) when present.
void ReadTextureRef(const Value& parent, const char* key, GltfTextureRef* ref,
                    const char* extraKey, float* extra, JsonCheck* check) {
  const Value* t = JsonObject(parent, key, check);
  if (!t) return;
  ref->index = 0;
  JsonI32(*t, "index", &ref->index, check);
  JsonI32(*t, "texCoord", &ref->texCoord, check);
  if (extraKey) JsonFloat(*t, extraKey, extra, check);
}

GltfMaterial ReadMaterial(const Value& v, JsonCheck* check) {
  GltfMaterial m;
  InitGltfMaterial(&m);
  if (const Value* pbr = JsonObject(v, "pbrMetallicRoughness", check)) {
    JsonFloatArray(*pbr, "baseColorFactor", m.baseColorFactor, 4, check);
    ReadTextureRef(*pbr, "baseColorTexture", &m.baseColorTexture, nullptr, nullptr, check);
    JsonFloat(*pbr, "metallicFactor", &m.metallicFactor, check);
    JsonFloat(*pbr, "roughnessFactor", &m.roughnessFactor, check);
    ReadTextureRef(*pbr, "metallicRoughnessTexture", &m.metallicRoughnessTexture, nullptr,
                   nullptr, check);
  }
  ReadTextureRef(v, "normalTexture", &m.normalTexture, "scale", &m.normalScale, check);
  ReadTextureRef(v, "occlusionTexture", &m.occlusionTexture, "strength", &m.occlusionStrength,
                 check);
  ReadTextureRef(v, "emissiveTexture", &m.emissiveTexture, nullptr, nullptr, check);
  JsonFloatArray(v, "emissiveFactor", m.emissiveFactor, 3, check);
  std::string alphaMode;
  if (JsonMember(v, "alphaMode", check)) {
    JsonString(v, "alphaMode", &alphaMode, check);
    m.alphaMode = alphaMode == "MASK" ? 1 : alphaMode == "BLEND" ? 2 : 0;
  }
  JsonFloat(v, "alphaCutoff", &m.alphaCutoff, check);
  if (const Value* doubleSided = JsonMember(v, "doubleSided", check))
    m.doubleSided = doubleSided->IsTrue() ? 1 : 0;
  return m;
}

GltfCamera ReadCamera(const Value& v, JsonCheck* check) {
  GltfCamera camera;
  std::string type;
  JsonString(v, "type", &type, check);
  static const char* const kKeys[2][4] = {{"aspectRatio", "yfov", "zfar", "znear"},
                                          {"xmag", "ymag", "zfar", "znear"}};
  const int32_t kind = type == "perspective" ? 0 : type == "orthographic" ? 1 : -1;
  camera.type = kind;
  if (kind >= 0) {
    const Value* params = JsonObject(v, kind == 0 ? "perspective" : "orthographic", check);
    if (params)
      for (int i = 0; i < 4; ++i) JsonFloat(*params, kKeys[kind][i], &camera.values[i], check);
  }
  return camera;
}

GltfAnimation ReadAnimation(const Value& v, JsonCheck* check) {
  GltfAnimation animation;
  JsonString(v, "name", &animation.name, check);
  ForEachObject(v, "channels", check, [&](const Value& c) {
    GltfChannel channel;
    JsonU32(c, "sampler", &channel.sampler, check);
    if (const Value* target = JsonObject(c, "target", check)) {
      JsonI32(*target, "node", &channel.node, check);
      std::string path;
      JsonString(*target, "path", &path, check);
      channel.path = path == "rotation" ? 1 : path == "scale" ? 2 : path == "weights" ? 3 : 0;
    }
    animation.channels.push_back(channel);
  });
  ForEachObject(v, "samplers", check, [&](const Value& s) {
    int32_t input = 0, output = 0;
    JsonI32(s, "input", &input, check);
    JsonI32(s, "output", &output, check);
    if (input < 0 || output < 0) return;  // dropped: later samplers move up one place
    GltfAnimationSampler sampler;
    sampler.input = uint32_t(input);
    sampler.output = uint32_t(output);
    std::string interpolation;
    JsonString(s, "interpolation", &interpolation, check);
    sampler.interpolation = interpolation == "STEP" ? 1 : interpolation == "CUBICSPLINE" ? 2 : 0;
    animation.samplers.push_back(sampler);
  });
  return animation;
}

template <typename T, typename Fn>
void ReadSection(const Value& root, const char* key, std::vector<T>* out, JsonCheck* check,
                 Fn read) {
  const Value* array = JsonArray(root, key, check);
  if (!array) return;
  out->reserve(array->Size());
  ForEachObject(root, key, check, [&](const Value& element) { out->push_back(read(element)); });
}

}  // namespace

void InitGltfMaterial(GltfMaterial* m) {
  for (float& f : m->baseColorFactor) f = 1.0f;
  m->baseColorTexture = GltfTextureRef();
  m->metallicFactor = 1.0f;
  m->roughnessFactor = 1.0f;
  m->metallicRoughnessTexture = GltfTextureRef();
  m->normalTexture = GltfTextureRef();
  m->normalScale = 1.0f;
  m->occlusionTexture = GltfTextureRef();
  m->occlusionStrength = 1.0f;
  m->emissiveTexture = GltfTextureRef();
  for (float& f : m->emissiveFactor) f = 0.0f;
  m->alphaMode = 0;
  m->alphaCutoff = 0.5f;
  m->doubleSided = 0;
}

bool ParseGltf(const char* text, size_t length, GltfBufferInfo* bufferOut, GltfModel* modelOut) {
  rapidjson::Document doc;
  // Stop at the end of the root value (a .glb chunk is padded; trailing bytes are never looked
  // at) and parse without recursion so deep nesting cannot exhaust the stack.
  doc.Parse<rapidjson::kParseStopWhenDoneFlag | rapidjson::kParseIterativeFlag>(text, length);
  if (doc.HasParseError() || !doc.IsObject()) {
    Report("gltf: the text is not a JSON object");
    return false;
  }
  JsonCheck check;
  const Value* asset = JsonObject(doc, "asset", &check);
  if (!asset) {
    Report("gltf: no \"asset\" object");
    return false;
  }
  std::string version;
  JsonString(*asset, "version", &version, &check);
  if (!check.ok) {
    Report("gltf: \"asset\".\"version\" is not a string");
    return false;
  }
  if (std::atof(version.c_str()) >= 3.0) {
    Report("gltf: version %s is not supported", version.c_str());
    return false;
  }
  GltfBufferInfo buffer;
  // Only buffer 0 is ever loaded; further buffers (animation data, say) are left alone unless
  // the loaded primitive reads from them, which the loaders refuse.
  if (const Value* buffers = JsonArray(doc, "buffers", &check)) {
    if (buffers->Size() >= 1) {
      const Value& first = (*buffers)[0];
      buffer.present = true;
      if (JsonMember(first, "uri", &check)) {
        buffer.hasUri = true;
        JsonString(first, "uri", &buffer.uri, &check);
      }
      JsonU32(first, "byteLength", &buffer.byteLength, &check);
    }
  }

  GltfModel model;
  ReadSection(doc, "bufferViews", &model.bufferViews, &check,
              [&](const Value& v) { return ReadBufferView(v, &check); });
  ReadSection(doc, "skins", &model.skins, &check, [&](const Value& v) {
    GltfSkin skin;
    JsonI32(v, "inverseBindMatrices", &skin.inverseBindMatrices, &check);
    ReadU32List(v, "joints", &skin.joints, &check);
    JsonI32(v, "skeleton", &skin.skeleton, &check);
    return skin;
  });
  ReadSection(doc, "nodes", &model.nodes, &check,
              [&](const Value& v) { return ReadNode(v, &check); });
  ReadSection(doc, "accessors", &model.accessors, &check,
              [&](const Value& v) { return ReadAccessor(v, model, &check); });
  ReadSection(doc, "meshes", &model.meshes, &check,
              [&](const Value& v) { return ReadMesh(v, &check); });
  ReadSection(doc, "images", &model.images, &check, [&](const Value& v) {
    GltfImage image;
    JsonString(v, "uri", &image.uri, &check);
    JsonString(v, "mimeType", &image.mimeType, &check);
    CopyBufferView(v, model, &image.view, &check);
    return image;
  });
  ReadSection(doc, "samplers", &model.samplers, &check, [&](const Value& v) {
    GltfSampler s;
    JsonU32(v, "minFilter", &s.minFilter, &check);
    JsonU32(v, "magFilter", &s.magFilter, &check);
    JsonU32(v, "wrapS", &s.wrapS, &check);
    JsonU32(v, "wrapT", &s.wrapT, &check);
    return s;
  });
  ReadSection(doc, "textures", &model.textures, &check, [&](const Value& v) {
    GltfTexture t;
    JsonU32(v, "sampler", &t.sampler, &check);
    JsonU32(v, "source", &t.source, &check);
    return t;
  });
  ReadSection(doc, "materials", &model.materials, &check,
              [&](const Value& v) { return ReadMaterial(v, &check); });
  ReadSection(doc, "cameras", &model.cameras, &check,
              [&](const Value& v) { return ReadCamera(v, &check); });
  ReadSection(doc, "animations", &model.animations, &check,
              [&](const Value& v) { return ReadAnimation(v, &check); });
  if (!check.ok) {
    Report("gltf: \"%s\" has the wrong JSON type or names a missing bufferView", check.badKey);
    return false;
  }
  *modelOut = std::move(model);
  if (bufferOut && buffer.present) *bufferOut = std::move(buffer);
  return true;
}
