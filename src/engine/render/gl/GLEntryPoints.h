#pragma once

// The OpenGL entry points beyond version 1.1, loaded by name once a context
// is current. Version 1.1 functions are called directly.

#include "engine/render/gl/GLHeaders.h"

// On Windows gl.h brings windows.h, whose DrawState macro would rename the
// engine's own DrawState.
#ifdef DrawState
#undef DrawState
#endif

namespace core {
class GLContext;
}

namespace engine {

// In loading order.
#define QUILL_GL_ENTRY_POINTS(X)                                                                                       \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                                                               \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                                                               \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                                                               \
    X(PFNGLMAPBUFFERPROC, glMapBuffer)                                                                                 \
    X(PFNGLUNMAPBUFFERPROC, glUnmapBuffer)                                                                             \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                                                                         \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                                                                     \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                                                                     \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer)                                                     \
    X(PFNGLFRAMEBUFFERTEXTURE2DPROC, glFramebufferTexture2D)                                                           \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)                                                       \
    X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)                                                               \
    X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers)                                                                   \
    X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer)                                                                   \
    X(PFNGLRENDERBUFFERSTORAGEPROC, glRenderbufferStorage)                                                             \
    X(PFNGLDELETERENDERBUFFERSPROC, glDeleteRenderbuffers)                                                             \
    X(PFNGLDRAWBUFFERSPROC, glDrawBuffers)                                                                             \
    X(PFNGLDRAWRANGEELEMENTSPROC, glDrawRangeElements)                                                                 \
    X(PFNGLBLITFRAMEBUFFERPROC, glBlitFramebuffer)                                                                     \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                                                           \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                                                           \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                                                           \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                                                                         \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                                                             \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                                                                   \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                                                                         \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                                                                         \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                                                           \
    X(PFNGLDETACHSHADERPROC, glDetachShader)                                                                           \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                                                             \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                                                           \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                                                               \
    X(PFNGLUNIFORM1FPROC, glUniform1f)                                                                                 \
    X(PFNGLUNIFORM2FPROC, glUniform2f)                                                                                 \
    X(PFNGLUNIFORM3FPROC, glUniform3f)                                                                                 \
    X(PFNGLUNIFORM4FPROC, glUniform4f)                                                                                 \
    X(PFNGLUNIFORM1FVPROC, glUniform1fv)                                                                               \
    X(PFNGLUNIFORM2FVPROC, glUniform2fv)                                                                               \
    X(PFNGLUNIFORM3FVPROC, glUniform3fv)                                                                               \
    X(PFNGLUNIFORM4FVPROC, glUniform4fv)                                                                               \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                                                                 \
    X(PFNGLUNIFORM2IPROC, glUniform2i)                                                                                 \
    X(PFNGLUNIFORM3IPROC, glUniform3i)                                                                                 \
    X(PFNGLUNIFORM4IPROC, glUniform4i)                                                                                 \
    X(PFNGLUNIFORM1IVPROC, glUniform1iv)                                                                               \
    X(PFNGLUNIFORM2IVPROC, glUniform2iv)                                                                               \
    X(PFNGLUNIFORM3IVPROC, glUniform3iv)                                                                               \
    X(PFNGLUNIFORM4IVPROC, glUniform4iv)                                                                               \
    X(PFNGLUNIFORMMATRIX2FVPROC, glUniformMatrix2fv)                                                                   \
    X(PFNGLUNIFORMMATRIX3FVPROC, glUniformMatrix3fv)                                                                   \
    X(PFNGLUNIFORMMATRIX4FVPROC, glUniformMatrix4fv)                                                                   \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                                                               \
    X(PFNGLVALIDATEPROGRAMPROC, glValidateProgram)                                                                     \
    X(PFNGLBINDATTRIBLOCATIONPROC, glBindAttribLocation)                                                               \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                                                                 \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                                                                         \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)                                                     \
    X(PFNGLDISABLEVERTEXATTRIBARRAYPROC, glDisableVertexAttribArray)                                                   \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                                                             \
    X(PFNGLCOMPRESSEDTEXIMAGE2DPROC, glCompressedTexImage2D)                                                           \
    X(PFNGLCOMPRESSEDTEXSUBIMAGE2DPROC, glCompressedTexSubImage2D)                                                     \
    X(PFNGLGENERATEMIPMAPPROC, glGenerateMipmap)                                                                       \
    X(PFNGLSTENCILFUNCSEPARATEPROC, glStencilFuncSeparate)                                                             \
    X(PFNGLSTENCILOPSEPARATEPROC, glStencilOpSeparate)                                                                 \
    X(PFNGLGETATTRIBLOCATIONPROC, glGetAttribLocation)

// Entry points of later versions that the renderer uses only when the driver
// has them; null otherwise, and not worth a warning.
#define QUILL_GL_OPTIONAL_ENTRY_POINTS(X)                                                                              \
    X(PFNGLTEXSTORAGE2DPROC, glTexStorage2D)                                                                           \
    X(PFNGLTEXTUREVIEWPROC, glTextureView)

struct GLEntryPoints {
#define QUILL_GL_MEMBER(type, name) type name = nullptr;
    QUILL_GL_ENTRY_POINTS(QUILL_GL_MEMBER)
    QUILL_GL_OPTIONAL_ENTRY_POINTS(QUILL_GL_MEMBER)
#undef QUILL_GL_MEMBER
};

// The process-wide table (there is one context at a time).
GLEntryPoints& gl();

// Fills the table from the current context; names the missing ones in the
// debug log, since a call through a null entry point would crash later.
void loadEntryPoints(core::GLContext& context);

} // namespace engine
