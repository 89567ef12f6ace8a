#include "engine/render/d3d9/ShaderD3D9.h"

#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Path.h"
#include "core/win32/WideText.h"
#include "engine/render/BuiltinShaders.h"
#include "engine/render/d3d9/D3DDevice.h"

#include <zlib.h>

#include <cctype>
#include <cstdio>
#include <cstring>

namespace engine {

namespace {

int compiles = 0;

// D3DX objects are COM objects: released when the holder goes.
template <class T>
struct ComRef {
    T* p = nullptr;
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (p)
            p->Release();
    }
    T** out() { return &p; }
    void reset() {
        if (p)
            p->Release();
        p = nullptr;
    }
    T* operator->() const { return p; }
};

// A cache file is the compiled code followed by this trailer: a file that was
// cut short or damaged on disk while keeping its time stamp is then noticed
// and compiled again instead of being handed to the driver.
constexpr uint32_t CacheTag = 0x43485351; // "QSHC"
constexpr size_t CacheTrailerSize = 8;

uint32_t checksum(const void* data, size_t size) {
    return uint32_t(crc32(0L, static_cast<const Bytef*>(data), uInt(size)));
}

std::string withTrailer(const void* code, size_t size) {
    std::string file(static_cast<const char*>(code), size);
    const uint32_t trailer[2] = {checksum(code, size), CacheTag};
    file.append(reinterpret_cast<const char*>(trailer), sizeof trailer);
    return file;
}

// The code of a cache file when it is whole: a program of the expected
// stage (version token), ending with the end token, with a matching checksum.
bool cachedCode(const std::string& file, ConstantTableD3D9::Stage stage, size_t& size) {
    if (file.size() < CacheTrailerSize + 8 || file.size() % 4 != 0)
        return false;
    size = file.size() - CacheTrailerSize;
    uint32_t trailer[2], first, last;
    std::memcpy(trailer, file.data() + size, sizeof trailer);
    std::memcpy(&first, file.data(), 4);
    std::memcpy(&last, file.data() + size - 4, 4);
    const uint32_t versionType = stage == ConstantTableD3D9::VertexStage ? 0xFFFE0000u : 0xFFFF0000u;
    return trailer[1] == CacheTag && trailer[0] == checksum(file.data(), size) &&
           (first & 0xFFFF0000u) == versionType && last == 0x0000FFFFu;
}

const char* profileFor(d3d::Device& device, ConstantTableD3D9::Stage stage) {
    const char* profile = stage == ConstantTableD3D9::VertexStage ? D3DXGetVertexShaderProfile(device.get())
                                                                  : D3DXGetPixelShaderProfile(device.get());
    if (profile)
        return profile;
    return stage == ConstantTableD3D9::VertexStage ? "vs_3_0" : "ps_3_0";
}

struct Compiled {
    ComRef<ID3DXBuffer> code;
    ComRef<ID3DXConstantTable> table;
};

// Some HLSL compilers (Wine's among them) ignore the packing flag; the pragma
// says the same inside the text, so every compiler packs rows into registers.
const char* const rowMajorPrologue = "#pragma pack_matrix(row_major)\n";

// Whether compiled code reads a register with an address register offset
// (c[a0.x + n]): the bit that marks a relative source in shader model 2 and 3
// tokens, looked for in every instruction but the constant definitions.
bool usesRelativeAddressing(const DWORD* tokens, size_t count) {
    for (size_t i = 1; i < count;) {
        const DWORD token = tokens[i];
        if (token == 0x0000FFFF)
            break;
        if ((token & 0xFFFF) == 0xFFFE) {
            i += 1 + ((token >> 16) & 0x7FFF);
            continue;
        }
        const DWORD opcode = token & 0xFFFF;
        const size_t length = (token >> 24) & 0xF;
        const bool literals = opcode == D3DSIO_DEF || opcode == D3DSIO_DEFI || opcode == D3DSIO_DEFB ||
                              opcode == D3DSIO_DCL;
        for (size_t k = 1; !literals && k <= length && i + k < count; ++k)
            if (tokens[i + k] & D3DSHADER_ADDRMODE_RELATIVE)
                return true;
        i += 1 + length;
    }
    return false;
}

// Whether the compiler reads constant arrays with a computed index through
// the address register. One that does not (the one used under Wine) unrolls
// such a read into a comparison per element: skinning then visits every bone.
bool compilerIndexesConstants(const char* profile) {
    static int known = -1;
    if (known < 0) {
        const char probe[] = "float4 a[8]; float4 main(float4 i : BLENDINDICES) : POSITION { return a[(int)i.x]; }";
        ComRef<ID3DXBuffer> code;
        ComRef<ID3DXBuffer> messages;
        HRESULT hr = D3DXCompileShader(probe, UINT(sizeof probe - 1), nullptr, nullptr, "main",
                                       profile[0] == 'v' ? profile : "vs_3_0", 0, code.out(), messages.out(),
                                       nullptr);
        known = SUCCEEDED(hr) && usesRelativeAddressing(static_cast<const DWORD*>(code->GetBufferPointer()),
                                                        code->GetBufferSize() / sizeof(DWORD))
                    ? 1
                    : 0;
    }
    return known == 1;
}

// Put before every source; "#line 1" keeps the compiler's line numbers those of the file.
std::string prologue(const char* profile) {
    std::string text = rowMajorPrologue;
    if (!compilerIndexesConstants(profile))
        text += "#define QUILL_NO_INDEXED_CONSTANTS 1\n";
    return text + "#line 1\n";
}

void compile(const std::string& body, const ShaderSourceD3D9& source, const std::string& includeDirectory,
             const char* profile, Compiled& out) {
    std::vector<D3DXMACRO> macros;
    for (const std::string& define : source.defines)
        macros.push_back({define.c_str(), "1"});
    macros.push_back({nullptr, nullptr});

    const std::string text = prologue(profile) + body;
    IncludeHandler includes(includeDirectory);
    ComRef<ID3DXBuffer> messages;
    ++compiles;
    HRESULT hr = D3DXCompileShader(text.data(), UINT(text.size()), macros.data(), &includes,
                                   source.entryPoint.c_str(), profile, D3DXSHADER_PACKMATRIX_ROWMAJOR,
                                   out.code.out(), messages.out(), out.table.out());
    if (messages.p && messages->GetBufferSize() > 0) {
        std::string log(static_cast<const char*>(messages->GetBufferPointer()), messages->GetBufferSize());
        log.resize(strnlen(log.c_str(), log.size()));
        if (FAILED(hr))
            throw core::Exception("%s", log.c_str());
        core::debugLog("%s", log.c_str());
    }
    if (FAILED(hr))
        throw d3d::Exception_D3DError("D3DXCompileShader failed", hr);
}

// Compiled code of the shaders built into the host, which have no file and
// so no time stamp to check a cache file against: it is kept in the
// temporary folder under a name that hashes everything the compile reads
// (every built-in Direct3D 9 source, as they include each other; the path,
// entry point, defines and profile). A start after the first then compiles
// nothing, and no other build ever takes this one's code. Empty when there
// is no temporary folder.
std::string builtinCacheFileName(const std::string& path, const ShaderSourceD3D9& source, const char* profile) {
    auto hash = [](uint64_t h, const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i)
            h = (h ^ bytes[i]) * 0x100000001B3ull; // 64-bit FNV-1a
        return h;
    };
    static const uint64_t sources = [&hash] {
        uint64_t h = 0xCBF29CE484222325ull;
        for (const BuiltinShader* shader = builtinShaders; shader->path; ++shader) {
            if (std::strncmp(shader->path, "shaders/d3d9/", 13) != 0)
                continue;
            h = hash(h, shader->path, std::strlen(shader->path) + 1);
            h = hash(h, shader->source, shader->size);
        }
        return h;
    }();
    std::string key = path + '\n' + source.entryPoint + '\n' + profile + '\n' + prologue(profile);
    for (const std::string& define : source.defines)
        key += define + '\n';
    const uint64_t h = hash(sources, key.data(), key.size());

    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        return {};
    char name[24];
    std::snprintf(name, sizeof name, "_%016llx", static_cast<unsigned long long>(h));
    const std::string file = ShaderD3D9::cacheFileName(core::stripPath(path), source.entryPoint, source.defines);
    return core::win32::narrow(folder) + "quill-shaders/" + core::stripExtension(file) + name + ".d3d9_shader";
}

