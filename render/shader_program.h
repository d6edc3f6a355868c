#pragma once
// A vertex and pixel shader pair compiled from one HLSL file, with the input layout of one
// vertex format, a table of named constants packed like an HLSL constant buffer, a staging copy
// of that buffer, and four pipeline states (depth test on/off x depth write on/off).
// Portable: the table and the packing are here (render/shader_program.cpp); compiling, the
// pipeline states and binding are the Windows renderer's (render/shader_program_d3d12.cpp).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ID3D10Blob;  // ID3DBlob
struct ID3D12PipelineState;

// Component types of a vertex attribute.
enum : uint32_t {
  kAttributeFloat = 0,        // 32-bit floats
  kAttributeUint = 1,         // raw 32-bit unsigned integers
  kAttributePackedRgba8 = 2,  // four 8-bit normalised bytes in one 32-bit slot
};

struct VertexAttribute {
  std::string semanticName;
  uint32_t semanticIndex;   // always 0
  uint16_t componentCount;  // 1-4
  uint32_t componentType;   // kAttributeFloat, kAttributeUint or kAttributePackedRgba8
};

// One named constant: offset and count in floats from the start of the constant buffer.
// As a description for SetupInputLayout, an offset of 0 places it after the previous one.
struct ShaderConstant {
  std::string name;
  uint32_t offset;
  uint16_t count;
};

// One element of the Direct3D input layout: all on input slot 0, appended, per vertex.
struct InputElement {
  std::string semanticName;
  uint32_t semanticIndex;
  uint32_t format;  // DXGI_FORMAT
};

constexpr uint32_t kConstantStagingBytes = 32768;
constexpr uint32_t kNoBufferId = 0xFFFFFFFFu;
constexpr uint32_t kRenderTargetFormat = 28;  // DXGI_FORMAT_R8G8B8A8_UNORM
constexpr uint32_t kDepthFormat = 40;         // DXGI_FORMAT_D32_FLOAT

struct ShaderProgramBlock {
  std::vector<InputElement> inputElements;
  ID3D10Blob* vertexShader = nullptr;
  ID3D10Blob* pixelShader = nullptr;
  // 0 test+write, 1 write only, 2 test only, 3 neither.
  ID3D12PipelineState* pipelineStates[4] = {};
  alignas(16) uint8_t constantStaging[kConstantStagingBytes];
  uint32_t constantBufferSize = 256;  // bytes a draw pushes; a multiple of 256
  uint32_t renderTargetFormat = kRenderTargetFormat;
  uint32_t currentVertexBuffer = kNoBufferId;  // buffers of the last draw with this program
  uint32_t currentIndexBuffer = kNoBufferId;
  ID3D12PipelineState* currentPipelineState = nullptr;

  ShaderProgramBlock() = default;
  ShaderProgramBlock(const ShaderProgramBlock&) = delete;
  ShaderProgramBlock& operator=(const ShaderProgramBlock&) = delete;
  ~ShaderProgramBlock();  // releases the blobs and states (platform file)
};

struct ShaderProgram {
  // Shared by copies of the handle; freed with the last of them.
  std::shared_ptr<ShaderProgramBlock> block;
  std::vector<VertexAttribute> attributes;
  std::vector<ShaderConstant> constants;
  uint32_t cullMode = 0;  // 0 back faces, 1 front faces, other values no culling

  ShaderProgram();

  // Compiles path + ".hlsl" ("VSMain" as vs_5_0, "PSMain" as ps_5_0). False when the file
  // cannot be read or either stage fails to compile; the compiler's messages are printed either
  // way. A program that failed keeps no shaders and its draws are skipped.
  static bool CompileFile(ShaderProgram* program, const char* pathWithoutExtension);
  // Builds the attributes and input layout of a vertex format and packs the constant table.
  static void SetupInputLayout(ShaderProgram* program, int32_t vertexFormat,
                               const ShaderConstant* descriptions, uint32_t count);
  // Builds the four pipeline states. False (reported) when the shaders are missing or a state
  // cannot be made; the program then draws nothing.
  static bool CreatePipelineStates(ShaderProgram* program);
  // Makes the program current (gCurrentProgram) and sets its pipeline state for the renderer's
  // depth flags on the frame's command list.
  static void Bind(ShaderProgram* program);
  // True when all four pipeline states exist.
  static bool CanDraw(const ShaderProgram* program);
};

// The program last bound; null at start and after every frame end.
extern ShaderProgram* gCurrentProgram;

// The attributes of a vertex format, in slot order (ids 1-3 and unknown ids have none).
std::vector<VertexAttribute> VertexAttributesOfFormat(int32_t vertexFormat);
// The DXGI format of an attribute.
uint32_t InputElementFormat(uint32_t componentType, uint16_t componentCount);
// First constant of the program's table with exactly this name, or null.
const ShaderConstant* FindShaderConstant(const ShaderProgram* program, const char* name);
// Writes count floats into the program's staging at the named constant. A name the program
// lacks, or a write past the constant's reserved floats, writes nothing; false then.
bool WriteShaderConstant(ShaderProgram* program, const char* name, const float* values,
                         uint32_t count);
