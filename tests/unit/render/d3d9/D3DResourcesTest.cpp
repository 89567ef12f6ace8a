// The device layer's resources on a real device: streaming through a dynamic
// buffer, default-pool resources made again by a reset, vertex declarations,
// and failures that name the call.
#ifdef _WIN32
#include "engine/render/d3d9/D3DResources.h"
#include "render/d3d9/D3D9TestDevice.h"
#include "support/ExceptionMessage.h"

#include <gtest/gtest.h>

namespace {

struct Handler : d3d::DeviceLostHandler {
    int lost = 0, reset = 0;
    void onDeviceReset() override { ++reset; }
    void onDeviceLost() override { ++lost; }
};

class D3DResources : public D3D9TestDevice {};

TEST_F(D3DResources, StreamingAllocationsRunOnThenWrapToTheStart)
{
    d3d::VertexBuffer stream(64, d3d::Dynamic);
    auto allocate = [&](int bytes) {
        void* data = stream.allocate(bytes);
        stream.unlock();
        return data ? stream.lastOffset() : -1;
    };
    EXPECT_EQ(allocate(24), 0);
    EXPECT_EQ(allocate(24), 24);
    EXPECT_EQ(allocate(16), 48);
    EXPECT_EQ(allocate(8), 0) << "past the end: again from the start";
    EXPECT_EQ(allocate(65), -1) << "more than the whole buffer";
    EXPECT_EQ(allocate(8), 8);
    // A buffer made again by a reset holds nothing worth keeping.
    ASSERT_TRUE(device_->reset());
    EXPECT_EQ(allocate(8), 0);
}

TEST_F(D3DResources, AResetMakesDefaultPoolResourcesAgainAndLeavesManagedOnesAlone)
{
    Handler handler;
    device_->registerHandler(&handler);
    d3d::Texture2D target(16, 16, 1, D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_MANAGED);
    d3d::Texture2D managed(16, 16, 1, D3DFMT_A8R8G8B8, 0, D3DPOOL_MANAGED);
    d3d::DepthBuffer depth(16, 16, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, false);
    d3d::IndexBuffer indices(6, d3d::Dynamic, false);
    EXPECT_EQ(target.pool(), D3DPOOL_DEFAULT) << "render targets cannot be managed";
    IDirect3DTexture9* managedBefore = managed.get();

    ASSERT_TRUE(device_->reset(48, 24));
    EXPECT_EQ(handler.lost, 1);
    EXPECT_EQ(handler.reset, 1);
    EXPECT_NE(target.get(), nullptr);
    EXPECT_NE(depth.surface(), nullptr);
    EXPECT_NE(indices.get(), nullptr);
    EXPECT_EQ(managed.get(), managedBefore);
    EXPECT_EQ(device_->presentParameters().BackBufferWidth, 48u);

    // The remade ones work: the target takes a clear and the depth buffer binds.
    device_->setRenderTarget(0, target);
    device_->setDepthBuffer(&depth);
    const unsigned char green[4] = {0, 255, 0, 255};
    device_->clear(green, d3d::Device::ClearTarget | d3d::Device::ClearDepth);
    device_->setDepthBuffer(nullptr);
    device_->setRenderTarget(0);
    device_->unregisterHandler(&handler);
}

TEST_F(D3DResources, DeclarationElementsCountUsagesAndOffsetsPerStream)
{
    using Decl = d3d::VertexDeclaration;
    Decl declaration;
    declaration.add(0, Decl::Float3, Decl::Position);
    declaration.add(0, Decl::Float2, Decl::TexCoord);
    declaration.add(0, Decl::Color, Decl::VertexColor);
    declaration.add(1, Decl::Float4, Decl::TexCoord);
    declaration.add(0, Decl::UByte4N, Decl::BlendWeight);
    declaration.finish();
    ASSERT_NE(declaration.get(), nullptr);
    struct {
        int stream, offset, usageIndex;
    } expected[] = {{0, 0, 0}, {0, 12, 0}, {0, 20, 0}, {1, 0, 1}, {0, 24, 0}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(declaration.element(i).Stream, expected[i].stream) << i;
        EXPECT_EQ(declaration.element(i).Offset, expected[i].offset) << i;
        EXPECT_EQ(declaration.element(i).UsageIndex, expected[i].usageIndex) << i;
    }
    EXPECT_EQ(declaration.size(0), 28);
    EXPECT_EQ(declaration.size(1), 16);
}

TEST_F(D3DResources, FailedCallsNameTheOperationAndTheError)
{
    std::string message = messageOf([] { d3d::Texture2D(0, 0, 1, D3DFMT_A8R8G8B8, 0, D3DPOOL_MANAGED); });
    EXPECT_EQ(message.rfind("D3DError - CreateTexture failed: D3DERR_", 0), 0u) << message;
    message = messageOf([] { d3d::TextureCube("no-such-cube.dds"); });
    EXPECT_NE(message.find("no-such-cube.dds"), std::string::npos) << message;
}

} // namespace
#endif