HRESULT createProgram(d3d::Device& device, ConstantTableD3D9::Stage stage, const void* code,
                      IDirect3DVertexShader9** vertex, IDirect3DPixelShader9** pixel) {
    if (stage == ConstantTableD3D9::VertexStage)
        return device.get()->CreateVertexShader(static_cast<const DWORD*>(code), vertex);
    return device.get()->CreatePixelShader(static_cast<const DWORD*>(code), pixel);
}

} // namespace

HRESULT IncludeHandler::Open(D3DXINCLUDE_TYPE, LPCSTR name, LPCVOID, LPCVOID* data, UINT* bytes) {
    std::string candidate = m_directory.empty() ? std::string(name) : m_directory + "/" + name;
    if (!shaderFileExists(candidate))
        candidate = std::string("shaders/d3d9/") + name;
    try {
        std::string text = readShaderFile(candidate);
        char* copy = new char[text.size() + 1];
        std::memcpy(copy, text.c_str(), text.size() + 1);
        *data = copy;
        *bytes = UINT(text.size());
        return S_OK;
    } catch (const core::Exception& e) {
        core::debugLog("%s\n", e.getMessage());
        return E_FAIL;
    }
}

HRESULT IncludeHandler::Close(LPCVOID data) {
    delete[] static_cast<const char*>(data);
    return S_OK;
}

