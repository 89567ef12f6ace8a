#include "engine/render/d3d9/D3DResources.h"

#include "core/FileSystem.h"

#include <d3dx9.h>

namespace d3d {

namespace {

IDirect3DDevice9* device()
{
    Device* current = Device::current();
    if (!current)
        throw core::Exception("No Direct3D 9 device");
    return current->get();
}

void registerHandler(DeviceLostHandler* handler)
{
    if (Device* current = Device::current())
        current->registerHandler(handler);
}

void unregisterHandler(DeviceLostHandler* handler)
{
    if (Device* current = Device::current())
        current->unregisterHandler(handler);
}

// An interface of a device that is gone died with it.
template <class T> void release(T*& object, uint64_t generation)
{
    if (object && generation == Device::liveGeneration())
        object->Release();
    object = nullptr;
}

DWORD bufferUsage(int flags)
{
    DWORD usage = D3DUSAGE_WRITEONLY;
    if (flags & Dynamic)
        usage |= D3DUSAGE_DYNAMIC;
    if (flags & PointSprites)
        usage |= D3DUSAGE_POINTS;
    return usage;
}

D3DPOOL bufferPool(int flags) { return (flags & Dynamic) ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED; }

} // namespace

// --- SwapChain ---

SwapChain::SwapChain(HWND window, int width, int height, D3DMULTISAMPLE_TYPE multisample)
    : width_(width), height_(height)
{
    params_.BackBufferWidth = UINT(width);
    params_.BackBufferHeight = UINT(height);
    params_.BackBufferFormat = D3DFMT_A8R8G8B8;
    params_.BackBufferCount = 1;
    params_.MultiSampleType = multisample;
    params_.MultiSampleQuality = 0;
    params_.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params_.hDeviceWindow = window;
    params_.Windowed = TRUE;
    params_.EnableAutoDepthStencil = FALSE;
    params_.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
    create();
    registerHandler(this);
}

SwapChain::~SwapChain()
{
    unregisterHandler(this);
    release(chain_, generation_);
}

void SwapChain::create()
{
    D3DPRESENT_PARAMETERS params = params_;
    HRESULT hr = device()->CreateAdditionalSwapChain(&params, &chain_);
    if (FAILED(hr))
        throw Exception_D3DError("CreateAdditionalSwapChain failed", hr);
}

IDirect3DSurface9* SwapChain::backBuffer() const
{
    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = chain_ ? chain_->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface) : D3DERR_DEVICELOST;
    if (FAILED(hr))
        throw Exception_D3DError("GetBackBuffer failed", hr);
    return surface;
}

void SwapChain::present(const RECT* source, const RECT* destination, HWND window)
{
    if (Device* current = Device::current())
        current->present(*this, source, destination, window);
}

void SwapChain::onDeviceReset() { create(); }
void SwapChain::onDeviceLost() { release(chain_, generation_); }

// --- DepthBuffer ---

DepthBuffer::DepthBuffer(int width, int height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multisample, bool discard)
    : width_(width), height_(height), format_(format), multisample_(multisample), discard_(discard)
{
    create();
    registerHandler(this);
}

DepthBuffer::~DepthBuffer()
{
    unregisterHandler(this);
    release(surface_, generation_);
}

void DepthBuffer::create()
{
    HRESULT hr = device()->CreateDepthStencilSurface(UINT(width_), UINT(height_), format_, multisample_, 0,
                                                     discard_, &surface_, nullptr);
    if (FAILED(hr))
        throw Exception_D3DError("CreateDepthStencilSurface failed", hr);
}

void DepthBuffer::onDeviceReset() { create(); }
void DepthBuffer::onDeviceLost() { release(surface_, generation_); }

// --- textures ---

BaseTexture::~BaseTexture() = default;

Texture2D::Texture2D(int width, int height, int levels, D3DFORMAT format, DWORD usage, D3DPOOL pool)
    : usage_(usage), pool_((usage & D3DUSAGE_RENDERTARGET) ? D3DPOOL_DEFAULT : pool)
{
    width_ = width;
    height_ = height;
    levels_ = levels;
    format_ = format;
    create();
    if (pool_ == D3DPOOL_DEFAULT)
        registerHandler(this);
}

Texture2D::~Texture2D()
{
    if (pool_ == D3DPOOL_DEFAULT)
        unregisterHandler(this);
    release(texture_, generation_);
    base_ = nullptr;
}

