/* d3dcompiler_47.dll for running quill's Windows build under Wine.
 *
 * The HLSL compiler inside Wine 8 predates shader model 3 texture sampling
 * (no tex2D, no clip, few intrinsics), so the Direct3D 9 renderer's shaders
 * cannot be compiled there. This library puts a newer build of the same
 * compiler library (vkd3d-shader, from Debian's Wine 10 sources) behind the
 * entry points D3DX imports, and is loaded in place of Wine's own through
 * WINEDLLOVERRIDES by scripts/test-windows.sh. It is never shipped: on
 * Windows, D3DX compiles with the system's compiler.
 */
#define COBJMACROS
#include <windows.h>
#include <initguid.h>
#include <d3dcommon.h>
#include <d3dcompiler.h>
#include <stdlib.h>
#include <string.h>

#include <vkd3d_shader.h>

/* The compiler library reads its trace switches from this variable. */
const char* vkd3d_dbg_env_name = "VKD3D_SHADER_DEBUG";

/* --- blobs ---------------------------------------------------------------- */

struct blob {
    ID3DBlob iface;
    LONG refcount;
    SIZE_T size;
    unsigned char data[];
};

static struct blob* blob_from(ID3DBlob* iface) { return (struct blob*)iface; }

static HRESULT WINAPI blob_QueryInterface(ID3DBlob* iface, REFIID riid, void** object) {
    if (IsEqualGUID(riid, &IID_ID3D10Blob) || IsEqualGUID(riid, &IID_IUnknown)) {
        ID3D10Blob_AddRef(iface);
        *object = iface;
        return S_OK;
    }
    *object = NULL;
    return E_NOINTERFACE;
}

static ULONG WINAPI blob_AddRef(ID3DBlob* iface) { return InterlockedIncrement(&blob_from(iface)->refcount); }

static ULONG WINAPI blob_Release(ID3DBlob* iface) {
    ULONG left = InterlockedDecrement(&blob_from(iface)->refcount);
    if (!left)
        free(blob_from(iface));
    return left;
}

static void* WINAPI blob_GetBufferPointer(ID3DBlob* iface) { return blob_from(iface)->data; }

static SIZE_T WINAPI blob_GetBufferSize(ID3DBlob* iface) { return blob_from(iface)->size; }

static ID3D10BlobVtbl blob_vtbl = {
    blob_QueryInterface, blob_AddRef, blob_Release, blob_GetBufferPointer, blob_GetBufferSize,
};

HRESULT WINAPI D3DCreateBlob(SIZE_T size, ID3DBlob** out) {
    struct blob* blob;
    if (!out)
        return E_INVALIDARG;
    if (!(blob = malloc(sizeof(*blob) + size)))
        return E_OUTOFMEMORY;
    blob->iface.lpVtbl = &blob_vtbl;
    blob->refcount = 1;
    blob->size = size;
    memset(blob->data, 0, size);
    *out = &blob->iface;
    return S_OK;
}

static HRESULT blob_of(const void* data, SIZE_T size, ID3DBlob** out) {
    HRESULT hr = D3DCreateBlob(size, out);
    if (SUCCEEDED(hr))
        memcpy(ID3D10Blob_GetBufferPointer(*out), data, size);
    return hr;
}

/* --- compiling ------------------------------------------------------------ */

static int open_include(const char* name, bool local, const char* parent, void* context,
                        struct vkd3d_shader_code* code) {
    ID3DInclude* include = context;
    UINT size = 0;
    memset(code, 0, sizeof(*code));
    if (!include || FAILED(include->lpVtbl->Open(include, local ? D3D_INCLUDE_LOCAL : D3D_INCLUDE_SYSTEM, name,
                                                 parent, &code->code, &size)))
        return VKD3D_ERROR;
    code->size = size;
    return VKD3D_OK;
}

static void close_include(const struct vkd3d_shader_code* code, void* context) {
    ID3DInclude* include = context;
    include->lpVtbl->Close(include, code->code);
}

