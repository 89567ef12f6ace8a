// The Direct3D 9 device layer on a real device: creation on a window, a
// cleared pixel read back, the handler list, and the error and format names.
#ifdef _WIN32
#include "engine/render/d3d9/D3DDevice.h"
#include "render/d3d9/D3D9TestDevice.h"

#include <gtest/gtest.h>

namespace {

struct Handler : d3d::DeviceLostHandler {
    int lost = 0, reset = 0;
    void onDeviceReset() override { ++reset; }
    void onDeviceLost() override { ++lost; }
};

class D3DDeviceTest : public D3D9TestDevice {};

TEST_F(D3DDeviceTest, ClearsTheBackBufferAndPresents)
{
    EXPECT_EQ(d3d::Device::current(), device_.get());
    ASSERT_TRUE(device_->testCooperativeLevel());
    const unsigned char rgba[4] = {255, 128, 0, 255};
    device_->setRenderTarget(0);
    device_->clear(rgba, d3d::Device::ClearTarget | d3d::Device::ClearDepth);

    uint32_t pixel = backBufferPixel(5, 8);
    EXPECT_EQ(pixel & 0xffffffu, 0xff8000u);

    device_->present();
    EXPECT_FALSE(device_->isLost());
}

TEST_F(D3DDeviceTest, HandlersRegisterAndUnregister)
{
    Handler a, b;
    device_->registerHandler(&a);
    device_->registerHandler(&b);
    device_->unregisterHandler(&a);
    device_->unregisterHandler(&a); // not there any more: no effect
    EXPECT_TRUE(device_->testCooperativeLevel());
    EXPECT_EQ(a.lost + a.reset + b.lost + b.reset, 0); // a healthy device loses nothing
    device_->unregisterHandler(&b);
}

TEST_F(D3DDeviceTest, NoSuitableRenderTargetFormatNamesTheCandidates)
{
    // Depth formats are never colour render targets.
    const D3DFORMAT none[] = {D3DFMT_D24S8, D3DFMT_D16, D3DFMT_D32, D3DFMT_UNKNOWN};
    try {
        d3d::chooseRenderTargetFormat(none, D3DUSAGE_RENDERTARGET);
        FAIL() << "expected an exception";
    } catch (const core::Exception& e) {
        EXPECT_STREQ(e.getMessage(), "No suitable render target format was found "
                                     "(D3DFMT_D24S8, D3DFMT_D16 or D3DFMT_D32 required)");
    }
    const D3DFORMAT some[] = {D3DFMT_D24S8, D3DFMT_A8R8G8B8, D3DFMT_UNKNOWN};
    EXPECT_EQ(d3d::chooseRenderTargetFormat(some, D3DUSAGE_RENDERTARGET), D3DFMT_A8R8G8B8);
}

TEST(D3DNames, ErrorsAndFormats)
{
    d3d::Exception_D3DError e("Present() failed", D3DERR_DEVICELOST);
    EXPECT_STREQ(e.getMessage(), "D3DError - Present() failed: D3DERR_DEVICELOST");
    EXPECT_STREQ(d3d::errorName(D3DERR_INVALIDCALL), "D3DERR_INVALIDCALL");
    EXPECT_STREQ(d3d::formatName(D3DFMT_A16B16G16R16F), "D3DFMT_A16B16G16R16F");
    EXPECT_STREQ(d3d::formatName(D3DFMT_D24S8), "D3DFMT_D24S8");
    EXPECT_STREQ(d3d::formatName(D3DFORMAT(12345)), "<unknown d3d format>");
}

} // namespace
#endif
