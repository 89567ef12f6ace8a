// Image sources converted to DDS through D3DX, read back by the shared DDS
// reader the OpenGL renderer uses; and the portable converter's files read by
// D3DX, as the Direct3D 9 renderer reads them.
#ifdef _WIN32
#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Image.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/render/DDSFile.h"
#include "engine/render/d3d9/TextureAssetProcessorD3D9.h"
#include "render/d3d9/D3D9TestDevice.h"
#include "support/TempDirectory.h"

#include <d3dx9tex.h>
#include <gtest/gtest.h>
#include <squish.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

using Format = engine::DDSFile::Format;

// Solid 4 x 4 blocks, so that block compression keeps the colours closely.
core::Image blocks(int width, int height) {
    core::Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int b = (x / 4) * 7 + (y / 4) * 13;
            image.setPixel(x, y, {uint8_t(b * 37), uint8_t(255 - b * 11), uint8_t(b * 5 + 60), uint8_t(x < width / 2 ? 255 : 0)});
        }
    return image;
}

// The largest channel difference between the BGRA pixels of a and the
// original b. DXT1 keeps one bit of alpha: its pixels below half alpha
// are transparent black, the others opaque.
int worstDifference(const uint8_t* a, const uint8_t* b, size_t bytes, bool dxt1) {
    int worst = 0;
    for (size_t i = 0; i < bytes; ++i) {
        bool transparent = b[i - i % 4 + 3] < 128;
        int expected = !dxt1 ? b[i] : i % 4 == 3 ? (transparent ? 0 : 255) : transparent ? 0 : b[i];
        worst = std::max(worst, std::abs(int(a[i]) - expected));
    }
    return worst;
}

class TextureAssetProcessorD3D9Test : public D3D9TestDevice {
protected:
    TempDirectory folder_;
};

TEST_F(TextureAssetProcessorD3D9Test, OptionsChooseTheFormatAndTheChainIsWhole) {
    engine::registerTextureProcessorsD3D9();
    const core::Image image = blocks(64, 32);
    image.save("brick.tga", true);
    struct Case {
        const char* options; // null: no options file
        Format format;
        int tolerance;
    } cases[] = {
        {nullptr, Format::A8R8G8B8, 0},
        {"compressed = true\n", Format::DXT1, 8},
        {"compressed = true\nalpha = true\n", Format::DXT5, 8},
        {"alpha = true\n", Format::A8R8G8B8, 0},
    };
    core::FileTime time = core::fileDate("brick.tga");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options ? c.options : "no options");
        if (c.options) {
            TempDirectory::write("brick.texture", c.options);
            core::setFileDate("brick.texture", time += 10000000); // a later edit each time
        }
        try {
            engine::findAssetProcessor(engine::AssetProcessor::Texture, "brick.tga").processFile("brick.tga");
        } catch (const core::Exception& e) {
            FAIL() << e.getMessage();
        }
        EXPECT_EQ(core::fileDate("brick.dds"), c.options ? time : core::fileDate("brick.tga"));

        engine::DDSFile file("brick.dds");
        EXPECT_EQ(file.format(), c.format);
        EXPECT_EQ(file.width(), 64u);
        EXPECT_EQ(file.height(), 32u);
        ASSERT_EQ(file.levelCount(), 7);
        EXPECT_EQ(file.levelSize(6), engine::DDSFile::levelBytes(c.format, 1, 1));

        std::vector<uint8_t> level0 = file.readLevel(0);
        std::vector<uint8_t> bgra(image.dataSize());
        if (c.format == Format::A8R8G8B8) {
            bgra = level0;
        } else {
            std::vector<uint8_t> rgba(image.dataSize());
            squish::DecompressImage(rgba.data(), 64, 32, level0.data(),
                                    c.format == Format::DXT1 ? squish::kDxt1 : squish::kDxt5);
            for (size_t p = 0; p < rgba.size(); p += 4)
                bgra[p] = rgba[p + 2], bgra[p + 1] = rgba[p + 1], bgra[p + 2] = rgba[p], bgra[p + 3] = rgba[p + 3];
        }
        EXPECT_LE(worstDifference(bgra.data(), image.data(), bgra.size(), c.format == Format::DXT1), c.tolerance);
    }
}

TEST_F(TextureAssetProcessorD3D9Test, PortableFilesReadThroughD3DX) {
    const core::Image image = blocks(32, 64);
    for (Format format : {Format::A8R8G8B8, Format::DXT1, Format::DXT5}) {
        SCOPED_TRACE(int(format));
        engine::writeDDS("portable.dds", image, format);
        D3DXIMAGE_INFO info;
        ASSERT_EQ(D3DXGetImageInfoFromFileA("portable.dds", &info), D3D_OK);
        EXPECT_EQ(info.Width, 32u);
        EXPECT_EQ(info.Height, 64u);
        EXPECT_EQ(info.MipLevels, 7u);
        EXPECT_EQ(info.Format, format == Format::A8R8G8B8 ? D3DFMT_A8R8G8B8
                               : format == Format::DXT1  ? D3DFMT_DXT1
                                                         : D3DFMT_DXT5);
        EXPECT_EQ(info.ResourceType, D3DRTYPE_TEXTURE);

        // D3DX decodes the top level into plain pixels: the picture, top row first.
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileExA(device_->get(), "portable.dds", 32, 64, 1, 0, D3DFMT_A8R8G8B8,
                                               D3DPOOL_SYSTEMMEM, D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr,
                                               nullptr, &texture),
                  D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        std::vector<uint8_t> bgra(image.dataSize());
        for (int y = 0; y < 64; ++y)
            std::memcpy(&bgra[size_t(y) * 32 * 4], static_cast<const uint8_t*>(locked.pBits) + locked.Pitch * y, 32 * 4);
        texture->UnlockRect(0);
        texture->Release();
        EXPECT_LE(worstDifference(bgra.data(), image.data(), bgra.size(), format == Format::DXT1),
                  format == Format::A8R8G8B8 ? 0 : 8);
    }
}

} // namespace
#endif
