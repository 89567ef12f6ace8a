#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Frame.h"
#include "core/Image.h"
#include "engine/render/DDSFile.h"
#include "engine/render/EngineSystems.h"
#include "engine/render/RenderableTexture.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderableTextureGL.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/RendererGL.h"
#include "support/RendererWindow.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

using engine::RenderableTexture;
using Format = engine::DDSFile::Format;

void put32(std::string& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char(value >> (8 * i));
}

// A square DXT5 file whose level k is one flat colour with alpha 20 * k, so
// that what GL holds tells which file level it came from.
void writeMarkedDXT5(const std::string& path, int size, int levels) {
    std::string bytes(128, '\0');
    put32(bytes, 0, 0x20534444);
    put32(bytes, 4, 124);
    put32(bytes, 8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000);
    put32(bytes, 12, uint32_t(size));
    put32(bytes, 16, uint32_t(size));
    put32(bytes, 28, uint32_t(levels));
    put32(bytes, 80, 0x4);
    put32(bytes, 84, 0x35545844);  // "DXT5"
    for (int level = 0, side = size; level < levels; ++level, side = std::max(side / 2, 1)) {
        char block[16] = {char(20 * level), char(20 * level), 0, 0, 0, 0, 0, 0, char(0xFF), char(0xFF)};
        for (int i = 0; i < ((side + 3) / 4) * ((side + 3) / 4); ++i)
            bytes.append(block, sizeof block);
    }
    TempDirectory::write(path, bytes);
}

core::Image gradient(int width, int height) {
    core::Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, {uint8_t(x * 255 / width), uint8_t(y * 255 / height), 128, uint8_t(255 - x)});
    return image;
}

// What GL reports for a plain 32-bit load: immutable storage (where the
// driver offers views) holds the sized format the unsized one stands for.
GLint plainFormat() {
    return engine::TextureGL::viewsSupported() ? GL_RGBA8 : GL_RGBA;
}

std::string loadError(const std::string& name) {
    try {
        std::unique_ptr<RenderableTexture> texture(engine::loadTexture(name, 0, false));
        return "";
    } catch (const core::Exception& e) {
        return e.getMessage();
    }
}

GLint parameter(GLenum name) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint levelParameter(int level, GLenum name) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

// Binds the GL texture behind a texture and gives it.
engine::TextureGL& bound(RenderableTexture* texture) {
    auto* gl = dynamic_cast<engine::RenderableTextureGL*>(texture);
    EXPECT_NE(gl, nullptr);
    gl->texture()->bind();
    return *gl->texture();
}

// Engine systems on a window, in a fresh working folder.
class TextureGLWindow : public test::RendererWindow {
protected:
    void SetUp() override {
        RendererWindow::SetUp();
        if (m_systems)
            m_renderer = m_systems->renderer();
    }

    TempDirectory m_folder;
    engine::Renderer* m_renderer = nullptr;
};

TEST_F(TextureGLWindow, SkippingLevelsNeedsSixtyFourPixelsAndThreeLevels) {
    struct {
        int size, levels, skip;
        int width, glLevels, firstFileLevel;
    } cases[] = {
        {512, 10, 2, 128, 8, 2},
        {32, 6, 1, 32, 6, 0},
        {64, 2, 1, 64, 2, 0},
        {64, 7, 9, 1, 1, 6},  // a skip past the chain keeps the last level
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        std::string name = "marked" + std::to_string(c.size) + "_" + std::to_string(c.levels) + ".dds";
        writeMarkedDXT5(name, c.size, c.levels);
        std::unique_ptr<RenderableTexture> texture(engine::loadTexture(name, c.skip, false));
        EXPECT_EQ(texture->getName(), name);
        EXPECT_EQ(texture->getWidth(), c.width);
        EXPECT_EQ(texture->getHeight(), c.width);
        EXPECT_EQ(bound(texture.get()).levels(), c.glLevels);
        EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), c.glLevels < 2 ? GL_LINEAR : GL_LINEAR_MIPMAP_NEAREST);
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), GL_COMPRESSED_RGBA_S3TC_DXT5_EXT);
        for (int level = 0; level < c.glLevels; ++level) {
            int side = std::max(c.width >> level, 1);
            ASSERT_EQ(levelParameter(level, GL_TEXTURE_WIDTH), side);
            std::vector<uint8_t> pixels(size_t(side) * side * 4);
            glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
            EXPECT_EQ(pixels[3], 20 * (c.firstFileLevel + level)) << "level " << level;
        }
    }
}