static HRESULT hresult_of(int result) {
    switch (result) {
    case VKD3D_OK: return S_OK;
    case VKD3D_ERROR_OUT_OF_MEMORY: return E_OUTOFMEMORY;
    case VKD3D_ERROR_INVALID_ARGUMENT: return E_INVALIDARG;
    case VKD3D_ERROR_NOT_IMPLEMENTED: return E_NOTIMPL;
    default: return E_FAIL;
    }
}

static bool is_d3dbc_profile(const char* profile) {
    return profile && (profile[0] == 'v' || profile[0] == 'p') && profile[1] == 's' &&
           (profile[2] == '_' || profile[2] == '.') && profile[3] >= '1' && profile[3] <= '3';
}

/* Hands the compiler's log back as a blob, and frees it. */
static HRESULT take_messages(char* messages, ID3DBlob** out) {
    HRESULT hr = S_OK;
    if (messages && *messages && out)
        hr = blob_of(messages, strlen(messages), out);
    vkd3d_shader_free_messages(messages);
    return hr;
}

static void describe_source(struct vkd3d_shader_compile_info* info, struct vkd3d_shader_preprocess_info* preprocess,
                            const void* data, SIZE_T size, const char* filename, const D3D_SHADER_MACRO* macros,
                            ID3DInclude* include) {
    memset(info, 0, sizeof(*info));
    memset(preprocess, 0, sizeof(*preprocess));
    info->type = VKD3D_SHADER_STRUCTURE_TYPE_COMPILE_INFO;
    info->next = preprocess;
    info->source.code = data;
    info->source.size = size;
    info->source_type = VKD3D_SHADER_SOURCE_HLSL;
    info->log_level = VKD3D_SHADER_LOG_INFO;
    info->source_name = filename;

    preprocess->type = VKD3D_SHADER_STRUCTURE_TYPE_PREPROCESS_INFO;
    preprocess->macros = (const struct vkd3d_shader_macro*)macros;
    for (const D3D_SHADER_MACRO* macro = macros; macro && macro->Name; ++macro)
        ++preprocess->macro_count;
    preprocess->pfn_open_include = open_include;
    preprocess->pfn_close_include = close_include;
    preprocess->include_context = include;
}

HRESULT WINAPI D3DCompile2(const void* data, SIZE_T size, const char* filename, const D3D_SHADER_MACRO* macros,
                           ID3DInclude* include, const char* entry, const char* profile, UINT flags,
                           UINT effect_flags, UINT secondary_flags, const void* secondary, SIZE_T secondary_size,
                           ID3DBlob** shader, ID3DBlob** messages_out) {
    struct vkd3d_shader_compile_info info;
    struct vkd3d_shader_preprocess_info preprocess;
    struct vkd3d_shader_hlsl_source_info hlsl = {0};
    struct vkd3d_shader_compile_option options[4];
    struct vkd3d_shader_code code = {0};
    char* messages = NULL;
    unsigned int count = 0;
    HRESULT hr;
    int result;
    (void)effect_flags;
    (void)secondary_flags;

    if (shader)
        *shader = NULL;
    if (messages_out)
        *messages_out = NULL;
    if (!profile)
        return E_INVALIDARG;

    describe_source(&info, &preprocess, data, size, filename, macros, include);
    info.target_type = is_d3dbc_profile(profile) ? VKD3D_SHADER_TARGET_D3D_BYTECODE : VKD3D_SHADER_TARGET_DXBC_TPF;
    preprocess.next = &hlsl;
    hlsl.type = VKD3D_SHADER_STRUCTURE_TYPE_HLSL_SOURCE_INFO;
    hlsl.profile = profile;
    hlsl.entry_point = entry;
    hlsl.secondary_code.code = secondary;
    hlsl.secondary_code.size = secondary_size;

    options[count].name = VKD3D_SHADER_COMPILE_OPTION_API_VERSION;
    options[count++].value = VKD3D_SHADER_API_VERSION_1_14;
    if (!(flags & D3DCOMPILE_DEBUG)) {
        options[count].name = VKD3D_SHADER_COMPILE_OPTION_STRIP_DEBUG;
        options[count++].value = true;
    }
    if (flags & (D3DCOMPILE_PACK_MATRIX_ROW_MAJOR | D3DCOMPILE_PACK_MATRIX_COLUMN_MAJOR)) {
        options[count].name = VKD3D_SHADER_COMPILE_OPTION_PACK_MATRIX_ORDER;
        options[count++].value = (flags & D3DCOMPILE_PACK_MATRIX_ROW_MAJOR)
                                     ? VKD3D_SHADER_COMPILE_OPTION_PACK_MATRIX_ROW_MAJOR
                                     : VKD3D_SHADER_COMPILE_OPTION_PACK_MATRIX_COLUMN_MAJOR;
    }
    if (flags & D3DCOMPILE_ENABLE_BACKWARDS_COMPATIBILITY) {
        options[count].name = VKD3D_SHADER_COMPILE_OPTION_BACKWARD_COMPATIBILITY;
        options[count++].value = VKD3D_SHADER_COMPILE_OPTION_BACKCOMPAT_MAP_SEMANTIC_NAMES;
    }
    info.options = options;
    info.option_count = count;

    result = vkd3d_shader_compile(&info, &code, &messages);
    hr = take_messages(messages, messages_out);
    if (result || FAILED(hr)) {
        vkd3d_shader_free_shader_code(&code);
        return result ? hresult_of(result) : hr;
    }
    hr = shader ? blob_of(code.code, code.size, shader) : S_OK;
    vkd3d_shader_free_shader_code(&code);
    return hr;
}