void Texture2D::create()
{
    HRESULT hr =
        device()->CreateTexture(UINT(width_), UINT(height_), UINT(levels_), usage_, format_, pool_, &texture_, nullptr);
    if (FAILED(hr))
        throw Exception_D3DError("CreateTexture failed", hr);
    base_ = texture_;
    // A full chain asked for with 0 levels: the count the device made.
    levels_ = int(texture_->GetLevelCount());
}

D3DLOCKED_RECT Texture2D::lock(int level, DWORD flags)
{
    D3DLOCKED_RECT locked = {};
    HRESULT hr = texture_ ? texture_->LockRect(UINT(level), &locked, nullptr, flags) : D3DERR_DEVICELOST;
    if (FAILED(hr))
        throw Exception_D3DError("LockRect failed", hr);
    return locked;
}

void Texture2D::unlock(int level)
{
    if (texture_)
        texture_->UnlockRect(UINT(level));
}

IDirect3DSurface9* Texture2D::surface(int level) const
{
    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = texture_ ? texture_->GetSurfaceLevel(UINT(level), &surface) : D3DERR_DEVICELOST;
    if (FAILED(hr))
        throw Exception_D3DError("GetSurfaceLevel failed", hr);
    return surface;
}

void Texture2D::generateMipmaps()
{
    HRESULT hr = D3DXFilterTexture(texture_, nullptr, 0, D3DX_DEFAULT);
    if (FAILED(hr))
        throw Exception_D3DError("D3DXFilterTexture failed", hr);
}

void Texture2D::onDeviceReset() { create(); }
void Texture2D::onDeviceLost()
{
    release(texture_, generation_);
    base_ = nullptr;
}

TextureCube::TextureCube(int edge, int levels, D3DFORMAT format, DWORD usage, D3DPOOL pool)
    : usage_(usage), pool_((usage & D3DUSAGE_RENDERTARGET) ? D3DPOOL_DEFAULT : pool)
{
    width_ = height_ = edge;
    levels_ = levels;
    format_ = format;
    create();
    if (pool_ == D3DPOOL_DEFAULT) {
        registerHandler(this);
        registered_ = true;
    }
}

TextureCube::TextureCube(const std::string& path)
{
    std::string bytes = core::readFile(path);
    D3DXIMAGE_INFO info = {};
    HRESULT hr = D3DXCreateCubeTextureFromFileInMemoryEx(
        device(), bytes.data(), UINT(bytes.size()), D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_FROM_FILE,
        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture_);
    if (FAILED(hr))
        throw Exception_D3DError("D3DXCreateCubeTextureFromFile failed", hr);
    base_ = texture_;
    fileName_ = path;
    width_ = int(info.Width);
    height_ = int(info.Height);
    depth_ = int(info.Depth);
    levels_ = int(info.MipLevels);
    format_ = info.Format;
}

TextureCube::~TextureCube()
{
    if (registered_)
        unregisterHandler(this);
    release(texture_, generation_);
    base_ = nullptr;
}

void TextureCube::create()
{
    HRESULT hr = device()->CreateCubeTexture(UINT(width_), UINT(levels_), usage_, format_, pool_, &texture_, nullptr);
    if (FAILED(hr))
        throw Exception_D3DError("CreateCubeTexture failed", hr);
    base_ = texture_;
    levels_ = int(texture_->GetLevelCount());
}

D3DLOCKED_RECT TextureCube::lock(D3DCUBEMAP_FACES face, int level, DWORD flags)
{
    D3DLOCKED_RECT locked = {};
    HRESULT hr = texture_ ? texture_->LockRect(face, UINT(level), &locked, nullptr, flags) : D3DERR_DEVICELOST;
    if (FAILED(hr))
        throw Exception_D3DError("LockRect failed", hr);
    return locked;
}

void TextureCube::unlock(D3DCUBEMAP_FACES face, int level)
{
    if (texture_)
        texture_->UnlockRect(face, UINT(level));
}

IDirect3DSurface9* TextureCube::surface(D3DCUBEMAP_FACES face, int level) const
{
    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = texture_ ? texture_->GetCubeMapSurface(face, UINT(level), &surface) : D3DERR_DEVICELOST;
    if (FAILED(hr))
        throw Exception_D3DError("GetCubeMapSurface failed", hr);
    return surface;
}

