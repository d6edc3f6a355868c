// Shader programs on Direct3D 12: compiling with D3DCompile, the four pipeline states, binding.
#include "render/shader_program.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/files.h"
#include "app/report.h"
#include "render/renderer.h"

namespace {

// Compiles one stage; prints whatever the compiler says (warnings too). Null on failure.
ID3DBlob* CompileStage(const char* text, size_t length, const char* path, const char* sourceName,
                       const char* entry, const char* target) {
  ID3DBlob* code = nullptr;
  ID3DBlob* messages = nullptr;
  HRESULT hr = D3DCompile(text, length, sourceName, nullptr, nullptr, entry, target, 0, 0, &code,
                          &messages);
  if (messages) {
    const char* m = static_cast<const char*>(messages->GetBufferPointer());
    const size_t n = messages->GetBufferSize();
    std::string message(m, n);
    while (!message.empty() && (message.back() == '\0' || message.back() == '\n')) {
      message.pop_back();
    }
    if (!message.empty()) Report("%s", message.c_str());
    messages->Release();
  }
  if (FAILED(hr) || !code) {
    Report("Shader %s: the %s (%s) does not compile", path, sourceName, target);
    if (code) code->Release();
    return nullptr;
  }
  return code;
}

}  // namespace

bool ShaderProgram::CompileFile(ShaderProgram* program, const char* pathWithoutExtension) {
  const std::string path = std::string(pathWithoutExtension) + ".hlsl";
  FileBytes file;
  if (!ReadWholeFile(path.c_str(), &file)) {
    Report("Shader %s cannot be read", path.c_str());
    return false;
  }
  // The text ends at its first zero byte.
  const size_t length = std::strlen(file.Text());
  ShaderProgramBlock* b = program->block.get();
  if (b->vertexShader) b->vertexShader->Release();
  if (b->pixelShader) b->pixelShader->Release();
  b->vertexShader = CompileStage(file.Text(), length, path.c_str(), "vertex shader", "VSMain",
                                 "vs_5_0");
  b->pixelShader = CompileStage(file.Text(), length, path.c_str(), "pixel shader", "PSMain",
                                "ps_5_0");
  if (!b->vertexShader || !b->pixelShader) {
    // Half a program is of no use; without both stages it makes no pipeline states.
    if (b->vertexShader) b->vertexShader->Release();
    if (b->pixelShader) b->pixelShader->Release();
    b->vertexShader = b->pixelShader = nullptr;
    for (ID3D12PipelineState*& s : b->pipelineStates) {
      if (s) s->Release();
      s = nullptr;
    }
    b->currentPipelineState = nullptr;
    return false;
  }
  return true;
}

