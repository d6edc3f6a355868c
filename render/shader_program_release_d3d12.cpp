// Releases what a program's block holds. Kept with the portable core so a ShaderProgram can be
// destroyed by any library that holds one.
#include <windows.h>
#include <rpc.h>
#include <rpcndr.h>
#include <d3d12.h>
#include <d3dcommon.h>

#include "render/shader_program.h"

ShaderProgramBlock::~ShaderProgramBlock() {
  for (ID3D12PipelineState*& state : pipelineStates) {
    if (state) state->Release();
    state = nullptr;
  }
  if (vertexShader) vertexShader->Release();
  if (pixelShader) pixelShader->Release();
}