void TextureCube::onDeviceReset() { create(); }
void TextureCube::onDeviceLost()
{
    release(texture_, generation_);
    base_ = nullptr;
}

Texture3D::Texture3D(const std::string& path)
{
    std::string bytes = core::readFile(path);
    D3DXIMAGE_INFO info = {};
    HRESULT hr = D3DXCreateVolumeTextureFromFileInMemoryEx(
        device(), bytes.data(), UINT(bytes.size()), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
        D3DFMT_FROM_FILE, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture_);
    if (FAILED(hr))
        throw Exception_D3DError("D3DXCreateVolumeTextureFromFile failed", hr);
    base_ = texture_;
    fileName_ = path;
    width_ = int(info.Width);
    height_ = int(info.Height);
    depth_ = int(info.Depth);
    levels_ = int(info.MipLevels);
    format_ = info.Format;
}

Texture3D::~Texture3D()
{
    release(texture_, generation_);
    base_ = nullptr;
}

// --- VertexBuffer ---

VertexBuffer::VertexBuffer(int size, int flags) : size_(size), flags_(flags), pool_(bufferPool(flags))
{
    create();
    if (pool_ == D3DPOOL_DEFAULT)
        registerHandler(this);
}

VertexBuffer::~VertexBuffer()
{
    if (pool_ == D3DPOOL_DEFAULT)
        unregisterHandler(this);
    release(buffer_, generation_);
}

void VertexBuffer::create()
{
    HRESULT hr = device()->CreateVertexBuffer(UINT(size_), bufferUsage(flags_), 0, pool_, &buffer_, nullptr);
    if (FAILED(hr))
        throw Exception_D3DError("CreateVertexBuffer() failed", hr);
    // What was written before belongs to the old buffer.
    wrap_ = true;
}

void* VertexBuffer::lock()
{
    void* data = nullptr;
    HRESULT hr =
        buffer_ ? buffer_->Lock(0, 0, &data, dynamic() ? D3DLOCK_DISCARD : 0) : D3DERR_DEVICELOST;
    if (FAILED(hr))
        throw Exception_D3DError("Could not lock vertex buffer", hr);
    locked_ = data;
    return data;
}

void* VertexBuffer::allocate(int bytes)
{
    if (bytes > size_ || bytes < 0)
        return nullptr;
    DWORD flags = D3DLOCK_NOOVERWRITE;
    if (offset_ + bytes > size_ || wrap_) {
        wrap_ = false;
        offset_ = 0;
        flags = D3DLOCK_DISCARD;
    }
    void* data = nullptr;
    HRESULT hr = buffer_ ? buffer_->Lock(UINT(offset_), UINT(bytes), &data, flags) : D3DERR_DEVICELOST;
    if (FAILED(hr))
        throw Exception_D3DError("Could not lock vertex buffer", hr);
    locked_ = data;
    lastOffset_ = offset_;
    lastSize_ = bytes;
    offset_ += bytes;
    return data;
}

void VertexBuffer::unlock()
{
    if (locked_ && buffer_)
        buffer_->Unlock();
    locked_ = nullptr;
}

void VertexBuffer::onDeviceReset() { create(); }
void VertexBuffer::onDeviceLost()
{
    unlock();
    release(buffer_, generation_);
}

// --- IndexBuffer ---

IndexBuffer::IndexBuffer(int count, int flags, bool use32Bit)
    : count_(count), flags_(flags), use32Bit_(use32Bit), indexSize_(use32Bit ? 4 : 2), pool_(bufferPool(flags))
{
    create();
    if (pool_ == D3DPOOL_DEFAULT)
        registerHandler(this);
}

IndexBuffer::~IndexBuffer()
{
    if (pool_ == D3DPOOL_DEFAULT)
        unregisterHandler(this);
    release(buffer_, generation_);
}

void IndexBuffer::create()
{
    HRESULT hr = device()->CreateIndexBuffer(UINT(count_ * indexSize_), bufferUsage(flags_),
                                             use32Bit_ ? D3DFMT_INDEX32 : D3DFMT_INDEX16, pool_, &buffer_, nullptr);
    if (FAILED(hr))
        throw Exception_D3DError("Could not create index buffer", hr);
}

