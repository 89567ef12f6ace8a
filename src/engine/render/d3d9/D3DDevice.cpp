#include "engine/render/d3d9/D3DDevice.h"

#include "core/DebugLog.h"
#include "engine/render/d3d9/D3DResources.h"

#include <algorithm>
#include <string>

namespace d3d {

Exception_Direct3DNotFound::Exception_Direct3DNotFound() { setMessage("Direct3D DLL not found"); }
Exception_Direct3DInvalid::Exception_Direct3DInvalid() { setMessage("Direct3D DLL is invalid"); }
Exception_Direct3DCreateFailed::Exception_Direct3DCreateFailed() { setMessage("Direct3D initialization failed"); }
Exception_D3DError::Exception_D3DError(const char* operation, HRESULT result)
{
    setMessage("D3DError - %s: %s", operation, errorName(result));
}

#define QUILL_NAME(code) \
    case code:           \
        return #code;

const char* errorName(HRESULT result)
{
    switch (result) {
        QUILL_NAME(D3D_OK)
        QUILL_NAME(D3DOK_NOAUTOGEN)
        QUILL_NAME(D3DERR_WRONGTEXTUREFORMAT)
        QUILL_NAME(D3DERR_UNSUPPORTEDCOLOROPERATION)
        QUILL_NAME(D3DERR_UNSUPPORTEDCOLORARG)
        QUILL_NAME(D3DERR_UNSUPPORTEDALPHAOPERATION)
        QUILL_NAME(D3DERR_UNSUPPORTEDALPHAARG)
        QUILL_NAME(D3DERR_TOOMANYOPERATIONS)
        QUILL_NAME(D3DERR_CONFLICTINGTEXTUREFILTER)
        QUILL_NAME(D3DERR_UNSUPPORTEDFACTORVALUE)
        QUILL_NAME(D3DERR_CONFLICTINGRENDERSTATE)
        QUILL_NAME(D3DERR_UNSUPPORTEDTEXTUREFILTER)
        QUILL_NAME(D3DERR_CONFLICTINGTEXTUREPALETTE)
        QUILL_NAME(D3DERR_DRIVERINTERNALERROR)
        QUILL_NAME(D3DERR_NOTFOUND)
        QUILL_NAME(D3DERR_MOREDATA)
        QUILL_NAME(D3DERR_DEVICELOST)
        QUILL_NAME(D3DERR_DEVICENOTRESET)
        QUILL_NAME(D3DERR_NOTAVAILABLE)
        QUILL_NAME(D3DERR_OUTOFVIDEOMEMORY)
        QUILL_NAME(D3DERR_INVALIDDEVICE)
        QUILL_NAME(D3DERR_INVALIDCALL)
        QUILL_NAME(D3DERR_DRIVERINVALIDCALL)
        QUILL_NAME(D3DERR_WASSTILLDRAWING)
        QUILL_NAME(D3DERR_DEVICEREMOVED)
        QUILL_NAME(D3DERR_DEVICEHUNG)
        QUILL_NAME(E_OUTOFMEMORY)
        QUILL_NAME(E_INVALIDARG)
        QUILL_NAME(E_NOTIMPL)
        QUILL_NAME(E_FAIL)
    default:
        return "Unknown";
    }
}

const char* formatName(D3DFORMAT format)
{
    switch (format) {
        QUILL_NAME(D3DFMT_UNKNOWN)
        QUILL_NAME(D3DFMT_R8G8B8)
        QUILL_NAME(D3DFMT_A8R8G8B8)
        QUILL_NAME(D3DFMT_X8R8G8B8)
        QUILL_NAME(D3DFMT_R5G6B5)
        QUILL_NAME(D3DFMT_X1R5G5B5)
        QUILL_NAME(D3DFMT_A1R5G5B5)
        QUILL_NAME(D3DFMT_A4R4G4B4)
        QUILL_NAME(D3DFMT_R3G3B2)
        QUILL_NAME(D3DFMT_A8)
        QUILL_NAME(D3DFMT_A8R3G3B2)
        QUILL_NAME(D3DFMT_X4R4G4B4)
        QUILL_NAME(D3DFMT_A2B10G10R10)
        QUILL_NAME(D3DFMT_A8B8G8R8)
        QUILL_NAME(D3DFMT_X8B8G8R8)
        QUILL_NAME(D3DFMT_G16R16)
        QUILL_NAME(D3DFMT_A2R10G10B10)
        QUILL_NAME(D3DFMT_A16B16G16R16)
        QUILL_NAME(D3DFMT_A8P8)
        QUILL_NAME(D3DFMT_P8)
        QUILL_NAME(D3DFMT_L8)
        QUILL_NAME(D3DFMT_A8L8)
        QUILL_NAME(D3DFMT_A4L4)
        QUILL_NAME(D3DFMT_V8U8)
        QUILL_NAME(D3DFMT_L6V5U5)
        QUILL_NAME(D3DFMT_X8L8V8U8)
        QUILL_NAME(D3DFMT_Q8W8V8U8)
        QUILL_NAME(D3DFMT_V16U16)
        QUILL_NAME(D3DFMT_A2W10V10U10)
        QUILL_NAME(D3DFMT_UYVY)
        QUILL_NAME(D3DFMT_YUY2)
        QUILL_NAME(D3DFMT_DXT1)
        QUILL_NAME(D3DFMT_DXT2)
        QUILL_NAME(D3DFMT_DXT3)
        QUILL_NAME(D3DFMT_DXT4)
        QUILL_NAME(D3DFMT_DXT5)
        QUILL_NAME(D3DFMT_MULTI2_ARGB8)
        QUILL_NAME(D3DFMT_G8R8_G8B8)
        QUILL_NAME(D3DFMT_R8G8_B8G8)
        QUILL_NAME(D3DFMT_D16_LOCKABLE)
        QUILL_NAME(D3DFMT_D32)
        QUILL_NAME(D3DFMT_D15S1)
        QUILL_NAME(D3DFMT_D24S8)
        QUILL_NAME(D3DFMT_D24X8)
        QUILL_NAME(D3DFMT_D24X4S4)
        QUILL_NAME(D3DFMT_D16)
        QUILL_NAME(D3DFMT_L16)
        QUILL_NAME(D3DFMT_D32F_LOCKABLE)
        QUILL_NAME(D3DFMT_D24FS8)
        QUILL_NAME(D3DFMT_D32_LOCKABLE)
        QUILL_NAME(D3DFMT_S8_LOCKABLE)
        QUILL_NAME(D3DFMT_VERTEXDATA)
        QUILL_NAME(D3DFMT_INDEX16)
        QUILL_NAME(D3DFMT_INDEX32)
        QUILL_NAME(D3DFMT_Q16W16V16U16)
        QUILL_NAME(D3DFMT_R16F)
        QUILL_NAME(D3DFMT_G16R16F)
        QUILL_NAME(D3DFMT_A16B16G16R16F)
        QUILL_NAME(D3DFMT_R32F)
        QUILL_NAME(D3DFMT_G32R32F)
        QUILL_NAME(D3DFMT_A32B32G32R32F)
        QUILL_NAME(D3DFMT_A1)
        QUILL_NAME(D3DFMT_A2B10G10R10_XR_BIAS)
        QUILL_NAME(D3DFMT_BINARYBUFFER)
    default:
        return "<unknown d3d format>";
    }
}

#undef QUILL_NAME

namespace {
Direct3D* g_direct3D = nullptr;
Device* g_device = nullptr;
uint64_t g_generation = 0;
uint64_t g_lastGeneration = 0;
} // namespace

Direct3D::Direct3D()
{
    module_ = LoadLibraryW(L"D3D9.DLL");
    if (!module_)
        throw Exception_Direct3DNotFound();
    using Create = IDirect3D9*(WINAPI*)(UINT);
    auto create = reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(module_, "Direct3DCreate9")));
    if (!create) {
        FreeLibrary(module_);
        throw Exception_Direct3DInvalid();
    }
    d3d_ = create(D3D_SDK_VERSION);
    if (!d3d_) {
        FreeLibrary(module_);
        throw Exception_Direct3DCreateFailed();
    }
    g_direct3D = this;
}

