#include "engine/render/gl/PassUniformsGL.h"

#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/ShaderProgramGL.h"

namespace engine {

void setUniform(const ShaderProgramGL& program, const char* name, float value) {
    gl().glUniform1f(program.location(name), value);
}

void setUniform(const ShaderProgramGL& program, const char* name, const Vec2& value) {
    gl().glUniform2f(program.location(name), value.x, value.y);
}

void setUniform(const ShaderProgramGL& program, const char* name, const Vec3& value) {
    gl().glUniform3f(program.location(name), value.x, value.y, value.z);
}

void setUniform(const ShaderProgramGL& program, const char* name, const Mat4& value) {
    gl().glUniformMatrix4fv(program.location(name), 1, GL_FALSE, &value.m[0][0]);
}

void setUniformVec2Array(const ShaderProgramGL& program, const char* name, const float* values, int count) {
    gl().glUniform2fv(program.location(name), count, values);
}

void setUniformVec3Array(const ShaderProgramGL& program, const char* name, const float* values, int count) {
    gl().glUniform3fv(program.location(name), count, values);
}

} // namespace engine