TEST_F(TextureGLWindow, WrittenFilesLoadIntoGLWithTheirPixels) {
    core::Image image = gradient(32, 16);
    struct {
        Format format;
        GLint internalFormat;
        int tolerance;
    } cases[] = {
        {Format::A8R8G8B8, plainFormat(), 0},
        {Format::DXT1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 24},
        {Format::DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.format));
        std::string name = "written" + std::to_string(int(c.format)) + ".dds";
        engine::writeDDS(name, image, c.format);
        std::unique_ptr<RenderableTexture> texture(engine::loadTexture(name, 0, false));
        engine::TextureGL& gl = bound(texture.get());
        EXPECT_EQ(gl.levels(), 6);
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), c.internalFormat);
        EXPECT_EQ(levelParameter(5, GL_TEXTURE_WIDTH), 1);

        std::vector<uint8_t> pixels(image.dataSize());
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
        int worst = 0;
        for (size_t i = 0; i < pixels.size(); ++i)
            if (c.format != Format::DXT1 || i % 4 != 3)
                worst = std::max(worst, std::abs(int(pixels[i]) - int(image.data()[i])));
        EXPECT_LE(worst, c.tolerance);
    }
}

// Files without a mip chain, as many tools write them: the level-count flag
// clear, or a count of 0. Each is its top level, drawn with its colour.
TEST_F(TextureGLWindow, FilesWithoutAMipChainDrawTheirOneLevel) {
    core::Image flat(8, 8);
    const core::Image::Rgba colour{200, 60, 30, 255};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            flat.setPixel(x, y, colour);
    struct {
        const char* how;
        uint32_t flags, levels;
    } layouts[] = {{"unflagged", 0x1 | 0x2 | 0x4 | 0x1000, 4}, {"count 0", 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000, 0}};
    for (Format format : {Format::A8R8G8B8, Format::DXT1, Format::DXT5}) {
        for (const auto& layout : layouts) {
            SCOPED_TRACE(testing::Message() << int(format) << " " << layout.how);
            engine::writeDDS("chain.dds", flat, format);
            std::string bytes = core::readFile("chain.dds");
            put32(bytes, 8, layout.flags);
            put32(bytes, 28, layout.levels);
            std::string name = "single" + std::to_string(int(format)) + "_" + std::to_string(layout.levels) + ".dds";
            TempDirectory::write(name, bytes);

            std::unique_ptr<RenderableTexture> texture(engine::loadTexture(name, 1, false));
            EXPECT_EQ(bound(texture.get()).levels(), 1);
            EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
            m_renderer->beginRender();
            m_renderer->drawFullScreen(texture.get());
            m_renderer->saveScreenShot("single.png");
            m_renderer->endRender();
            core::Image::Rgba got = core::Image::load("single.png").getPixel(Width / 2, Height / 2);
            EXPECT_NEAR(got.red, colour.red, 6);
            EXPECT_NEAR(got.green, colour.green, 6);
            EXPECT_NEAR(got.blue, colour.blue, 6);
        }
    }
}

