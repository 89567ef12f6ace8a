#pragma once

// A thin object layer over Direct3D 9: the library is loaded at run time, the
// one device is owned here, every failed call becomes an exception naming the
// operation and the error, and default-pool resources survive device loss by
// registering as device-lost handlers.

#include "core/Exception.h"

#include <d3d9.h>
// windows.h would rename the drawing state of engine/draw to DrawStateW.
#undef DrawState

#include <cstdint>
#include <utility>
#include <vector>

namespace d3d {

class Exception : public core::Exception {
protected:
    Exception() = default;
};

class Exception_Direct3DNotFound : public Exception {
public:
    Exception_Direct3DNotFound();
};

class Exception_Direct3DInvalid : public Exception {
public:
    Exception_Direct3DInvalid();
};

class Exception_Direct3DCreateFailed : public Exception {
public:
    Exception_Direct3DCreateFailed();
};

class Exception_D3DError : public Exception {
public:
    Exception_D3DError(const char* operation, HRESULT result);
};

// The standard name of a Direct3D result code ("D3DERR_DEVICELOST", ...).
const char* errorName(HRESULT result);

// The Direct3D format's enumerator name, or "<unknown d3d format>".
const char* formatName(D3DFORMAT format);

class Direct3D {
public:
    Direct3D();
    virtual ~Direct3D();
    Direct3D(const Direct3D&) = delete;
    Direct3D& operator=(const Direct3D&) = delete;

    // Every display mode of adapter 0 in X8R8G8B8, without duplicates, sorted
    // by width then height; pairs already in the list are kept.
    virtual void enumerateResolutions(std::vector<std::pair<int, int>>& list);

    IDirect3D9* get() const { return d3d_; }

    static Direct3D* instance();

private:
    HMODULE module_ = nullptr;
    IDirect3D9* d3d_ = nullptr;
};

// The first of the zero-terminated candidates that adapter 0 supports as a
// texture of the given usage; a core::Exception naming them all otherwise.
D3DFORMAT chooseRenderTargetFormat(const D3DFORMAT* candidates, DWORD usage);

class SwapChain;
class DepthBuffer;
class Texture2D;
class TextureCube;
class VertexBuffer;
class IndexBuffer;
class VertexDeclaration;

class DeviceLostHandler {
public:
    virtual ~DeviceLostHandler() = default;
    virtual void onDeviceReset() = 0;
    virtual void onDeviceLost() = 0;
};

class Device {
public:
    enum Flags {
        Windowed = 1,
        VerticalSync = 2,
        PreserveFPU = 4,
        TripleBuffering = 8,
        AutoDepthBuffer = 16,
    };
    enum ClearFlags { ClearTarget = 1, ClearDepth = 2, ClearStencil = 4 };

    Device(HWND window, int width, int height, D3DMULTISAMPLE_TYPE multisample, int flags);
    virtual ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    static Device* current();
    // A number for the live device, 0 without one: resources made on an
    // earlier device must not release their interfaces through a new one.
    static uint64_t liveGeneration();

    IDirect3DDevice9* get() const { return device_; }
    const D3DCAPS9& caps() const { return caps_; }
    const D3DPRESENT_PARAMETERS& presentParameters() const { return params_; }
    bool isLost() const { return lost_; }

    void clear(const unsigned char rgba[4], int flags);
    void setViewport(int x, int y, int width, int height);
    void setRenderTarget(int index); // the device's back buffer
    void setRenderTarget(int index, IDirect3DSurface9* surface);
    // Null is the device's back buffer.
    void setRenderTarget(int index, SwapChain* chain);
    void setRenderTarget(int index, Texture2D& texture, int level = 0);
    void setRenderTarget(int index, TextureCube& texture, D3DCUBEMAP_FACES face, int level = 0);
    // Null restores the device's own depth-stencil surface.
    void setDepthBuffer(DepthBuffer* buffer);
    void setScissorRect(int left, int top, int right, int bottom);
    void drawPrimitive(D3DPRIMITIVETYPE type, int first, int count);
    void drawIndexedPrimitive(D3DPRIMITIVETYPE type, int base, int min, int count, int start, int primitives);

    void present(const RECT* source = nullptr, const RECT* destination = nullptr, HWND window = nullptr);
    // The swap chain's back buffer to its window; a lost device is released, not an error.
    void present(SwapChain& chain, const RECT* source = nullptr, const RECT* destination = nullptr,
                 HWND window = nullptr);

    void setRenderState(D3DRENDERSTATETYPE state, DWORD value) { device_->SetRenderState(state, value); }
    void setSamplerState(int sampler, D3DSAMPLERSTATETYPE state, DWORD value)
    {
        device_->SetSamplerState(DWORD(sampler), state, value);
    }
    void setTexture(int sampler, IDirect3DBaseTexture9* texture) { device_->SetTexture(DWORD(sampler), texture); }
    void setStreamSource(int stream, VertexBuffer* buffer, int offset, int stride);
    void setIndices(IndexBuffer* buffer);
    void setVertexDeclaration(VertexDeclaration* declaration);
    void setVertexShader(IDirect3DVertexShader9* shader) { device_->SetVertexShader(shader); }
    void setPixelShader(IDirect3DPixelShader9* shader) { device_->SetPixelShader(shader); }
    void setVertexShaderConstantF(int start, const float* values, int registers)
    {
        device_->SetVertexShaderConstantF(UINT(start), values, UINT(registers));
    }
    void setPixelShaderConstantF(int start, const float* values, int registers)
    {
        device_->SetPixelShaderConstantF(UINT(start), values, UINT(registers));
    }
    // True when the device can render; a lost device is released once, and
    // reset when the system allows it.
    bool testCooperativeLevel();
    // Resets a working device at once, with a new back buffer size when one
    // is given (0 keeps it): every handler is released and made again, as
    // after a loss. False when the device was lost on the way.
    bool reset(int width = 0, int height = 0);

    void registerHandler(DeviceLostHandler* handler);
    void unregisterHandler(DeviceLostHandler* handler);

private:
    void lose();
    void restore();
    // Reset with the kept parameters, after lose(); see testCooperativeLevel.
    bool resetLost();
    void unbindAll();
    void setDefaultStates();

    IDirect3DDevice9* device_ = nullptr;
    IDirect3DSurface9* depthSurface_ = nullptr;
    D3DCAPS9 caps_ = {};
    D3DPRESENT_PARAMETERS params_ = {};
    std::vector<DeviceLostHandler*> handlers_;
    bool lost_ = false;
};

} // namespace d3d