HRESULT WINAPI D3DCompile(const void* data, SIZE_T size, const char* filename, const D3D_SHADER_MACRO* macros,
                          ID3DInclude* include, const char* entry, const char* profile, UINT flags,
                          UINT effect_flags, ID3DBlob** shader, ID3DBlob** messages) {
    return D3DCompile2(data, size, filename, macros, include, entry, profile, flags, effect_flags, 0, NULL, 0,
                       shader, messages);
}

HRESULT WINAPI D3DPreprocess(const void* data, SIZE_T size, const char* filename, const D3D_SHADER_MACRO* macros,
                             ID3DInclude* include, ID3DBlob** shader, ID3DBlob** messages_out) {
    struct vkd3d_shader_compile_info info;
    struct vkd3d_shader_preprocess_info preprocess;
    struct vkd3d_shader_code code = {0};
    char* messages = NULL;
    HRESULT hr;
    int result;

    if (shader)
        *shader = NULL;
    if (messages_out)
        *messages_out = NULL;
    describe_source(&info, &preprocess, data, size, filename, macros, include);
    info.target_type = VKD3D_SHADER_TARGET_NONE;
    result = vkd3d_shader_preprocess(&info, &code, &messages);
    hr = take_messages(messages, messages_out);
    if (result || FAILED(hr)) {
        vkd3d_shader_free_shader_code(&code);
        return result ? hresult_of(result) : hr;
    }
    hr = shader ? blob_of(code.code, code.size, shader) : S_OK;
    vkd3d_shader_free_shader_code(&code);
    return hr;
}

/* D3DX imports these too; quill uses neither. */
HRESULT WINAPI D3DAssemble(const void* data, SIZE_T size, const char* filename, const D3D_SHADER_MACRO* macros,
                           ID3DInclude* include, UINT flags, ID3DBlob** shader, ID3DBlob** messages) {
    (void)data, (void)size, (void)filename, (void)macros, (void)include, (void)flags;
    if (shader)
        *shader = NULL;
    if (messages)
        *messages = NULL;
    return E_NOTIMPL;
}

HRESULT WINAPI D3DDisassemble(const void* data, SIZE_T size, UINT flags, const char* comments, ID3DBlob** text) {
    (void)data, (void)size, (void)flags, (void)comments;
    if (text)
        *text = NULL;
    return E_NOTIMPL;
}
