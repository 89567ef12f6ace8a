#pragma once

// A Direct3D 9 device on a small window of its own, for the device layer's tests.

#include "engine/render/d3d9/D3DDevice.h"

#include <gtest/gtest.h>

#include <memory>

namespace test {

class D3DTestDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_ = CreateWindowExW(0, L"STATIC", L"d3d", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        direct3D_ = std::make_unique<d3d::Direct3D>();
        device_ = std::make_unique<d3d::Device>(window_, 32, 16, D3DMULTISAMPLE_NONE,
                                                d3d::Device::Windowed | d3d::Device::AutoDepthBuffer);
    }
    void TearDown() override
    {
        device_.reset();
        direct3D_.reset();
        if (window_)
            DestroyWindow(window_);
    }

    HWND window_ = nullptr;
    std::unique_ptr<d3d::Direct3D> direct3D_;
    std::unique_ptr<d3d::Device> device_;
};

} // namespace test