bool ShaderProgram::CreatePipelineStates(ShaderProgram* program) {
  ShaderProgramBlock* b = program->block.get();
  Renderer& r = gRenderer;
  for (ID3D12PipelineState*& s : b->pipelineStates) {
    if (s) s->Release();
    s = nullptr;
  }
  b->currentPipelineState = nullptr;
  if (!r.ready) {
    Report("Shader program: the renderer is not running; no pipeline states made");
    return false;
  }
  if (!b->vertexShader || !b->pixelShader) {
    Report("Shader program: no compiled shaders; its draws are skipped");
    return false;
  }

  std::vector<D3D12_INPUT_ELEMENT_DESC> elements;
  for (const InputElement& e : b->inputElements) {
    elements.push_back({e.semanticName.c_str(), e.semanticIndex, DXGI_FORMAT(e.format), 0,
                        D3D12_APPEND_ALIGNED_ELEMENT, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA,
                        0});
  }

  D3D12_GRAPHICS_PIPELINE_STATE_DESC d = {};
  d.pRootSignature = r.rootSignature.Get();
  d.VS = {b->vertexShader->GetBufferPointer(), b->vertexShader->GetBufferSize()};
  d.PS = {b->pixelShader->GetBufferPointer(), b->pixelShader->GetBufferSize()};
  d.BlendState.AlphaToCoverageEnable = FALSE;
  d.BlendState.IndependentBlendEnable = FALSE;
  for (D3D12_RENDER_TARGET_BLEND_DESC& t : d.BlendState.RenderTarget) {
    t.BlendEnable = b->renderTargetFormat != kDepthFormat;
    t.LogicOpEnable = FALSE;
    t.SrcBlend = D3D12_BLEND_SRC_ALPHA;
    t.DestBlend = D3D12_BLEND_INV_SRC_ALPHA;
    t.BlendOp = D3D12_BLEND_OP_ADD;
    t.SrcBlendAlpha = D3D12_BLEND_ONE;
    t.DestBlendAlpha = D3D12_BLEND_ZERO;
    t.BlendOpAlpha = D3D12_BLEND_OP_ADD;
    t.LogicOp = D3D12_LOGIC_OP_NOOP;
    t.RenderTargetWriteMask = D3D12_COLOR_WRITE_ENABLE_ALL;
  }
  d.SampleMask = 0xFFFFFFFFu;
  d.RasterizerState.FillMode = D3D12_FILL_MODE_SOLID;
  d.RasterizerState.CullMode = program->cullMode == 0   ? D3D12_CULL_MODE_BACK
                               : program->cullMode == 1 ? D3D12_CULL_MODE_FRONT
                                                        : D3D12_CULL_MODE_NONE;
  d.RasterizerState.FrontCounterClockwise = TRUE;
  d.RasterizerState.DepthClipEnable = TRUE;
  d.DepthStencilState.DepthFunc = D3D12_COMPARISON_FUNC_LESS_EQUAL;
  d.DepthStencilState.StencilEnable = FALSE;
  d.DepthStencilState.StencilReadMask = 0xFF;
  d.DepthStencilState.StencilWriteMask = 0xFF;
  const D3D12_DEPTH_STENCILOP_DESC keep = {D3D12_STENCIL_OP_KEEP, D3D12_STENCIL_OP_KEEP,
                                           D3D12_STENCIL_OP_KEEP, D3D12_COMPARISON_FUNC_ALWAYS};
  d.DepthStencilState.FrontFace = keep;
  d.DepthStencilState.BackFace = keep;
  d.InputLayout = {elements.empty() ? nullptr : elements.data(), UINT(elements.size())};
  d.IBStripCutValue = D3D12_INDEX_BUFFER_STRIP_CUT_VALUE_DISABLED;
  d.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  d.NumRenderTargets = 1;
  d.RTVFormats[0] = DXGI_FORMAT(b->renderTargetFormat);
  d.DSVFormat = DXGI_FORMAT_D32_FLOAT;
  d.SampleDesc.Count = 1;

  // 0 test+write, 1 write only, 2 test only, 3 neither.
  const bool tests[4] = {true, false, true, false};
  const bool writes[4] = {true, true, false, false};
  for (int i = 0; i < 4; ++i) {
    // Direct3D writes no depth while its test is off, so "write without test" is a test that
    // always passes.
    d.DepthStencilState.DepthEnable = tests[i] || writes[i];
    d.DepthStencilState.DepthFunc =
        tests[i] ? D3D12_COMPARISON_FUNC_LESS_EQUAL : D3D12_COMPARISON_FUNC_ALWAYS;
    d.DepthStencilState.DepthWriteMask =
        writes[i] ? D3D12_DEPTH_WRITE_MASK_ALL : D3D12_DEPTH_WRITE_MASK_ZERO;
    HRESULT hr = r.device->CreateGraphicsPipelineState(&d, IID_PPV_ARGS(&b->pipelineStates[i]));
    if (FAILED(hr)) {
      Report("Shader program: pipeline state %d cannot be made (HRESULT 0x%08lx); its draws are "
             "skipped",
             i, static_cast<unsigned long>(hr));
      for (ID3D12PipelineState*& s : b->pipelineStates) {
        if (s) s->Release();
        s = nullptr;
      }
      return false;
    }
  }
  return true;
}

bool ShaderProgram::CanDraw(const ShaderProgram* program) {
  for (ID3D12PipelineState* s : program->block->pipelineStates) {
    if (!s) return false;
  }
  return true;
}

void ShaderProgram::Bind(ShaderProgram* program) {
  Renderer& r = gRenderer;
  ShaderProgramBlock* b = program->block.get();
  ID3D12PipelineState* previous = b->currentPipelineState;
  int index = r.depthTest ? (r.depthWrite ? 0 : 2) : (r.depthWrite ? 1 : 3);
  b->currentPipelineState = b->pipelineStates[index];
  if (gCurrentProgram == program && b->currentPipelineState == previous) return;
  gCurrentProgram = program;
  // A program without states stays current so its draws are skipped, not drawn with another's.
  if (b->currentPipelineState && r.ready && r.listOpen) {
    r.commandList->SetPipelineState(b->currentPipelineState);
  }
}
