#pragma once

// A custom surface shader. Materials hold one by counted reference; the
// programs themselves belong to the renderer that compiles them.

namespace engine {

class RenderableShader {
public:
    virtual ~RenderableShader() = default;
};

} // namespace engine
