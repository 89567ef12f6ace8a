#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Image.h"
#include "engine/assets/Material.h"
#include "engine/render/BuiltinShaders.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderableShaderGL.h"
#include "engine/render/gl/RenderableTextureGL.h"
#include "engine/render/gl/RendererGL.h"
#include "support/RendererWindow.h"
#include "support/TempDirectory.h"
#include "support/ExceptionMessage.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

namespace {

using engine::prepareShaderSource;

TEST(ShaderSource, DefinesGoAfterTheVersionLineOrAtTheStart) {
    struct Case {
        const char* source;
        std::vector<std::string> defines;
        const char* expected;
    } cases[] = {
        {"#version 120\nvoid main() {}\n", {"A", "B"}, "#version 120\n#define A 1\n#define B 1\nvoid main() {}\n"},
        {"void main() {}\n", {"A"}, "#define A 1\nvoid main() {}\n"},
        // Only the first "#version" counts; a last line without its line feed takes them at the end.
        {"// x\n#version 120", {"A"}, "// x\n#version 120#define A 1\n"},
        {"#version 120\r\nvoid main()\r\n{}\r\n", {"A"}, "#version 120\n#define A 1\nvoid main()\n{}\n"},
        {"a\r\nb\r", {}, "a\nb"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(prepareShaderSource(c.source, c.defines), c.expected) << c.source;
}

// The shipped set is built in, byte for byte, behind the file systems: a
// game's own file of the same path wins, and other paths are not invented.
TEST(BuiltinShaders, FillInForShaderFilesTheGameDoesNotHave) {
    TempDirectory dir;
    const char* const path = "shaders/gl/PostProcess.fsh";
    std::string shipped = core::readFile(std::string(QUILL_DATA_DIR) + "/" + path);
    EXPECT_EQ(engine::readShaderFile(path), shipped);
    EXPECT_TRUE(engine::shaderFileExists(path));
    int count = 0;
    for (const engine::BuiltinShader* shader = engine::builtinShaders; shader->path; ++shader, ++count)
        EXPECT_EQ(std::string(shader->source, shader->size),
                  core::readFile(std::string(QUILL_DATA_DIR) + "/" + shader->path)) << shader->path;
    EXPECT_GE(count, 30);

    core::createPath("shaders/gl");
    TempDirectory::write(path, "// the game's own\n");
    EXPECT_EQ(engine::readShaderFile(path), "// the game's own\n");

    for (const char* other : {"shaders/gl/Missing.fsh", "Shaders/gl/Mesh.vsh", "PostProcess.fsh"}) {
        EXPECT_FALSE(engine::shaderFileExists(other)) << other;
        EXPECT_THROW(engine::readShaderFile(other), core::FileNotFoundException) << other;
    }
}

// The renderer finds the shipped shader files through a search path.
class ShaderWindow : public test::RendererWindow {
protected:
    void SetUp() override {
        core::addSearchPath(QUILL_DATA_DIR);
        test::RendererWindow::SetUp();
    }
    void TearDown() override {
        test::RendererWindow::TearDown();
        core::removeSearchPath(QUILL_DATA_DIR);
    }
    engine::RendererGL& renderer() { return static_cast<engine::RendererGL&>(*m_systems->renderer()); }

};

const char* const RequiresDefine = "#version 120\n#ifndef WANTED\n#error missing define\n#endif\nvoid main() { gl_FragColor = vec4(1.0); }\n";

TEST_F(ShaderWindow, CompilesWithDefinesAndWindowsLineEnds) {
    TempDirectory dir;
    std::string windows = RequiresDefine;
    for (size_t at = windows.find('\n'); at != std::string::npos; at = windows.find('\n', at + 2))
        windows.insert(at, "\r");
    TempDirectory::write("windows.fsh", windows);
    unsigned shader = engine::loadShader("windows.fsh", GL_FRAGMENT_SHADER, {"WANTED"});
    EXPECT_NE(shader, 0u);
    engine::gl().glDeleteShader(shader);

    // Without the define the same source stops at its #error, with the compiler's log.
    std::string message = messageOf([] { engine::loadShader("windows.fsh", GL_FRAGMENT_SHADER); });
    EXPECT_EQ(message.rfind("Failed to compile shader windows.fsh\n", 0), 0u) << message;
    EXPECT_NE(message.find("missing define"), std::string::npos) << message;
    EXPECT_EQ(messageOf([] { engine::compileShader("oops", GL_VERTEX_SHADER, {}, ""); }).rfind(
                  "Failed to compile shader <string>\n", 0),
              0u);
}

TEST_F(ShaderWindow, MissingFilesAndLinkErrorsRaiseTheirMessages) {
    TempDirectory dir;
    EXPECT_EQ(messageOf([] { engine::loadShader("nowhere.vsh", GL_VERTEX_SHADER); }),
              "Failed to load shader file nowhere.vsh");

    // The fragment stage reads a varying the vertex stage never writes.
    TempDirectory::write("plain.vsh", "#version 120\nvoid main() { gl_Position = vec4(0.0); }\n");
    TempDirectory::write("needs.fsh",
                               "#version 120\nvarying vec3 fromVertex;\nvoid main() { gl_FragColor = vec4(fromVertex, 1.0); }\n");
    std::string message = messageOf([] { engine::programFromFiles("plain.vsh", "needs.fsh"); });
    EXPECT_EQ(message.rfind("Failed to link shader program\n", 0), 0u) << message;
    EXPECT_GT(message.size(), std::string("Failed to link shader program\n").size()) << message;
}

TEST_F(ShaderWindow, LinkingBindsTheFixedAttributesAndReadsTheStandardUniforms) {
    TempDirectory dir;
    TempDirectory::write("uses.vsh", "#version 120\nattribute vec3 normal;\nattribute vec2 texcoord;\n"
                                           "uniform mat4 modelViewProj;\nuniform float opacity;\nvarying vec2 t;\n"
                                           "void main() { gl_Position = modelViewProj * vec4(normal, opacity); t = texcoord; }\n");
    TempDirectory::write("uses.fsh", "#version 120\nuniform sampler2D diffuseMap;\nvarying vec2 t;\n"
                                           "void main() { gl_FragColor = texture2D(diffuseMap, t); }\n");
    auto program = engine::programFromFiles("uses.vsh", "uses.fsh");
    EXPECT_EQ(engine::gl().glGetAttribLocation(program->program(), "normal"), 1);
    EXPECT_EQ(engine::gl().glGetAttribLocation(program->program(), "texcoord"), 4);
    EXPECT_GE(program->location(engine::UniformModelViewProj), 0);
    EXPECT_GE(program->location(engine::UniformOpacity), 0);
    EXPECT_GE(program->location(engine::UniformDiffuseMap), 0);
    EXPECT_EQ(program->location(engine::UniformModelView), -1);
    EXPECT_EQ(program->location(engine::UniformLightColor), -1);
}

TEST_F(ShaderWindow, TheDefaultSurfaceShaderFillsEverySlotOfItsTable) {
    engine::RenderResourcesGL* resources = engine::renderResourcesGL();
    ASSERT_NE(resources, nullptr);
    ASSERT_TRUE(resources->surfaceShader);
    const std::set<int> filled = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 16, 17, 32, 33, 36, 37};
    for (int slot = 0; slot < engine::RenderableShaderGL::SlotCount; ++slot)
        EXPECT_EQ(resources->surfaceShader->program(slot) != nullptr, filled.count(slot) == 1) << slot;
    // Skinned programs see the bone array; normal-mapped ones the normal map.
    EXPECT_GE(resources->surfaceShader->program(1)->location(engine::UniformSkinningMatrices), 0);
    EXPECT_EQ(resources->surfaceShader->program(0)->location(engine::UniformSkinningMatrices), -1);
    EXPECT_GE(resources->surfaceShader->program(2)->location(engine::UniformNormalMap), 0);

    ASSERT_TRUE(resources->postProcessShader);
    EXPECT_NE(resources->postProcessShader->program(0), nullptr);
    ASSERT_TRUE(resources->postProcessMaterial);
    EXPECT_EQ(resources->postProcessMaterial->shader.get(), resources->postProcessShader.get());
    EXPECT_EQ(resources->whiteTexture->getWidth(), 1);
    EXPECT_EQ(resources->flatNormalTexture->getHeight(), 1);
}

TEST_F(ShaderWindow, ATextureDrawnThroughThePostProcessShaderReadsBackUnchanged) {
    TempDirectory dir;
    core::Image image(Width, Height);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            image.setPixel(x, y, {uint8_t((x / 8 + y / 8) % 2 * 255), uint8_t(y), uint8_t(x), 255});
        }
    engine::RenderableTextureGL texture;
    texture.createFromImage(image);
    renderer().beginRender();
    renderer().drawFullScreen(&texture);
    renderer().saveScreenShot("shot.png");
    core::Image shot = core::Image::load("shot.png");
    ASSERT_EQ(shot.getWidth(), Width);
    ASSERT_EQ(shot.getHeight(), Height);
    int mismatches = 0;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            core::Image::Rgba want = image.getPixel(x, y);
            // Full-screen passes read textures as GL stores them, render
            // targets included: the first row uploaded is the bottom one.
            core::Image::Rgba got = shot.getPixel(x, Height - 1 - y);
            want.alpha = got.alpha;  // the screenshot has no alpha of its own
            if (!(want == got) && mismatches++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": want " << int(want.red) << " " << int(want.green) << " " << int(want.blue) << " got " << int(got.red) << " " << int(got.green) << " " << int(got.blue);
        }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(ShaderWindow, ParametersSetUniformsAndBindOnlyRealTextures) {
    engine::RenderResourcesGL* resources = engine::renderResourcesGL();
    ASSERT_TRUE(resources && resources->postProcessShader);
    engine::RenderContextGL& context = *renderer().context();
    context.useProgram(resources->postProcessShader->program(0)->program());
    engine::Material material("params");
    material.setParameter("noSuchUniform", 2.0f);
    material.setParameterTexture("noTexture", nullptr);
    material.setParameterTexture("texture", resources->whiteTexture.get());
    engine::applyShaderParameters(context, material);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // The texture-less slot took no unit: the white texture has unit 0.
    EXPECT_EQ(context.takeTextureUnit(), 1);
    GLint bound = 0;
    engine::gl().glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(unsigned(bound), resources->whiteTexture->texture()->name());
    context.useProgram(0);
}

TEST_F(ShaderWindow, SkinningRefusesMoreBonesThanTheArrayHolds) {
    engine::RenderResourcesGL* resources = engine::renderResourcesGL();
    ASSERT_TRUE(resources && resources->surfaceShader);
    engine::ShaderProgramGL& program = *resources->surfaceShader->program(1);
    renderer().context()->useProgram(program.program());
    engine::setSkinningMatrices(program, std::vector<engine::Mat4x3>(64));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(messageOf([&] { engine::setSkinningMatrices(program, std::vector<engine::Mat4x3>(65)); }),
              "Too many bones for skinning (65, at most 64)");
    renderer().context()->useProgram(0);
}

} // namespace
