#include "mesh/json_read.h"

namespace {

bool ValueToU32(const rapidjson::Value& v, uint32_t* out) {
  if (v.IsUint()) {
    *out = v.GetUint();
    return true;
  }
  if (v.IsInt()) {
    *out = uint32_t(v.GetInt());
    return true;
  }
  return false;
}

}  // namespace

const rapidjson::Value* JsonMember(const rapidjson::Value& object, const char* key,
                                   JsonCheck* check) {
  if (!object.IsObject()) {
    check->Fail(key);
    return nullptr;
  }
  auto it = object.FindMember(key);
  return it == object.MemberEnd() ? nullptr : &it->value;
}

const rapidjson::Value* JsonObject(const rapidjson::Value& object, const char* key,
                                   JsonCheck* check) {
  const rapidjson::Value* v = JsonMember(object, key, check);
  if (v && !v->IsObject()) {
    check->Fail(key);
    return nullptr;
  }
  return v;
}

const rapidjson::Value* JsonArray(const rapidjson::Value& object, const char* key,
                                  JsonCheck* check) {
  const rapidjson::Value* v = JsonMember(object, key, check);
  if (v && !v->IsArray()) {
    check->Fail(key);
    return nullptr;
  }
  return v;
}

void JsonFloat(const rapidjson::Value& object, const char* key, float* out, JsonCheck* check) {
  const rapidjson::Value* v = JsonMember(object, key, check);
  if (!v) return;
  if (!v->IsNumber()) return check->Fail(key);
  *out = float(v->GetDouble());
}

void JsonU32(const rapidjson::Value& object, const char* key, uint32_t* out, JsonCheck* check) {
  const rapidjson::Value* v = JsonMember(object, key, check);
  if (v && !ValueToU32(*v, out)) check->Fail(key);
}

void JsonI32(const rapidjson::Value& object, const char* key, int32_t* out, JsonCheck* check) {
  uint32_t bits = uint32_t(*out);
  JsonU32(object, key, &bits, check);
  *out = int32_t(bits);
}

void JsonString(const rapidjson::Value& object, const char* key, std::string* out,
                JsonCheck* check) {
  const rapidjson::Value* v = JsonMember(object, key, check);
  if (!v) return;
  if (!v->IsString()) return check->Fail(key);
  out->assign(v->GetString(), v->GetStringLength());
}

float JsonFloatAt(const rapidjson::Value& array, uint32_t i, JsonCheck* check) {
  if (!array.IsArray() || i >= array.Size() || !array[i].IsNumber()) {
    check->Fail("array element");
    return 0.0f;
  }
  return float(array[i].GetDouble());
}

uint32_t JsonU32At(const rapidjson::Value& array, uint32_t i, JsonCheck* check) {
  uint32_t value = 0;
  if (!array.IsArray() || i >= array.Size() || !ValueToU32(array[i], &value)) {
    check->Fail("array element");
    return 0;
  }
  return value;
}

void JsonFloatArray(const rapidjson::Value& object, const char* key, float* out, uint32_t count,
                    JsonCheck* check) {
  const rapidjson::Value* v = JsonArray(object, key, check);
  if (!v) return;
  if (v->Size() < count) return check->Fail(key);
  for (uint32_t i = 0; i < count; ++i) out[i] = JsonFloatAt(*v, i, check);
}
