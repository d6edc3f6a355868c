#pragma once
// Builds small glTF documents for tests and the benchmark: binary data is appended to one
// buffer, each bufferView and accessor becomes a JSON fragment, and Json() wraps them with
// whatever meshes and nodes the caller writes.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct GltfBuilder {
  std::vector<uint8_t> bin;
  std::vector<std::string> views;
  std::vector<std::string> accessors;

  // Appends bytes (4-byte aligned) as a bufferView; stride 0 leaves "byteStride" out.
  uint32_t View(const void* bytes, size_t size, uint32_t stride = 0) {
    while (bin.size() % 4) bin.push_back(0);
    const size_t at = bin.size();
    bin.resize(at + size);
    if (size) std::memcpy(bin.data() + at, bytes, size);
    std::string v = "{\"buffer\":0,\"byteOffset\":" + std::to_string(at) +
                    ",\"byteLength\":" + std::to_string(size);
    if (stride) v += ",\"byteStride\":" + std::to_string(stride);
    views.push_back(v + "}");
    return uint32_t(views.size() - 1);
  }
  uint32_t Accessor(uint32_t view, uint32_t componentType, uint32_t count, const char* type,
                    uint32_t byteOffset = 0, const std::string& extra = "") {
    std::string a = "{\"bufferView\":" + std::to_string(view) +
                    ",\"componentType\":" + std::to_string(componentType) +
                    ",\"count\":" + std::to_string(count) + ",\"type\":\"" + type + "\"";
    if (byteOffset) a += ",\"byteOffset\":" + std::to_string(byteOffset);
    accessors.push_back(a + extra + "}");
    return uint32_t(accessors.size() - 1);
  }
  template <typename T>
  uint32_t Data(const std::vector<T>& values, uint32_t componentType, uint32_t components,
                const char* type) {
    const uint32_t view = View(values.data(), values.size() * sizeof(T));
    return Accessor(view, componentType, uint32_t(values.size() / components), type);
  }
  // A document with asset, one buffer, the views and accessors, and `rest` (more members).
  std::string Json(const std::string& rest, const char* uri = nullptr) const {
    std::string j = "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"byteLength\":" +
                    std::to_string(bin.size());
    if (uri) j += std::string(",\"uri\":\"") + uri + "\"";
    j += "}],\"bufferViews\":[" + Join(views) + "],\"accessors\":[" + Join(accessors) + "]";
    if (!rest.empty()) j += "," + rest;
    return j + "}";
  }
  static std::string Join(const std::vector<std::string>& parts) {
    std::string s;
    for (size_t i = 0; i < parts.size(); ++i) s += (i ? "," : "") + parts[i];
    return s;
  }
};

inline void AppendU32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(uint8_t(v >> (8 * i)));
}

// A .glb: header, JSON chunk padded with `jsonPadding` spaces, BIN chunk, then `trailing` bytes.
inline std::vector<uint8_t> MakeGlb(const std::string& json, const std::vector<uint8_t>& bin,
                                    size_t jsonPadding = 0, size_t trailing = 0) {
  std::vector<uint8_t> out;
  const uint32_t jsonLength = uint32_t(json.size() + jsonPadding);
  AppendU32(&out, 0x46546C67);  // "glTF"
  AppendU32(&out, 2);
  AppendU32(&out, uint32_t(28 + jsonLength + bin.size() + trailing));
  AppendU32(&out, jsonLength);
  AppendU32(&out, 0x4E4F534A);  // "JSON"
  out.insert(out.end(), json.begin(), json.end());
  out.insert(out.end(), jsonPadding, ' ');
  AppendU32(&out, uint32_t(bin.size()));
  AppendU32(&out, 0x004E4942);  // "BIN\0"
  out.insert(out.end(), bin.begin(), bin.end());
  out.insert(out.end(), trailing, 0xEE);
  return out;
}