Direct3D::~Direct3D()
{
    if (g_direct3D == this)
        g_direct3D = nullptr;
    d3d_->Release();
    FreeLibrary(module_);
}

Direct3D* Direct3D::instance() { return g_direct3D; }

void Direct3D::enumerateResolutions(std::vector<std::pair<int, int>>& list)
{
    UINT count = d3d_->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8);
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode;
        if (FAILED(d3d_->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode)))
            continue;
        std::pair<int, int> size(int(mode.Width), int(mode.Height));
        if (std::find(list.begin(), list.end(), size) == list.end())
            list.push_back(size);
    }
    std::sort(list.begin(), list.end());
}

D3DFORMAT chooseRenderTargetFormat(const D3DFORMAT* candidates, DWORD usage)
{
    IDirect3D9* d3d = Direct3D::instance() ? Direct3D::instance()->get() : nullptr;
    int count = 0;
    for (const D3DFORMAT* f = candidates; *f != D3DFMT_UNKNOWN; ++f, ++count) {
        if (d3d && SUCCEEDED(d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage,
                                                    D3DRTYPE_TEXTURE, *f)))
            return *f;
    }
    std::string names;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            names += i == count - 1 ? " or " : ", ";
        names += formatName(candidates[i]);
    }
    throw core::Exception("No suitable render target format was found (%s required)", names.c_str());
}