TEST_F(TextureGLWindow, SrgbLoadsUseTheSrgbFormats) {
    engine::writeDDS("srgb.dds", gradient(4, 4), Format::DXT1);
    engine::writeDDS("srgb32.dds", gradient(4, 4), Format::A8R8G8B8);
    std::unique_ptr<RenderableTexture> compressed(engine::loadTexture("srgb.dds", 0, true));
    bound(compressed.get());
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT);
    std::unique_ptr<RenderableTexture> plain(engine::loadTexture("srgb32.dds", 0, true));
    bound(plain.get());
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT),
              engine::TextureGL::viewsSupported() ? GL_SRGB8_ALPHA8 : GL_SRGB_ALPHA);
}

TEST_F(TextureGLWindow, OneNameLoadsOnceAndTheListForgetsDestroyedTextures) {
    engine::writeDDS("once.dds", gradient(64, 64), Format::DXT1);
    RenderableTexture* first = engine::loadTexture("once.dds", 0, false);
    EXPECT_EQ(engine::loadTexture("once.dds", 3, true), first);
    EXPECT_EQ(first->getWidth(), 64);
    EXPECT_EQ(engine::findTexture("once.dds"), first);
    EXPECT_EQ(engine::findTexture("ONCE.dds"), nullptr);
    delete first;
    EXPECT_EQ(engine::findTexture("once.dds"), nullptr);
}

TEST_F(TextureGLWindow, FailedLoadsSayWhyAndLeaveNothingBehind) {
    engine::writeDDS("good.dds", gradient(8, 8), Format::DXT5);
    std::string dds = core::readFile("good.dds");
    std::string cube = dds, dxt2 = dds;
    put32(cube, 112, 0x200 | 0xFC00);
    put32(dxt2, 84, 0x32545844);
    TempDirectory::write("cube.dds", cube);
    TempDirectory::write("dxt2.dds", dxt2);
    TempDirectory::write("text.dds", "no texture");

    struct {
        const char* name;
        const char* message;
    } cases[] = {
        {"cube.dds", "Unsupported dds texture type"},
        {"dxt2.dds", "Unsupported texture format in file dxt2.dds"},
        {"text.dds", "Not a valid DDS file: text.dds"},
        {"missing.dds", "File not found: missing.dds"},
        {"picture.gif", "Could not find asset processor for file: picture.gif"},
        {"picture.TGA", "Could not find asset processor for file: picture.TGA"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(loadError(c.name), c.message);
        EXPECT_EQ(engine::findTexture(c.name), nullptr) << c.name;
    }
}

TEST_F(TextureGLWindow, TgaSourcesConvertToDdsOnFirstLoad) {
    gradient(16, 16).save("source.tga", true);
    std::unique_ptr<RenderableTexture> texture(engine::loadTexture("source.tga", 0, false));
    EXPECT_EQ(texture->getName(), "source.tga");
    EXPECT_EQ(texture->getWidth(), 16);
    EXPECT_EQ(core::fileDate("source.dds"), core::fileDate("source.tga"));
    bound(texture.get());
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), plainFormat());
}

TEST_F(TextureGLWindow, ImagesBecomeMipmappedTextures) {
    core::Image image = gradient(8, 2);
    std::unique_ptr<RenderableTexture> texture(engine::createTexture(image));
    EXPECT_EQ(texture->getName(), "");
    EXPECT_EQ(engine::findTexture(""), nullptr);
    engine::TextureGL& gl = bound(texture.get());
    EXPECT_EQ(gl.levels(), 4);
    EXPECT_EQ(levelParameter(3, GL_TEXTURE_WIDTH), 1);
    std::vector<uint8_t> pixels(image.dataSize());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    EXPECT_EQ(0, memcmp(pixels.data(), image.data(), pixels.size()));
}

