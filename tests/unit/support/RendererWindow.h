#pragma once

// A window with engine systems on it, or a skip when there is no display.
// Fixtures built on it must have "Window" in their name: they take the display lock.

#include "core/Exception.h"
#include "core/Frame.h"
#include "engine/render/EngineSystems.h"

#include <gtest/gtest.h>

#include <memory>

namespace test {

class RendererWindow : public testing::Test {
protected:
    static constexpr int Width = 320;
    static constexpr int Height = 240;

    void SetUp() override { open(Width, Height); }

    // Opens the window and the engine systems at that render size.
    void open(int width, int height) {
        core::Frame::Options options;
        options.width = width;
        options.height = height;
        options.title = "renderer-gl-test";
        try {
            m_frame = std::make_unique<core::Frame>(options);
        } catch (const core::Exception& e) {
            GTEST_SKIP() << "no window: " << e.getMessage();
        }
        engine::EngineOptions engineOptions;
        engineOptions.settings.renderEngine = renderEngine;
        engineOptions.settings.window = &m_frame->window();
        engineOptions.settings.width = width;
        engineOptions.settings.height = height;
        engineOptions.settings.notebookMode = notebookMode;
        try {
            m_systems = engine::EngineSystems::create(engineOptions);
        } catch (const core::Exception& e) {
            FAIL() << "no engine systems: " << e.getMessage();
        }
    }

    void TearDown() override {
        engine::EngineSystems::destroy();
        m_frame.reset();
        core::Frame::forgetMainFrame();
    }

    // Set before SetUp for the forward renderer of notebook mode.
    bool notebookMode = false;
    // Set before SetUp for another backend.
    engine::RenderEngineKind renderEngine = engine::RenderEngineKind::OpenGL;
    std::unique_ptr<core::Frame> m_frame;
    engine::EngineSystems* m_systems = nullptr;
};

} // namespace test
