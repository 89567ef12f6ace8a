#pragma once

// A thin object layer over Direct3D 9: the library is loaded at run time, the
// one device is owned here, every failed call becomes an exception naming the
// operation and the error, and default-pool resources survive device loss by
// registering as device-lost handlers.

#include "core/Exception.h"

#include <d3d9.h>

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

    IDirect3DDevice9* get() const { return device_; }
    const D3DCAPS9& caps() const { return caps_; }
    const D3DPRESENT_PARAMETERS& presentParameters() const { return params_; }
    bool isLost() const { return lost_; }

    void clear(const unsigned char rgba[4], int flags);
    void setViewport(int x, int y, int width, int height);
    void setRenderTarget(int index); // the device's back buffer
    void setRenderTarget(int index, IDirect3DSurface9* surface);
    void setScissorRect(int left, int top, int right, int bottom);
    void drawPrimitive(D3DPRIMITIVETYPE type, int first, int count);
    void drawIndexedPrimitive(D3DPRIMITIVETYPE type, int base, int min, int count, int start, int primitives);

    void present(const RECT* source = nullptr, const RECT* destination = nullptr, HWND window = nullptr);
    // True when the device can render; a lost device is released once, and
    // reset when the system allows it.
    bool testCooperativeLevel();

    void registerHandler(DeviceLostHandler* handler);
    void unregisterHandler(DeviceLostHandler* handler);

private:
    void lose();
    void restore();
    void unbindAll();

    IDirect3DDevice9* device_ = nullptr;
    IDirect3DSurface9* depthSurface_ = nullptr;
    D3DCAPS9 caps_ = {};
    D3DPRESENT_PARAMETERS params_ = {};
    std::vector<DeviceLostHandler*> handlers_;
    bool lost_ = false;
};

} // namespace d3d
