#include "engine/render/d3d9/ConstantTableD3D9.h"

#include "engine/render/d3d9/D3DDevice.h"

#include <algorithm>
#include <cstring>

namespace engine {

namespace {

const char* const builtinNames[ConstantTableD3D9::BuiltinCount] = {"g_viewMatrix", "g_worldMatrix",
                                                                    "g_projectionMatrix"};

int typeCode(const D3DXCONSTANT_DESC& desc) {
    if (desc.RegisterSet == D3DXRS_SAMPLER)
        return ConstantTableD3D9::TypeSampler;
    if (desc.RegisterSet != D3DXRS_FLOAT4 || desc.Type != D3DXPT_FLOAT)
        return ConstantTableD3D9::TypeOther;
    if (desc.Rows == 1 && desc.Columns >= 1 && desc.Columns <= 4)
        return ConstantTableD3D9::TypeFloat + int(desc.Columns) - 1;
    if (desc.Rows == 3 && desc.Columns == 3)
        return ConstantTableD3D9::TypeFloat3x3;
    if (desc.Rows == 3 && desc.Columns == 4)
        return ConstantTableD3D9::TypeFloat3x4;
    if (desc.Rows == 4 && desc.Columns == 4)
        return ConstantTableD3D9::TypeFloat4x4;
    return ConstantTableD3D9::TypeOther;
}

} // namespace

ConstantTableD3D9::ConstantTableD3D9(ID3DXConstantTable* table, Stage stage) : m_stage(stage) {
    D3DXCONSTANTTABLE_DESC tableDesc;
    HRESULT hr = table->GetDesc(&tableDesc);
    if (FAILED(hr))
        throw d3d::Exception_D3DError("GetDesc failed", hr);

    std::vector<bool> isFloat;
    for (UINT i = 0; i < tableDesc.Constants; ++i) {
        D3DXHANDLE handle = table->GetConstant(nullptr, i);
        D3DXCONSTANT_DESC desc;
        UINT count = 1;
        hr = table->GetConstantDesc(handle, &desc, &count);
        if (FAILED(hr))
            throw d3d::Exception_D3DError("GetConstantDesc failed", hr);
        Constant constant;
        constant.name = desc.Name ? desc.Name : "";
        constant.type = typeCode(desc);
        for (int id = 0; id < BuiltinCount; ++id) {
            if (constant.name == builtinNames[id])
                constant.builtin = id;
        }
        constant.registerIndex = int(desc.RegisterIndex);
        constant.registerCount = int(desc.RegisterCount);
        isFloat.push_back(desc.RegisterSet == D3DXRS_FLOAT4);
        if (isFloat.back())
            m_registerCount = std::max(m_registerCount, constant.registerIndex + constant.registerCount);
        m_constants.push_back(std::move(constant));
    }

    m_registers.reset(new float[size_t(std::max(m_registerCount, 1)) * 4]());
    for (size_t i = 0; i < m_constants.size(); ++i) {
        Constant& constant = m_constants[i];
        if (isFloat[i])
            constant.data = m_registers.get() + size_t(constant.registerIndex) * 4;
        if (constant.builtin >= 0 && !m_builtins[constant.builtin])
            m_builtins[constant.builtin] = &constant;
    }
}

const ConstantTableD3D9::Constant* ConstantTableD3D9::find(const char* name) const {
    for (const Constant& constant : m_constants) {
        if (constant.name == name)
            return &constant;
    }
    return nullptr;
}

void ConstantTableD3D9::setFloats(const Constant& constant, const float* values, int count) {
    if (!constant.data)
        return;
    count = std::min(count, constant.registerCount * 4);
    if (count > 0)
        std::memcpy(constant.data, values, size_t(count) * sizeof(float));
}

void ConstantTableD3D9::writeColumns(const Constant& constant, const float (*rows)[4], int rowCount,
                                     int columnCount) {
    if (!constant.data)
        return;
    int registers = std::min(constant.registerCount, columnCount);
    for (int i = 0; i < registers; ++i) {
        float* column = constant.data + i * 4;
        for (int r = 0; r < rowCount; ++r)
            column[r] = rows[r][i];
    }
}

void ConstantTableD3D9::setMatrix(const Constant& constant, const Mat4& matrix) {
    writeColumns(constant, matrix.m, 4, 4);
}

void ConstantTableD3D9::setMatrix(const Constant& constant, const Mat4x3& matrix) {
    const Mat3& r = matrix.rot;
    const float rows[4][4] = {{r.row[0].x, r.row[0].y, r.row[0].z, 0},
                              {r.row[1].x, r.row[1].y, r.row[1].z, 0},
                              {r.row[2].x, r.row[2].y, r.row[2].z, 0},
                              {matrix.pos.x, matrix.pos.y, matrix.pos.z, 1}};
    writeColumns(constant, rows, 4, 4);
}

void ConstantTableD3D9::setMatrix(const Constant& constant, const Mat3& matrix) {
    const float rows[3][4] = {{matrix.row[0].x, matrix.row[0].y, matrix.row[0].z, 0},
                              {matrix.row[1].x, matrix.row[1].y, matrix.row[1].z, 0},
                              {matrix.row[2].x, matrix.row[2].y, matrix.row[2].z, 0}};
    writeColumns(constant, rows, 3, 3);
}

void ConstantTableD3D9::setSkinningMatrices(const Constant& constant, const std::vector<Mat4x3>& bones) {
    if (!constant.data)
        return;
    size_t count = std::min(bones.size(), size_t(constant.registerCount / 3));
    for (size_t i = 0; i < count; ++i) {
        const Mat4x3& m = bones[i];
        const float rows[4][4] = {{m.rot.row[0].x, m.rot.row[0].y, m.rot.row[0].z, 0},
                                  {m.rot.row[1].x, m.rot.row[1].y, m.rot.row[1].z, 0},
                                  {m.rot.row[2].x, m.rot.row[2].y, m.rot.row[2].z, 0},
                                  {m.pos.x, m.pos.y, m.pos.z, 1}};
        float* bone = constant.data + i * 12;
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 4; ++k)
                bone[j * 4 + k] = rows[k][j];
        }
    }
}

void ConstantTableD3D9::upload(IDirect3DDevice9* device) const {
    if (m_registerCount <= 0)
        return;
    HRESULT hr = m_stage == VertexStage
                     ? device->SetVertexShaderConstantF(0, m_registers.get(), UINT(m_registerCount))
                     : device->SetPixelShaderConstantF(0, m_registers.get(), UINT(m_registerCount));
    if (FAILED(hr))
        throw d3d::Exception_D3DError(m_stage == VertexStage ? "SetVertexShaderConstantF failed"
                                                             : "SetPixelShaderConstantF failed",
                                      hr);
}

} // namespace engine