int ShaderD3D9::compileCount() { return compiles; }

std::string ShaderD3D9::cacheFileName(const std::string& resolvedSource, const std::string& entryPoint,
                                      const std::vector<std::string>& defines) {
    std::string suffix;
    for (const std::string& define : defines) {
        suffix += '_';
        for (char c : define)
            suffix += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return core::stripExtension(resolvedSource) + "_" + entryPoint + suffix + ".d3d9_shader";
}

std::unique_ptr<ShaderD3D9> ShaderD3D9::createVertexShader(d3d::Device& device, const ShaderSourceD3D9& source) {
    return create(device, source, ConstantTableD3D9::VertexStage);
}

std::unique_ptr<ShaderD3D9> ShaderD3D9::createPixelShader(d3d::Device& device, const ShaderSourceD3D9& source) {
    return create(device, source, ConstantTableD3D9::PixelStage);
}

std::unique_ptr<ShaderD3D9> ShaderD3D9::create(d3d::Device& device, const ShaderSourceD3D9& source, Stage stage) {
    std::unique_ptr<ShaderD3D9> shader(new ShaderD3D9);
    const char* profile = profileFor(device, stage);
    Compiled compiled;

    if (!source.fromFile) {
        compile(source.source, source, source.includeDirectory, profile, compiled);
    } else {
        const std::string& path = source.source;
        std::string resolved = core::resolvePath(path);
        if (resolved.empty())
            resolved = path;
        const bool onDisk = core::fileExists(path);
        const core::FileTime sourceTime = onDisk ? core::fileDate(path) : 0;
        const std::string cache = onDisk ? cacheFileName(resolved, source.entryPoint, source.defines)
                                         : builtinCacheFileName(path, source, profile);

        bool cached = false;
        if (!cache.empty() && core::fileExists(cache) && (!onDisk || core::fileDate(cache) == sourceTime)) {
            std::string file = core::readFile(cache);
            size_t size = 0;
            if (cachedCode(file, stage, size)) {
                HRESULT hr = D3DXCreateBuffer(DWORD(size), compiled.code.out());
                if (FAILED(hr))
                    throw d3d::Exception_D3DError("D3DXCreateBuffer failed", hr);
                std::memcpy(compiled.code->GetBufferPointer(), file.data(), size);
                cached = SUCCEEDED(D3DXGetShaderConstantTable(
                    static_cast<const DWORD*>(compiled.code->GetBufferPointer()), compiled.table.out()));
            }
            if (!cached) {
                core::debugLog("Shader cache file %s is damaged; compiling again\n", cache.c_str());
                compiled.code.reset();
                compiled.table.reset();
            }
        }
        if (!cached) {
            core::debugLog("Compiling shader %s\n", path.c_str());
            std::string text = readShaderFile(path);
            compile(text, source, source.includeDirectory.empty() ? core::getPath(path) : source.includeDirectory,
                    profile, compiled);
            if (!cache.empty()) {
                // A cache that cannot be written costs the next start a compile, nothing more.
                try {
                    std::string file =
                        withTrailer(compiled.code->GetBufferPointer(), compiled.code->GetBufferSize());
                    if (!onDisk)
                        core::createPath(core::getPath(cache));
                    {
                        std::unique_ptr<core::File> out = core::createFile(cache);
                        out->write(file.data(), int64_t(file.size()));
                    }
                    if (onDisk)
                        core::setFileDate(cache, sourceTime);
                } catch (const core::Exception& e) {
                    core::debugLog("Shader cache file %s not written: %s\n", cache.c_str(), e.getMessage());
                }
            }
        }
    }

    HRESULT hr = createProgram(device, stage, compiled.code->GetBufferPointer(), &shader->m_vertexShader,
                               &shader->m_pixelShader);
    if (FAILED(hr))
        throw d3d::Exception_D3DError(stage == ConstantTableD3D9::VertexStage ? "CreateVertexShader failed"
                                                                               : "CreatePixelShader failed",
                                      hr);
    shader->m_constants = std::make_unique<ConstantTableD3D9>(compiled.table.p, stage);
    return shader;
}

ShaderD3D9::~ShaderD3D9() {
    if (m_vertexShader)
        m_vertexShader->Release();
    if (m_pixelShader)
        m_pixelShader->Release();
}

} // namespace engine