Device::Device(HWND window, int width, int height, D3DMULTISAMPLE_TYPE multisample, int flags)
{
    Direct3D* direct3D = Direct3D::instance();
    if (!direct3D)
        throw Exception_Direct3DCreateFailed();
    IDirect3D9* d3d = direct3D->get();
    bool windowed = flags & Windowed;

    params_.BackBufferWidth = UINT(width);
    params_.BackBufferHeight = UINT(height);
    params_.BackBufferFormat = D3DFMT_A8R8G8B8;
    params_.BackBufferCount = (flags & TripleBuffering) && !windowed ? 2 : 1;
    params_.MultiSampleType = multisample;
    params_.MultiSampleQuality = 0;
    params_.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params_.hDeviceWindow = nullptr;
    params_.Windowed = windowed;
    params_.EnableAutoDepthStencil = (flags & AutoDepthBuffer) != 0;
    params_.AutoDepthStencilFormat = D3DFMT_D24S8;
    params_.Flags = 0;
    params_.FullScreen_RefreshRateInHz = 0;
    params_.PresentationInterval = (flags & VerticalSync) ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;

    HRESULT hr = d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps_);
    if (FAILED(hr))
        throw Exception_D3DError("GetDeviceCaps failed", hr);

    DWORD behaviour;
    if (caps_.DevCaps & D3DDEVCAPS_PUREDEVICE)
        behaviour = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
    else if (caps_.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
        behaviour = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    else
        behaviour = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (flags & PreserveFPU)
        behaviour |= D3DCREATE_FPU_PRESERVE;

    if (!windowed) {
        SetWindowLongPtrW(window, GWL_STYLE, WS_POPUP | WS_VISIBLE);
        SetWindowLongPtrW(window, GWL_EXSTYLE, WS_EX_TOPMOST);
    }

    hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, behaviour, &params_, &device_);
    if (FAILED(hr))
        throw Exception_D3DError("CreateDevice failed", hr);
    device_->GetDepthStencilSurface(&depthSurface_);
    hr = device_->GetDeviceCaps(&caps_);
    if (FAILED(hr)) {
        if (depthSurface_)
            depthSurface_->Release();
        device_->Release();
        throw Exception_D3DError("GetDeviceCaps failed", hr);
    }

    setDefaultStates();

    g_device = this;
    g_generation = ++g_lastGeneration;
}

