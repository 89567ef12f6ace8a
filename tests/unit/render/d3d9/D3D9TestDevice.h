#pragma once

// A real Direct3D 9 device on a small window, for tests of what is built on it.
#ifdef _WIN32
#include "engine/render/d3d9/D3DDevice.h"

#include <gtest/gtest.h>

#include <memory>

class D3D9TestDevice : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = CreateWindowExW(0, L"STATIC", L"d3d", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        direct3D_ = std::make_unique<d3d::Direct3D>();
        device_ = std::make_unique<d3d::Device>(window_, 16, 16, D3DMULTISAMPLE_NONE,
                                                d3d::Device::Windowed | d3d::Device::AutoDepthBuffer);
    }
    void TearDown() override {
        device_.reset();
        direct3D_.reset();
        if (window_)
            DestroyWindow(window_);
    }

    // The back buffer's pixel (x, y) as 0xAARRGGBB.
    uint32_t backBufferPixel(int x, int y) {
        IDirect3DDevice9* dev = device_->get();
        IDirect3DSurface9* back = nullptr;
        IDirect3DSurface9* copy = nullptr;
        uint32_t pixel = 0;
        if (dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) == D3D_OK &&
            dev->CreateOffscreenPlainSurface(16, 16, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr) == D3D_OK &&
            dev->GetRenderTargetData(back, copy) == D3D_OK) {
            D3DLOCKED_RECT locked;
            if (copy->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK) {
                pixel = *reinterpret_cast<const uint32_t*>(static_cast<const char*>(locked.pBits) +
                                                            locked.Pitch * y + 4 * x);
                copy->UnlockRect();
            }
        }
        if (copy)
            copy->Release();
        if (back)
            back->Release();
        return pixel;
    }

    HWND window_ = nullptr;
    std::unique_ptr<d3d::Direct3D> direct3D_;
    std::unique_ptr<d3d::Device> device_;
};

#endif
