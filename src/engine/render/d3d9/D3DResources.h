#pragma once

// The device's resources: swap chains, depth buffers, textures, vertex and
// index buffers and vertex declarations. Those in the default pool register
// with the device and are released when it is lost and made again (empty)
// when it is reset; managed and file-loaded ones survive a reset by themselves.

#include "engine/render/d3d9/D3DDevice.h"

#include <string>

namespace d3d {

// What every resource records of the device that made it.
class DeviceObject {
protected:
    uint64_t generation_ = Device::liveGeneration();
};

class SwapChain : public DeviceLostHandler, DeviceObject {
public:
    SwapChain(HWND window, int width, int height, D3DMULTISAMPLE_TYPE multisample);
    ~SwapChain() override;
    SwapChain(const SwapChain&) = delete;
    SwapChain& operator=(const SwapChain&) = delete;

    IDirect3DSwapChain9* get() const { return chain_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Back buffer 0, with a reference the caller releases.
    IDirect3DSurface9* backBuffer() const;
    // Does nothing while the device is lost.
    void present(const RECT* source, const RECT* destination, HWND window);

    void onDeviceReset() override;
    void onDeviceLost() override;

private:
    void create();

    IDirect3DSwapChain9* chain_ = nullptr;
    D3DPRESENT_PARAMETERS params_ = {};
    int width_;
    int height_;
};

class DepthBuffer : public DeviceLostHandler, DeviceObject {
public:
    DepthBuffer(int width, int height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multisample, bool discard);
    ~DepthBuffer() override;
    DepthBuffer(const DepthBuffer&) = delete;
    DepthBuffer& operator=(const DepthBuffer&) = delete;

    IDirect3DSurface9* surface() const { return surface_; }
    int width() const { return width_; }
    int height() const { return height_; }
    D3DFORMAT format() const { return format_; }

    void onDeviceReset() override;
    void onDeviceLost() override;

private:
    void create();

    IDirect3DSurface9* surface_ = nullptr;
    int width_;
    int height_;
    D3DFORMAT format_;
    D3DMULTISAMPLE_TYPE multisample_;
    bool discard_;
};

class BaseTexture : protected DeviceObject {
public:
    virtual ~BaseTexture();
    BaseTexture(const BaseTexture&) = delete;
    BaseTexture& operator=(const BaseTexture&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    int levels() const { return levels_; }
    D3DFORMAT format() const { return format_; }
    // Null while the device is lost, for a default-pool texture.
    IDirect3DBaseTexture9* base() const { return base_; }
    // Empty unless loaded from a file.
    const std::string& fileName() const { return fileName_; }

protected:
    BaseTexture() = default;

    int width_ = 0;
    int height_ = 0;
    int depth_ = 1;
    int levels_ = 0;
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    IDirect3DBaseTexture9* base_ = nullptr;
    std::string fileName_;
};

class Texture2D : public BaseTexture, public DeviceLostHandler {
public:
    // Levels 0 make the whole chain. Render targets always live in the default pool.
    Texture2D(int width, int height, int levels, D3DFORMAT format, DWORD usage, D3DPOOL pool);
    ~Texture2D() override;

    IDirect3DTexture9* get() const { return texture_; }
    DWORD usage() const { return usage_; }
    D3DPOOL pool() const { return pool_; }

    D3DLOCKED_RECT lock(int level, DWORD flags = 0);
    void unlock(int level);
    // The level's surface, with a reference the caller releases.
    IDirect3DSurface9* surface(int level) const;
    // Every lower level filtered down from the top one.
    void generateMipmaps();

    void onDeviceReset() override;
    void onDeviceLost() override;

private:
    void create();

    IDirect3DTexture9* texture_ = nullptr;
    DWORD usage_;
    D3DPOOL pool_;
};

class TextureCube : public BaseTexture, public DeviceLostHandler {
public:
    TextureCube(int edge, int levels, D3DFORMAT format, DWORD usage, D3DPOOL pool);
    // A DDS cube read through the file systems, in the managed pool.
    explicit TextureCube(const std::string& path);
    ~TextureCube() override;

    IDirect3DCubeTexture9* get() const { return texture_; }
    int edge() const { return width_; }

    D3DLOCKED_RECT lock(D3DCUBEMAP_FACES face, int level, DWORD flags = 0);
    void unlock(D3DCUBEMAP_FACES face, int level);
    IDirect3DSurface9* surface(D3DCUBEMAP_FACES face, int level) const;

