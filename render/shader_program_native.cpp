// Builds without Direct3D: a program never holds blobs or pipeline states to release.
#include "render/shader_program.h"

ShaderProgramBlock::~ShaderProgramBlock() = default;