TEST_F(TextureGLWindow, SamplerStatesFallBackForOneLevelAndSetAnisotropy) {
    float maxAnisotropy = static_cast<engine::RendererGL*>(m_renderer)->context()->maxAnisotropy();
    engine::Texture2DGL single(4, 4, 1, GL_RGBA8, GL_LINEAR, GL_LINEAR, GL_REPEAT);
    engine::Texture2DGL chain(4, 4, 3, GL_RGBA8, GL_LINEAR, GL_LINEAR, GL_REPEAT);
    struct {
        const engine::TextureGL* texture;
        int filter;
        GLint min, mag;
        bool anisotropic;
    } cases[] = {
        {&single, 2, GL_NEAREST, GL_NEAREST, false},
        {&single, 3, GL_LINEAR, GL_LINEAR, false},
        {&single, 5, GL_LINEAR, GL_LINEAR, false},
        {&chain, 0, GL_NEAREST, GL_NEAREST, false},
        {&chain, 2, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, false},
        {&chain, 3, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR, false},
        {&chain, 4, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, false},
        {&chain, 5, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.texture->levels() << " levels, filter " << c.filter);
        c.texture->bind();
        engine::applySamplerState(*c.texture, c.filter, 1, maxAnisotropy);
        EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), c.min);
        EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), c.mag);
        EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
        if (maxAnisotropy > 0) {
            GLfloat anisotropy = 0;
            glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
            EXPECT_EQ(anisotropy, c.anisotropic ? maxAnisotropy : 1.0f);
        }
    }
    // -1 leaves the filter alone and still sets the address mode.
    engine::applySamplerState(chain, -1, 0, maxAnisotropy);
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
}

TEST_F(TextureGLWindow, CubeMapsHaveSixClampedFaces) {
    engine::TextureCubeGL cube(16, 1, GL_RGBA8);
    EXPECT_EQ(cube.target(), unsigned(GL_TEXTURE_CUBE_MAP));
    for (int face = 0; face < 6; ++face) {
        GLint width = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, 16) << face;
    }
    GLint wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, &wrap);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
}

TEST_F(TextureGLWindow, TemporaryRenderBuffersComeFromThePool) {
    RenderableTexture* first = m_renderer->getTemporaryRenderBuffer(256, 256);
    RenderableTexture* second = m_renderer->getTemporaryRenderBuffer(256, 256);
    EXPECT_NE(first, second);
    bound(first);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA16F);
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);

    m_renderer->releaseRenderBuffer(second);
    EXPECT_EQ(m_renderer->getTemporaryRenderBuffer(128, 256)->getWidth(), 128);
    EXPECT_EQ(m_renderer->getTemporaryRenderBuffer(256, 256), second);
    EXPECT_NE(m_renderer->getTemporaryRenderBuffer(256, 256), first);

    // The end of a frame puts every buffer in use back.
    m_renderer->beginRender();
    m_renderer->endRender();
    RenderableTexture* again = m_renderer->getTemporaryRenderBuffer(256, 256);
    EXPECT_TRUE(again == first || again == second);
}

TEST_F(TextureGLWindow, ScreenShotsHoldTheFrame) {
    m_renderer->clearColor = {200, 100, 50, 255};
    m_renderer->beginRender();
    // GL counts rows from the bottom: the upper half of the picture in another colour.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, Height / 2, Width, Height / 2);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    m_renderer->saveScreenShot("shot.png");
    m_renderer->endRender();
    core::Image shot = core::Image::load("shot.png");
    ASSERT_EQ(shot.getWidth(), Width);
    ASSERT_EQ(shot.getHeight(), Height);
    // Image rows run top down: the green upper half comes first.
    for (auto [x, y] : {std::pair{0, Height / 2}, {Width - 1, Height - 1}, {10, Height - 8}})
        EXPECT_EQ(shot.getPixel(x, y), (core::Image::Rgba{200, 100, 50, 255})) << x << ", " << y;
    for (auto [x, y] : {std::pair{0, 0}, {Width - 1, Height / 2 - 1}})
        EXPECT_EQ(shot.getPixel(x, y), (core::Image::Rgba{0, 255, 0, 255})) << x << ", " << y;
}

} // namespace
