#pragma once

// Uniforms of the scene passes, set by name on a program. Programs of the
// passes are few and their uniforms looked up once per draw, so the lookup
// is not cached. Absent uniforms (location -1) are ignored by GL.

#include "engine/scene/Matrix.h"

namespace engine {

class ShaderProgramGL;

void setUniform(const ShaderProgramGL& program, const char* name, float value);
void setUniform(const ShaderProgramGL& program, const char* name, const Vec2& value);
void setUniform(const ShaderProgramGL& program, const char* name, const Vec3& value);
// Uploaded as stored: GLSL's M * v then gives the host's v × M.
void setUniform(const ShaderProgramGL& program, const char* name, const Mat4& value);
// An array of vec2 (count pairs) or vec3 (count triples).
void setUniformVec2Array(const ShaderProgramGL& program, const char* name, const float* values, int count);
void setUniformVec3Array(const ShaderProgramGL& program, const char* name, const float* values, int count);

} // namespace engine
