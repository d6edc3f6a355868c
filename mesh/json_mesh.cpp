#include "mesh/json_mesh.h"

#include <rapidjson/document.h>

#include "app/files.h"
#include "app/report.h"
#include "mesh/json_read.h"
#include "mesh/smooth_normals.h"
#include "mesh/vertex_write.h"

namespace {

// Entries of an attribute array, each an object; counts above `limit` (the vertex count) would
// write past the vertices.
const rapidjson::Value* AttributeArray(const rapidjson::Value& model, const char* key,
                                       size_t limit, JsonCheck* check) {
  const rapidjson::Value* array = JsonArray(model, key, check);
  if (!array) return nullptr;
  if (array->Size() > limit) {
    check->Fail(key);
    return nullptr;
  }
  for (const rapidjson::Value& entry : array->GetArray())
    if (!entry.IsObject()) {
      check->Fail(key);
      return nullptr;
    }
  return array;
}

}  // namespace

bool ReadJsonMesh(const char* text, size_t length, MeshStore* store) {
  const VertexFormat format = store->format;
  if (!IsValidVertexFormat(format)) {
    Report("json mesh: the store's vertex format %d is unknown", int(format));
    return false;
  }
  rapidjson::Document doc;
  // Iterative parsing: deeply nested input cannot exhaust the stack.
  doc.Parse<rapidjson::kParseIterativeFlag>(text, length);
  if (doc.HasParseError() || !doc.IsObject()) {
    Report("json mesh: not a JSON object");
    return false;
  }
  JsonCheck check;
  const rapidjson::Value* model = JsonObject(doc, "model", &check);
  if (!model) {
    Report("json mesh: no \"model\" object");
    return false;
  }

  const size_t stride = size_t(kVertexFormats.stride[format]);
  MeshStore work = *store;
  const rapidjson::Value* vertices = AttributeArray(*model, "vertices", SIZE_MAX, &check);
  const size_t vertexCount = vertices ? vertices->Size() : 0;
  work.vertices.resize(stride * vertexCount);
  for (size_t i = 0; i < vertexCount; ++i) {
    const rapidjson::Value& e = (*vertices)[rapidjson::SizeType(i)];
    float x = 0, y = 0, z = 0;
    JsonFloat(e, "x", &x, &check);
    JsonFloat(e, "y", &y, &check);
    JsonFloat(e, "z", &z, &check);
    WriteVertexPosition(&work.vertices[stride * i], format, x, y, z);
  }
  if (const rapidjson::Value* uvs = AttributeArray(*model, "uvs", vertexCount, &check)) {
    const int32_t at = kVertexFormats.uvOffset[format];
    for (rapidjson::SizeType i = 0; i < uvs->Size(); ++i) {
      float u = 0, v = 0;
      JsonFloat((*uvs)[i], "u", &u, &check);
      JsonFloat((*uvs)[i], "v", &v, &check);
      if (at < 0) continue;
      work.vertices[stride * i + size_t(at)] = u;
      work.vertices[stride * i + size_t(at) + 1] = v;
    }
  }
  if (const rapidjson::Value* colors = AttributeArray(*model, "colors", vertexCount, &check)) {
    for (rapidjson::SizeType i = 0; i < colors->Size(); ++i) {
      float r = 0, g = 0, b = 0;
      JsonFloat((*colors)[i], "r", &r, &check);
      JsonFloat((*colors)[i], "g", &g, &check);
      JsonFloat((*colors)[i], "b", &b, &check);
      WriteVertexColor(&work.vertices[stride * i], format, r, g, b);
    }
  }
  const rapidjson::Value* triangles = AttributeArray(*model, "indices", SIZE_MAX, &check);
  const size_t triangleCount = triangles ? triangles->Size() : 0;
  work.indices.resize(3 * triangleCount);
  for (size_t i = 0; i < triangleCount; ++i) {
    const rapidjson::Value& e = (*triangles)[rapidjson::SizeType(i)];
    uint32_t a = 0, b = 0, c = 0;
    JsonU32(e, "a", &a, &check);
    JsonU32(e, "b", &b, &check);
    JsonU32(e, "c", &c, &check);
    work.indices[3 * i] = a;
    work.indices[3 * i + 1] = b;
    work.indices[3 * i + 2] = c;
  }
  const bool hasNormals = JsonMember(*model, "normals", &check) != nullptr;
  if (const rapidjson::Value* normals = AttributeArray(*model, "normals", vertexCount, &check)) {
    const int32_t at = kVertexFormats.normalOffset[format];
    for (rapidjson::SizeType i = 0; i < normals->Size(); ++i) {
      float x = 0, y = 0, z = 0;
      JsonFloat((*normals)[i], "x", &x, &check);
      JsonFloat((*normals)[i], "y", &y, &check);
      JsonFloat((*normals)[i], "z", &z, &check);
      if (at < 0) continue;
      float* n = &work.vertices[stride * i + size_t(at)];
      n[0] = x;
      n[1] = y;
      n[2] = z;
    }
  }
  if (!check.ok) {
    Report("json mesh: \"%s\" has the wrong type or too many entries", check.badKey);
    return false;
  }
  if (!IndicesWithinVertices(work.indices.data(), work.indices.size(), uint32_t(vertexCount))) {
    Report("json mesh: an index points past the %llu vertices",
           (unsigned long long)vertexCount);
    return false;
  }
  if (!hasNormals) ComputeSmoothNormals(&work);
  *store = std::move(work);
  return true;
}

bool LoadJsonMeshFile(const char* path, MeshStore* store) {
  FileBytes file;
  if (!ReadWholeFile(path, &file)) {
    Report("json mesh: cannot read %s", path);
    return false;
  }
  return ReadJsonMesh(file.Text(), file.Size(), store);
}
