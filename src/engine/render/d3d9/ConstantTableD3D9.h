#pragma once

// The constants of one compiled HLSL program, gathered in a register buffer
// that is uploaded in one call before each draw. Matrices are stored so that
// a program compiled with row-major packing, multiplying matrix x column
// vector, computes what the engine's row-vector convention computes.

#include "engine/scene/Matrix.h"

#include <d3dx9shader.h>

#include <memory>
#include <string>
#include <vector>

namespace engine {

class ConstantTableD3D9 {
public:
    enum Stage { VertexStage = 0, PixelStage = 1 };
    enum Type {
        TypeOther = -1,
        TypeFloat = 0,
        TypeFloat2 = 1,
        TypeFloat3 = 2,
        TypeFloat4 = 3,
        TypeFloat3x3 = 4,
        TypeFloat3x4 = 5,
        TypeFloat4x4 = 6,
        TypeSampler = 7,
    };
    enum Builtin { ViewMatrix = 0, WorldMatrix = 1, ProjectionMatrix = 2, BuiltinCount = 3 };

    struct Constant {
        std::string name;
        int type = TypeOther;
        int builtin = -1;
        int registerIndex = 0;
        int registerCount = 0;
        // The first register in the buffer; null for samplers and for the
        // integer and boolean constants, which the float buffer does not hold.
        float* data = nullptr;
    };

    // Reads every constant's description (d3d::Exception_D3DError "GetDesc
    // failed" or "GetConstantDesc failed").
    ConstantTableD3D9(ID3DXConstantTable* table, Stage stage);
    ConstantTableD3D9(const ConstantTableD3D9&) = delete;
    ConstantTableD3D9& operator=(const ConstantTableD3D9&) = delete;

    Stage stage() const { return m_stage; }
    const std::vector<Constant>& constants() const { return m_constants; }
    int registerCount() const { return m_registerCount; }
    const float* registers() const { return m_registers.get(); }

    // The first constant of exactly that name, or null.
    const Constant* find(const char* name) const;
    const Constant* builtin(Builtin id) const { return m_builtins[id]; }

    // Writes count floats from the constant's first register on, no further
    // than its registers reach. No effect on samplers and non-float constants.
    void setFloats(const Constant& constant, const float* values, int count);
    // Register i receives column i of the matrix, for as many registers as the
    // constant has (at most four; three components each for a Mat3).
    void setMatrix(const Constant& constant, const Mat4& matrix);
    void setMatrix(const Constant& constant, const Mat4x3& matrix);
    void setMatrix(const Constant& constant, const Mat3& matrix);
    // Three registers per bone (the matrix's three columns), as many bones as
    // the constant has room for.
    void setSkinningMatrices(const Constant& constant, const std::vector<Mat4x3>& bones);

    // The whole buffer into the device's float constants of this stage.
    void upload(IDirect3DDevice9* device) const;

private:
    void writeColumns(const Constant& constant, const float (*rows)[4], int rowCount, int columnCount);

    Stage m_stage;
    std::vector<Constant> m_constants;
    const Constant* m_builtins[BuiltinCount] = {};
    std::unique_ptr<float[]> m_registers;
    int m_registerCount = 0;
};

} // namespace engine
