#pragma once
// Type-checked reads from RapidJSON values for the mesh and glTF readers. RapidJSON asserts
// (or reads garbage) when a value is used as the wrong type, so every read goes through here:
// an absent key keeps the caller's default, a present key of the wrong type marks the check as
// failed and keeps the default too, so a reader can run through a record and test once.
#include <cstdint>
#include <string>

#include <rapidjson/document.h>

struct JsonCheck {
  bool ok = true;
  const char* badKey = nullptr;  // the first key that had the wrong type

  void Fail(const char* key) {
    if (ok) badKey = key;
    ok = false;
  }
};

// The member, or null when absent or when `object` is not an object (a wrong type: fails).
const rapidjson::Value* JsonMember(const rapidjson::Value& object, const char* key,
                                   JsonCheck* check);
// The member when it is an object / array; null when absent; fails on another type.
const rapidjson::Value* JsonObject(const rapidjson::Value& object, const char* key,
                                   JsonCheck* check);
const rapidjson::Value* JsonArray(const rapidjson::Value& object, const char* key,
                                  JsonCheck* check);

// Any JSON number, narrowed to f32.
void JsonFloat(const rapidjson::Value& object, const char* key, float* out, JsonCheck* check);
// A JSON integer that fits in 32 bits, signed or unsigned, kept as its 32-bit pattern (-1 gives
// 0xFFFFFFFF). Fractions, exponents and wider integers fail.
void JsonU32(const rapidjson::Value& object, const char* key, uint32_t* out, JsonCheck* check);
void JsonI32(const rapidjson::Value& object, const char* key, int32_t* out, JsonCheck* check);
void JsonString(const rapidjson::Value& object, const char* key, std::string* out,
                JsonCheck* check);
// Element i of a number array, narrowed to f32; fails when it is not a number.
float JsonFloatAt(const rapidjson::Value& array, uint32_t i, JsonCheck* check);
uint32_t JsonU32At(const rapidjson::Value& array, uint32_t i, JsonCheck* check);
// Reads exactly `count` numbers of a fixed-size array member; a shorter array or a non-number
// fails. Absent leaves `out` as it is.
void JsonFloatArray(const rapidjson::Value& object, const char* key, float* out, uint32_t count,
                    JsonCheck* check);
