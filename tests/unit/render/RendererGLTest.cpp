#include "core/Exception.h"
#include "core/Frame.h"
#include "engine/physics/PhysicsNull.h"
#include "engine/render/EngineSystems.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLHeaders.h"
#include "support/RendererWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

TEST(GLChecks, ExtensionTestMatchesOnlyAWholeFirstOccurrence) {
    const char* const name = "GL_EXT_texture_filter_anisotropic";
    struct Case {
        const char* extensions;
        bool found;
    } cases[] = {
        {"GL_EXT_texture_filter_anisotropic", true},
        {"GL_A GL_EXT_texture_filter_anisotropic GL_B", true},
        {"GL_A GL_EXT_texture_filter_anisotropic", true},
        {"GL_A GL_B", false},
        {"", false},
        {"XGL_EXT_texture_filter_anisotropic", false},
        // A longer name first hides the exact one after it.
        {"GL_EXT_texture_filter_anisotropic2 GL_EXT_texture_filter_anisotropic", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(engine::hasExtension(name, c.extensions), c.found) << c.extensions;
}

TEST(GLChecks, ErrorNames) {
    EXPECT_STREQ(engine::glErrorName(0x0500), "GL_INVALID_ENUM");
    EXPECT_STREQ(engine::glErrorName(0x0502), "GL_INVALID_OPERATION");
    EXPECT_STREQ(engine::glErrorName(0x0505), "GL_OUT_OF_MEMORY");
    EXPECT_STREQ(engine::glErrorName(0x0506), "unknown error");
}

TEST(Renderer, ResolutionsDropLowDepthsAndDuplicatesAndSortByWidthThenHeight) {
    std::vector<core::DisplayMode> modes = {
        {1024, 768, 32}, {800, 600, 32}, {1024, 600, 16}, {1024, 768, 16}, {640, 480, 8}, {800, 600, 15},
    };
    std::vector<engine::Resolution> expected = {{800, 600}, {1024, 600}, {1024, 768}};
    EXPECT_EQ(engine::resolutionsOf(modes), expected);
}

class RendererGLWindow : public test::RendererWindow {};

TEST_F(RendererGLWindow, BeginRenderClearsTheBackBufferToTheClearColour) {
    engine::Renderer* renderer = m_systems->renderer();
    EXPECT_EQ(engine::Renderer::current(), renderer);
    renderer->clearColor = {255, 128, 0, 255};
    engine::renderStats().drawSegments = 7;
    renderer->beginRender();
    EXPECT_EQ(engine::renderStats().drawSegments, 0);

    unsigned char pixel[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(160, 120, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[1], 128);
    EXPECT_EQ(pixel[2], 0);
    renderer->endRender();
}

TEST_F(RendererGLWindow, GLErrorsBecomeExceptionsWithTheCallName) {
    glEnable(0xFFFF);
    try {
        engine::checkGLError("glEnable");
        FAIL() << "no exception";
    } catch (const core::Exception& e) {
        EXPECT_STREQ(e.getMessage(), "GL error: glEnable failed (GL_INVALID_ENUM 0x0500)");
    }
    EXPECT_NO_THROW(engine::checkGLError("glEnable"));
}

TEST_F(RendererGLWindow, EngineSystemsMakeNullPhysicsAndAudio) {
    EXPECT_NE(dynamic_cast<engine::PhysicsEngineNull*>(m_systems->physicsEngine()), nullptr);
    EXPECT_NE(dynamic_cast<engine::AudioEngineNull*>(m_systems->audioEngine()), nullptr);
    EXPECT_EQ(engine::AudioEngine::current(), m_systems->audioEngine());
    engine::EngineSystems::destroy();
    EXPECT_EQ(engine::Renderer::current(), nullptr);
    EXPECT_EQ(engine::AudioEngine::current(), nullptr);
    EXPECT_EQ(engine::PhysicsEngine::current(), nullptr);
}

} // namespace
