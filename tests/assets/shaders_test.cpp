// The three shader files compile with the system's HLSL compiler for both stages and expose the
// constants and vertex inputs that the program tables expect, at the offsets those tables pack.
#include <windows.h>
#include <initguid.h>
#include <d3dcompiler.h>
// d3dcompiler.h brings MinGW's own d3d12shader.h; a second copy from DirectX-Headers would clash.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct ExpectedConstant {
  const char* name;
  UINT byteOffset;
  UINT floatCount;
};

struct ShaderFile {
  const char* path;
  std::vector<const char*> inputs;  // vertex-shader semantics, in layout order
  std::vector<ExpectedConstant> constants;
};

const ShaderFile kBasicFixed = {
    "data/Kestra/shaders/basic-fixed.hlsl",
    {"POSITION", "TEXCOORD", "COLOR", "NORMAL"},
    {{"mvMat", 0, 16}, {"projMat", 64, 16}}};
const ShaderFile kText = {
    "data/Kestra/shaders/text.hlsl",
    {"POSITION", "TEXCOORD", "COLOR"},
    // "scale" sits at float 4, not 3: a float3 never straddles a 16-byte register.
    {{"pos", 0, 3}, {"scale", 16, 3}}};
const ShaderFile kColor = {
    "data/Kestra/shaders/color.hlsl",
    {"POSITION", "TEXCOORD", "COLOR", "NORMAL"},
    {{"mvMat", 0, 16}, {"projMat", 64, 16}, {"color", 128, 4}}};

std::string ReadText(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Compiled {
  ID3DBlob* code = nullptr;
  std::string errors;
  HRESULT result = E_FAIL;
  ~Compiled() {
    if (code) code->Release();
  }
};

void Compile(const std::string& source, const char* entry, const char* target, Compiled* out) {
  ID3DBlob* errors = nullptr;
  out->result = D3DCompile(source.data(), source.size(), entry, nullptr, nullptr, entry, target, 0,
                           0, &out->code, &errors);
  if (errors) {
    out->errors.assign(static_cast<const char*>(errors->GetBufferPointer()),
                       errors->GetBufferSize());
    errors->Release();
  }
}

ID3D12ShaderReflection* Reflect(ID3DBlob* code) {
  ID3D12ShaderReflection* reflection = nullptr;
  HRESULT hr = D3DReflect(code->GetBufferPointer(), code->GetBufferSize(),
                          IID_ID3D12ShaderReflection, reinterpret_cast<void**>(&reflection));
  return SUCCEEDED(hr) ? reflection : nullptr;
}

class ShaderFileTest : public testing::TestWithParam<const ShaderFile*> {};

TEST_P(ShaderFileTest, BothStagesCompileWithoutMessages) {
  const ShaderFile& file = *GetParam();
  std::string source = ReadText(file.path);
  ASSERT_FALSE(source.empty()) << "cannot read " << file.path;
  Compiled vs, ps;
  Compile(source, "VSMain", "vs_5_0", &vs);
  Compile(source, "PSMain", "ps_5_0", &ps);
  EXPECT_TRUE(SUCCEEDED(vs.result)) << file.path << " VSMain: " << vs.errors;
  EXPECT_TRUE(SUCCEEDED(ps.result)) << file.path << " PSMain: " << ps.errors;
  EXPECT_NE(vs.code, nullptr);
  EXPECT_NE(ps.code, nullptr);
  // The game prints every compiler message at start-up; shipped shaders keep that output empty.
  EXPECT_EQ(vs.errors, "");
  EXPECT_EQ(ps.errors, "");
}

TEST_P(ShaderFileTest, VertexInputsFollowTheVertexFormat) {
  const ShaderFile& file = *GetParam();
  Compiled vs;
  Compile(ReadText(file.path), "VSMain", "vs_5_0", &vs);
  ASSERT_NE(vs.code, nullptr) << vs.errors;
  ID3D12ShaderReflection* reflection = Reflect(vs.code);
  ASSERT_NE(reflection, nullptr);
  D3D12_SHADER_DESC desc = {};
  reflection->GetDesc(&desc);
  // Every declared attribute must be in the signature, in layout order, with semantic index 0.
  ASSERT_EQ(desc.InputParameters, file.inputs.size());
  for (UINT i = 0; i < desc.InputParameters; ++i) {
    D3D12_SIGNATURE_PARAMETER_DESC parameter = {};
    reflection->GetInputParameterDesc(i, &parameter);
    EXPECT_STREQ(parameter.SemanticName, file.inputs[i]) << file.path << " input " << i;
    EXPECT_EQ(parameter.SemanticIndex, 0u) << file.path << " input " << i;
  }
  reflection->Release();
}

TEST_P(ShaderFileTest, ConstantsSitWhereTheProgramPacksThem) {
  const ShaderFile& file = *GetParam();
  std::string source = ReadText(file.path);
  // Both stages see the one buffer that the renderer pushes; a stage that reads no constant may
  // have it stripped, but where it is present its layout must agree. The vertex stage always reads
  // its transform, so it must have the buffer.
  for (const char* stage : {"VSMain", "PSMain"}) {
    const char* target = std::strcmp(stage, "VSMain") == 0 ? "vs_5_0" : "ps_5_0";
    Compiled compiled;
    Compile(source, stage, target, &compiled);
    ASSERT_NE(compiled.code, nullptr) << compiled.errors;
    ID3D12ShaderReflection* reflection = Reflect(compiled.code);
    ASSERT_NE(reflection, nullptr);
    D3D12_SHADER_DESC desc = {};
    reflection->GetDesc(&desc);
    if (desc.ConstantBuffers == 0 && std::strcmp(stage, "PSMain") == 0) {
      reflection->Release();
      continue;
    }
    ASSERT_EQ(desc.ConstantBuffers, 1u) << file.path << " " << stage;
    ID3D12ShaderReflectionConstantBuffer* buffer = reflection->GetConstantBufferByIndex(0);
    D3D12_SHADER_BUFFER_DESC bufferDesc = {};
    ASSERT_TRUE(SUCCEEDED(buffer->GetDesc(&bufferDesc)));
    ASSERT_EQ(bufferDesc.Variables, file.constants.size()) << file.path << " " << stage;
    for (UINT i = 0; i < bufferDesc.Variables; ++i) {
      D3D12_SHADER_VARIABLE_DESC variable = {};
      ASSERT_TRUE(SUCCEEDED(buffer->GetVariableByIndex(i)->GetDesc(&variable)));
      const ExpectedConstant& expected = file.constants[i];
      EXPECT_STREQ(variable.Name, expected.name) << file.path << " " << stage;
      EXPECT_EQ(variable.StartOffset, expected.byteOffset) << file.path << " " << expected.name;
      EXPECT_EQ(variable.Size, expected.floatCount * 4) << file.path << " " << expected.name;
    }
    // Register b0 is where the root signature's constant-buffer view points.
    D3D12_SHADER_INPUT_BIND_DESC binding = {};
    ASSERT_TRUE(SUCCEEDED(reflection->GetResourceBindingDescByName(bufferDesc.Name, &binding)));
    EXPECT_EQ(binding.BindPoint, 0u) << file.path;
    reflection->Release();
  }
}

std::string FileLabel(const testing::TestParamInfo<const ShaderFile*>& info) {
  static const char* const kLabels[] = {"BasicFixed", "Text", "Color"};
  return kLabels[info.index];
}

INSTANTIATE_TEST_SUITE_P(GameShaders, ShaderFileTest,
                         testing::Values(&kBasicFixed, &kText, &kColor), FileLabel);

}  // namespace