    void onDeviceReset() override;
    void onDeviceLost() override;

private:
    void create();

    IDirect3DCubeTexture9* texture_ = nullptr;
    DWORD usage_ = 0;
    D3DPOOL pool_ = D3DPOOL_MANAGED;
    bool registered_ = false;
};

// A volume texture, only ever read from a file (managed: never registered).
class Texture3D : public BaseTexture {
public:
    explicit Texture3D(const std::string& path);
    ~Texture3D() override;

    IDirect3DVolumeTexture9* get() const { return texture_; }

private:
    IDirect3DVolumeTexture9* texture_ = nullptr;
};

enum BufferFlags { Dynamic = 1, PointSprites = 2 };

class VertexBuffer : public DeviceLostHandler, DeviceObject {
public:
    VertexBuffer(int size, int flags);
    ~VertexBuffer() override;
    VertexBuffer(const VertexBuffer&) = delete;
    VertexBuffer& operator=(const VertexBuffer&) = delete;

    IDirect3DVertexBuffer9* get() const { return buffer_; }
    int size() const { return size_; }
    bool dynamic() const { return flags_ & Dynamic; }

    // The whole buffer, discarding the old contents of a dynamic one.
    void* lock();
    // Room for the bytes after what was written since the last wrap-around:
    // no-overwrite locks while it fits, a discarding lock from offset 0 when
    // not. Null when the buffer is smaller than the bytes.
    void* allocate(int bytes);
    void unlock();
    // Where the last allocate began, and how many bytes it gave.
    int lastOffset() const { return lastOffset_; }
    int lastSize() const { return lastSize_; }

    void onDeviceReset() override;
    void onDeviceLost() override;

private:
    void create();

    IDirect3DVertexBuffer9* buffer_ = nullptr;
    int size_;
    int flags_;
    D3DPOOL pool_;
    void* locked_ = nullptr;
    int offset_ = 0;
    int lastOffset_ = 0;
    int lastSize_ = 0;
    bool wrap_ = false;
};

class IndexBuffer : public DeviceLostHandler, DeviceObject {
public:
    IndexBuffer(int count, int flags, bool use32Bit);
    ~IndexBuffer() override;
    IndexBuffer(const IndexBuffer&) = delete;
    IndexBuffer& operator=(const IndexBuffer&) = delete;

    IDirect3DIndexBuffer9* get() const { return buffer_; }
    int count() const { return count_; }
    int indexSize() const { return indexSize_; }
    bool is32Bit() const { return use32Bit_; }

    void* lock();
    void unlock();

    void onDeviceReset() override;
    void onDeviceLost() override;

private:
    void create();

    IDirect3DIndexBuffer9* buffer_ = nullptr;
    int count_;
    int flags_;
    bool use32Bit_;
    int indexSize_;
    D3DPOOL pool_;
    void* locked_ = nullptr;
};

class VertexDeclaration : DeviceObject {
public:
    enum Type { Float1, Float2, Float3, Float4, UByte4, UByte4N, Color };
    enum Usage { Position, TexCoord, Normal, Tangent, Binormal, VertexColor, BlendIndices, BlendWeight };
    static constexpr int MaxElements = 16;
    static constexpr int MaxStreams = 4;

    VertexDeclaration() = default;
    ~VertexDeclaration();
    VertexDeclaration(const VertexDeclaration&) = delete;
    VertexDeclaration& operator=(const VertexDeclaration&) = delete;

    // The element goes after the stream's earlier ones; its usage index counts
    // the earlier elements of the same usage.
    void add(int stream, Type type, Usage usage);
    void finish();

    IDirect3DVertexDeclaration9* get() const { return declaration_; }
    // The bytes one vertex of the stream takes.
    int size(int stream = 0) const { return offsets_[stream]; }
    int elementCount() const { return count_; }
    const D3DVERTEXELEMENT9& element(int i) const { return elements_[i]; }

private:
    D3DVERTEXELEMENT9 elements_[MaxElements + 1] = {};
    int count_ = 0;
    int offsets_[MaxStreams] = {};
    IDirect3DVertexDeclaration9* declaration_ = nullptr;
};

struct SamplerDesc {
    enum Filter { Nearest, Linear, NearestMipNearest, LinearMipNearest, LinearMipLinear, Anisotropic };
    enum Address { Wrap, Clamp };

    const BaseTexture* texture = nullptr;
    int filter = Linear;
    int address = Wrap;
    bool srgb = false;

    void apply(int stage) const;
};

} // namespace d3d