void* IndexBuffer::lock()
{
    void* data = nullptr;
    HRESULT hr = buffer_ ? buffer_->Lock(0, 0, &data, (flags_ & Dynamic) ? D3DLOCK_DISCARD : 0) : D3DERR_DEVICELOST;
    if (FAILED(hr))
        throw Exception_D3DError("Could not lock index buffer", hr);
    locked_ = data;
    return data;
}

void IndexBuffer::unlock()
{
    if (locked_ && buffer_)
        buffer_->Unlock();
    locked_ = nullptr;
}

void IndexBuffer::onDeviceReset() { create(); }
void IndexBuffer::onDeviceLost()
{
    unlock();
    release(buffer_, generation_);
}

// --- VertexDeclaration ---

namespace {

struct TypeInfo {
    BYTE type;
    int size;
};

const TypeInfo ElementTypes[] = {
    {D3DDECLTYPE_FLOAT1, 4}, {D3DDECLTYPE_FLOAT2, 8},  {D3DDECLTYPE_FLOAT3, 12},  {D3DDECLTYPE_FLOAT4, 16},
    {D3DDECLTYPE_UBYTE4, 4}, {D3DDECLTYPE_UBYTE4N, 4}, {D3DDECLTYPE_D3DCOLOR, 4},
};

const BYTE ElementUsages[] = {
    D3DDECLUSAGE_POSITION, D3DDECLUSAGE_TEXCOORD,     D3DDECLUSAGE_NORMAL,       D3DDECLUSAGE_TANGENT,
    D3DDECLUSAGE_BINORMAL, D3DDECLUSAGE_COLOR,        D3DDECLUSAGE_BLENDINDICES, D3DDECLUSAGE_BLENDWEIGHT,
};

} // namespace

VertexDeclaration::~VertexDeclaration() { release(declaration_, generation_); }

void VertexDeclaration::add(int stream, Type type, Usage usage)
{
    if (count_ >= MaxElements || stream < 0 || stream >= MaxStreams)
        throw core::Exception("Too many vertex elements");
    BYTE index = 0;
    for (int i = 0; i < count_; ++i)
        if (elements_[i].Usage == ElementUsages[usage])
            ++index;
    elements_[count_++] = {WORD(stream), WORD(offsets_[stream]), ElementTypes[type].type, D3DDECLMETHOD_DEFAULT,
                           ElementUsages[usage], index};
    offsets_[stream] += ElementTypes[type].size;
}

void VertexDeclaration::finish()
{
    elements_[count_] = D3DDECL_END();
    release(declaration_, generation_);
    HRESULT hr = device()->CreateVertexDeclaration(elements_, &declaration_);
    if (FAILED(hr))
        throw Exception_D3DError("CreateVertexDeclaration failed", hr);
}

// --- SamplerDesc ---

void SamplerDesc::apply(int stage) const
{
    IDirect3DDevice9* dev = device();
    DWORD s = DWORD(stage);
    dev->SetTexture(s, texture ? texture->base() : nullptr);
    dev->SetSamplerState(s, D3DSAMP_SRGBTEXTURE, srgb ? TRUE : FALSE);
    struct Filters {
        D3DTEXTUREFILTERTYPE min, mag, mip;
    };
    static const Filters filters[] = {
        {D3DTEXF_POINT, D3DTEXF_POINT, D3DTEXF_NONE},        {D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_NONE},
        {D3DTEXF_POINT, D3DTEXF_POINT, D3DTEXF_POINT},       {D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_POINT},
        {D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_LINEAR},    {D3DTEXF_ANISOTROPIC, D3DTEXF_LINEAR, D3DTEXF_LINEAR},
    };
    if (filter >= 0 && filter <= Anisotropic) {
        const Filters& f = filters[filter];
        dev->SetSamplerState(s, D3DSAMP_MINFILTER, f.min);
        dev->SetSamplerState(s, D3DSAMP_MAGFILTER, f.mag);
        dev->SetSamplerState(s, D3DSAMP_MIPFILTER, f.mip);
        if (filter == Anisotropic)
            dev->SetSamplerState(s, D3DSAMP_MAXANISOTROPY, 8);
    }
    if (address == Wrap || address == Clamp) {
        DWORD mode = address == Wrap ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP;
        dev->SetSamplerState(s, D3DSAMP_ADDRESSU, mode);
        dev->SetSamplerState(s, D3DSAMP_ADDRESSV, mode);
        dev->SetSamplerState(s, D3DSAMP_ADDRESSW, mode);
    }
}

} // namespace d3d
