#pragma once

// A surface or post-process shader made by the current renderer. Materials
// hold one by counted reference; the programs belong to the backend's class.

#include <string>

namespace engine {

class RenderableShader {
public:
    virtual ~RenderableShader() = default;
    // Each empty path takes the backend's default file for that program.
    virtual void loadSurfaceShader(const std::string& vertexPath, const std::string& geometryPath,
                                   const std::string& materialPath, const std::string& unlitPath,
                                   const std::string& shadowPath) = 0;
    virtual void loadPostProcessShader(const std::string& fragmentPath) = 0;
};

} // namespace engine
