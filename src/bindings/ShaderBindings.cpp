// The script face of engine::RenderableShader: surface and post-process
// shaders made by the current renderer.
#include "bindings/ShaderBindings.h"

#include "bindings/Registration.h"
#include "core/Exception.h"
#include "engine/render/Renderer.h"

#include <memory>

namespace {

using engine::RenderableShader;

std::unique_ptr<RenderableShader> newShader() {
    engine::Renderer* renderer = engine::Renderer::current();
    if (!renderer)
        throw core::Exception("engine not initialized");
    return std::unique_ptr<RenderableShader>(renderer->createRenderableShader());
}

// Missing or nil paths take the renderer's default files.
std::string optPath(lua_State* L, int index) {
    return lua_isnoneornil(L, index) ? std::string() : bind::checkString(L, index);
}

int createSurfaceShader(lua_State* L) {
    std::string paths[5];
    for (int i = 0; i < 5; ++i)
        paths[i] = optPath(L, i + 1);
    std::unique_ptr<RenderableShader> shader = newShader();
    shader->loadSurfaceShader(paths[0], paths[1], paths[2], paths[3], paths[4]);
    bind::pushNew(L, shader.release());
    return 1;
}

int createPostProcessShader(lua_State* L) {
    std::string path = bind::checkString(L, 1);
    std::unique_ptr<RenderableShader> shader = newShader();
    shader->loadPostProcessShader(path);
    bind::pushNew(L, shader.release());
    return 1;
}

} // namespace

void registerRenderableShader(lua_State* L) {
    using bind::guarded;
    bind::registerClass<RenderableShader>(L, nullptr,
                                          {
                                              {"createSurfaceShader", guarded<createSurfaceShader>},
                                              {"createPostProcessShader", guarded<createPostProcessShader>},
                                          });
}
