// The immediate-mode programs of "shaders/d3d9/immediate_mode.hlsl" drawn on
// a real device: an antialiased line and a rounded rectangle cover the
// pixels whose centres they cover, and fade over the pixel at their edge.
#ifdef _WIN32
#include "core/Exception.h"
#include "engine/render/d3d9/ShaderD3D9.h"
#include "render/d3d9/D3D9TestDevice.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

namespace {

using engine::ShaderD3D9;

struct Vertex {
    float x, y;   // position, in the drawing's pixels
    float p0[2];  // the line's end points
    float p1[2];
    D3DCOLOR color;
};

class ImmediateModeShadersD3D9Test : public D3D9TestDevice {
protected:
    std::unique_ptr<ShaderD3D9> load(const char* entry, bool pixel) {
        engine::ShaderSourceD3D9 source{"shaders/d3d9/immediate_mode.hlsl", entry, {}, true, ""};
        try {
            return pixel ? ShaderD3D9::createPixelShader(*device_, source)
                         : ShaderD3D9::createVertexShader(*device_, source);
        } catch (const core::Exception& e) {
            ADD_FAILURE() << entry << ": " << e.getMessage();
            throw;
        }
    }

    // The 16 x 16 back buffer as the drawing's pixels, y down.
    static engine::Mat4 pixelProjection() {
        engine::Mat4 m;
        m.m[0][0] = 2.0f / 16;
        m.m[1][1] = -2.0f / 16;
        m.m[3][0] = -1;
        m.m[3][1] = 1;
        return m;
    }

    // Draws a quad (as two triangles of the four corners in order) with the
    // programs, blending by alpha over black; returns the red channel of every pixel.
    std::vector<int> draw(ShaderD3D9& vs, ShaderD3D9& ps, const Vertex (&corners)[4]) {
        IDirect3DDevice9* dev = device_->get();
        const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 8, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            {0, 16, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
            {0, 24, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
            D3DDECL_END()};
        IDirect3DVertexDeclaration9* declaration = nullptr;
        EXPECT_EQ(dev->CreateVertexDeclaration(elements, &declaration), D3D_OK);
        const unsigned char black[4] = {0, 0, 0, 255};
        device_->setRenderTarget(0);
        device_->clear(black, d3d::Device::ClearTarget | d3d::Device::ClearDepth);
        const Vertex strip[4] = {corners[0], corners[1], corners[3], corners[2]};
        dev->BeginScene();
        dev->SetVertexDeclaration(declaration);
        dev->SetVertexShader(vs.vertexShader());
        dev->SetPixelShader(ps.pixelShader());
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_ZENABLE, FALSE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        vs.upload(dev);
        ps.upload(dev);
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(Vertex)), D3D_OK);
        dev->EndScene();
        dev->SetVertexShader(nullptr);
        dev->SetPixelShader(nullptr);
        dev->SetVertexDeclaration(nullptr);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        declaration->Release();
        std::vector<int> red;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                red.push_back(int((backBufferPixel(x, y) >> 16) & 255));
        return red;
    }

    TempDirectory folder_; // the built-in files are read
};

TEST_F(ImmediateModeShadersD3D9Test, LinesCoverTheirWidthAndFadeBeyond) {
    auto vs = load("line_vs", false);
    auto ps = load("line_ps", true);
    vs->constants().setMatrix(*vs->find("g_transform"), pixelProjection());
    const float width = 2;
    ps->constants().setFloats(*ps->find("g_lineWidth"), &width, 1);
    // A horizontal line at y = 8 from x = 3 to 13, its quad a pixel wider all round.
    const D3DCOLOR white = 0xffffffff;
    const Vertex corners[4] = {{1, 6, {3, 8}, {13, 8}, white},
                               {15, 6, {3, 8}, {13, 8}, white},
                               {15, 10, {3, 8}, {13, 8}, white},
                               {1, 10, {3, 8}, {13, 8}, white}};
    std::vector<int> red = draw(*vs, *ps, corners);
    auto at = [&](int x, int y) { return red[size_t(y * 16 + x)]; };
    // Pixel centres at y + 0.5: rows 7 and 8 lie within the half width, 6 and 9 a pixel beyond.
    EXPECT_GE(at(8, 7), 250);
    EXPECT_GE(at(8, 8), 250);
    EXPECT_LE(at(8, 6), 5);
    EXPECT_LE(at(8, 9), 5);
    // Past the end point the coverage falls off the same way.
    EXPECT_GE(at(3, 8), 250);
    EXPECT_LE(at(14, 8), 5);
    EXPECT_NEAR(at(1, 8), 0, 5);
}

TEST_F(ImmediateModeShadersD3D9Test, RoundedRectanglesHaveRoundAntialiasedCorners) {
    auto vs = load("rounded_rect_vs", false);
    auto ps = load("rounded_rect_ps", true);
    vs->constants().setMatrix(*vs->find("g_transform"), pixelProjection());
    // The rectangle (2, 2) to (14, 14) with corners of radius 4.
    const float r = 4, pos[2] = {2 + r, 2 + r}, size[2] = {12 - 2 * r, 12 - 2 * r}, color[4] = {1, 1, 1, 1};
    ps->constants().setFloats(*ps->find("g_rectPos"), pos, 2);
    ps->constants().setFloats(*ps->find("g_rectSize"), size, 2);
    ps->constants().setFloats(*ps->find("g_rectRadius"), &r, 1);
    ps->constants().setFloats(*ps->find("g_color"), color, 4);
    const Vertex corners[4] = {{1, 1, {}, {}, 0}, {15, 1, {}, {}, 0}, {15, 15, {}, {}, 0}, {1, 15, {}, {}, 0}};
    std::vector<int> red = draw(*vs, *ps, corners);
    auto at = [&](int x, int y) { return red[size_t(y * 16 + x)]; };
    EXPECT_GE(at(8, 8), 250);
    EXPECT_GE(at(8, 2), 250);  // the straight edges are sharp on pixel boundaries
    EXPECT_LE(at(8, 1), 5);
    EXPECT_GE(at(13, 8), 250);
    EXPECT_LE(at(14, 8), 5);
    EXPECT_LE(at(2, 2), 5);    // cut away by the corner's round
    EXPECT_LE(at(13, 13), 5);
    // (2.5, 4.5) lies 0.19 inside the round: about 69 % covered.
    EXPECT_NEAR(at(2, 4), 176, 20);
    EXPECT_NEAR(at(4, 2), 176, 20);
}

} // namespace
#endif