Device::~Device()
{
    // Back to the device's own back buffer; a destructor does not throw.
    IDirect3DSurface9* back = nullptr;
    if (!lost_ && SUCCEEDED(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) {
        device_->SetRenderTarget(0, back);
        back->Release();
    }
    unbindAll();
    if (g_device == this) {
        g_device = nullptr;
        g_generation = 0;
    }
    handlers_.clear();
    if (depthSurface_)
        depthSurface_->Release();
    device_->Release();
}

Device* Device::current() { return g_device; }
uint64_t Device::liveGeneration() { return g_generation; }

// A reset puts every state back to Direct3D's defaults: these are set again then.
void Device::setDefaultStates()
{
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    for (DWORD s = 0; s < 16; ++s)
        device_->SetSamplerState(s, D3DSAMP_MAXANISOTROPY, caps_.MaxAnisotropy);
}

void Device::unbindAll()
{
    for (DWORD i = 0; i < 8; ++i)
        device_->SetTexture(i, nullptr);
    device_->SetStreamSource(0, nullptr, 0, 0);
    device_->SetIndices(nullptr);
}

void Device::clear(const unsigned char rgba[4], int flags)
{
    DWORD d3dFlags = 0;
    if (flags & ClearTarget)
        d3dFlags |= D3DCLEAR_TARGET;
    if (flags & ClearDepth)
        d3dFlags |= D3DCLEAR_ZBUFFER;
    if (flags & ClearStencil)
        d3dFlags |= D3DCLEAR_STENCIL;
    if (!d3dFlags)
        return;
    device_->Clear(0, nullptr, d3dFlags, D3DCOLOR_ARGB(rgba[3], rgba[0], rgba[1], rgba[2]), 1.0f, 0);
}

void Device::setViewport(int x, int y, int width, int height)
{
    D3DVIEWPORT9 vp = {DWORD(x), DWORD(y), DWORD(width), DWORD(height), 0.0f, 1.0f};
    device_->SetViewport(&vp);
}

void Device::setRenderTarget(int index)
{
    IDirect3DSurface9* back = nullptr;
    HRESULT hr = device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    if (FAILED(hr))
        throw Exception_D3DError("GetBackBuffer failed", hr);
    hr = device_->SetRenderTarget(DWORD(index), back);
    back->Release();
    if (FAILED(hr))
        throw Exception_D3DError("SetRenderTarget failed", hr);
}

void Device::setRenderTarget(int index, IDirect3DSurface9* surface)
{
    if (!surface && index == 0) {
        setRenderTarget(0);
        return;
    }
    HRESULT hr = device_->SetRenderTarget(DWORD(index), surface);
    if (FAILED(hr))
        throw Exception_D3DError("SetRenderTarget failed", hr);
}

void Device::setRenderTarget(int index, SwapChain* chain)
{
    if (!chain) {
        setRenderTarget(index);
        return;
    }
    IDirect3DSurface9* back = chain->backBuffer();
    HRESULT hr = device_->SetRenderTarget(DWORD(index), back);
    back->Release();
    if (FAILED(hr))
        throw Exception_D3DError("SetRenderTarget failed", hr);
}

void Device::setRenderTarget(int index, Texture2D& texture, int level)
{
    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = texture.get() ? texture.get()->GetSurfaceLevel(UINT(level), &surface) : D3DERR_DEVICELOST;
    if (FAILED(hr))
        throw Exception_D3DError("Could not acquire surface", hr);
    hr = device_->SetRenderTarget(DWORD(index), surface);
    surface->Release();
    if (FAILED(hr))
        throw Exception_D3DError("Could not set render target", hr);
}

void Device::setRenderTarget(int index, TextureCube& texture, D3DCUBEMAP_FACES face, int level)
{
    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = texture.get() ? texture.get()->GetCubeMapSurface(face, UINT(level), &surface) : D3DERR_DEVICELOST;
    if (FAILED(hr))
        throw Exception_D3DError("Could not acquire surface", hr);
    hr = device_->SetRenderTarget(DWORD(index), surface);
    surface->Release();
    if (FAILED(hr))
        throw Exception_D3DError("Could not set render target", hr);
}

void Device::setDepthBuffer(DepthBuffer* buffer)
{
    HRESULT hr = device_->SetDepthStencilSurface(buffer ? buffer->surface() : depthSurface_);
    if (FAILED(hr))
        throw Exception_D3DError("SetDepthStencilSurface failed", hr);
}

void Device::setStreamSource(int stream, VertexBuffer* buffer, int offset, int stride)
{
    device_->SetStreamSource(UINT(stream), buffer ? buffer->get() : nullptr, UINT(offset), UINT(stride));
}

void Device::setIndices(IndexBuffer* buffer) { device_->SetIndices(buffer ? buffer->get() : nullptr); }

void Device::setVertexDeclaration(VertexDeclaration* declaration)
{
    device_->SetVertexDeclaration(declaration ? declaration->get() : nullptr);
}

void Device::setScissorRect(int left, int top, int right, int bottom)
{
    RECT r = {left, top, right, bottom};
    HRESULT hr = device_->SetScissorRect(&r);
    if (FAILED(hr))
        throw Exception_D3DError("SetScissorRect failed", hr);
}

void Device::drawPrimitive(D3DPRIMITIVETYPE type, int first, int count)
{
    HRESULT hr = device_->DrawPrimitive(type, UINT(first), UINT(count));
    if (FAILED(hr))
        throw Exception_D3DError("DrawPrimitive failed", hr);
}

void Device::drawIndexedPrimitive(D3DPRIMITIVETYPE type, int base, int min, int count, int start, int primitives)
{
    HRESULT hr = device_->DrawIndexedPrimitive(type, base, UINT(min), UINT(count), UINT(start), UINT(primitives));
    if (FAILED(hr))
        throw Exception_D3DError("DrawIndexedPrimitive failed", hr);
}

void Device::present(const RECT* source, const RECT* destination, HWND window)
{
    HRESULT hr = device_->Present(source, destination, window, nullptr);
    if (hr == D3DERR_DEVICELOST) {
        lose();
        return;
    }
    if (FAILED(hr))
        throw Exception_D3DError("Present() failed", hr);
}

void Device::present(SwapChain& chain, const RECT* source, const RECT* destination, HWND window)
{
    if (!chain.get())
        return;
    HRESULT hr = chain.get()->Present(source, destination, window, nullptr, 0);
    if (hr == D3DERR_DEVICELOST) {
        lose();
        return;
    }
    if (FAILED(hr))
        throw Exception_D3DError("Swap chain present failed", hr);
}

bool Device::testCooperativeLevel()
{
    HRESULT hr = device_->TestCooperativeLevel();
    if (hr == D3D_OK)
        return true;
    if (hr == D3DERR_DEVICELOST) {
        lose();
        return false;
    }
    if (hr != D3DERR_DEVICENOTRESET)
        throw Exception_D3DError("TestCooperativeLevel() failed", hr);
    lose();
    return resetLost();
}

bool Device::resetLost()
{
    D3DPRESENT_PARAMETERS params = params_;
    HRESULT hr = device_->Reset(&params);
    if (hr == D3DERR_DEVICELOST)
        return false;
    if (FAILED(hr))
        throw Exception_D3DError("Reset() failed", hr);
    restore();
    lost_ = false;
    return true;
}

bool Device::reset(int width, int height)
{
    if (width > 0 && height > 0) {
        params_.BackBufferWidth = UINT(width);
        params_.BackBufferHeight = UINT(height);
    }
    lose();
    return resetLost();
}

void Device::lose()
{
    if (lost_)
        return;
    lost_ = true;
    core::debugLog("Device lost, destroying device objects\n");
    for (DeviceLostHandler* handler : handlers_)
        handler->onDeviceLost();
    unbindAll();
    if (depthSurface_) {
        depthSurface_->Release();
        depthSurface_ = nullptr;
    }
}

void Device::restore()
{
    core::debugLog("Device restored, recreating device objects\n");
    setDefaultStates();
    for (DeviceLostHandler* handler : handlers_)
        handler->onDeviceReset();
    device_->GetDepthStencilSurface(&depthSurface_);
}

void Device::registerHandler(DeviceLostHandler* handler) { handlers_.push_back(handler); }

void Device::unregisterHandler(DeviceLostHandler* handler)
{
    auto it = std::find(handlers_.begin(), handlers_.end(), handler);
    if (it != handlers_.end())
        handlers_.erase(it);
}

} // namespace d3d
