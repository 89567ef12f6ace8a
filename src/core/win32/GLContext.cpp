// OpenGL contexts on Win32 windows through WGL: the pixel format is set on the
// window's own device context, then a compatibility context is made on it.
#include "core/GLContext.h"

#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/win32/WindowNative.h"

namespace core {

namespace {

using SwapIntervalProc = BOOL(WINAPI*)(int interval);

// wglGetProcAddress answers only for what the driver adds; GL 1.1 lives in
// opengl32's exports. Some drivers answer small numbers instead of null.
void* glEntryPoint(const char* name) {
    PROC proc = wglGetProcAddress(name);
    auto value = reinterpret_cast<intptr_t>(proc);
    if (value >= -1 && value <= 3) {
        static HMODULE openGL = LoadLibraryW(L"opengl32.dll");
        proc = openGL ? GetProcAddress(openGL, name) : nullptr;
    }
    return reinterpret_cast<void*>(proc);
}

class GLContextWin32 final : public GLContext {
public:
    GLContextWin32(HWND window, HDC dc, HGLRC context) : m_window(window), m_dc(dc), m_context(context) {}

    ~GLContextWin32() override {
        if (wglGetCurrentContext() == m_context)
            wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(m_context);
        if (IsWindow(m_window))
            ReleaseDC(m_window, m_dc);
    }

    void* procAddress(const char* name) override { return glEntryPoint(name); }

    bool setSwapInterval(int interval) override {
        auto swapInterval = reinterpret_cast<SwapIntervalProc>(glEntryPoint("wglSwapIntervalEXT"));
        return swapInterval && swapInterval(interval);
    }

    // The window may have been closed under the context: then there is nothing to show.
    void present() override {
        if (IsWindow(m_window))
            SwapBuffers(m_dc);
    }

private:
    HWND m_window;
    HDC m_dc;
    HGLRC m_context;
};

// A window keeps the first pixel format set on it, so a second context on the
// same window uses the one already there.
bool choosePixelFormat(HDC dc) {
    if (GetPixelFormat(dc) > 0)
        return true;
    PIXELFORMATDESCRIPTOR wanted{};
    wanted.nSize = sizeof(wanted);
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = 24;
    wanted.cDepthBits = 24;
    wanted.cStencilBits = 8;
    wanted.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(dc, &wanted);
    if (format == 0) {
        debugLog("ChoosePixelFormat failed (%lu)\n", GetLastError());
        return false;
    }
    if (!SetPixelFormat(dc, format, &wanted)) {
        debugLog("SetPixelFormat failed (%lu)\n", GetLastError());
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<GLContext> GLContext::create(Window& window) {
    HWND hwnd = win32::nativeWindow(window);
    if (!hwnd)
        throw Exception("Could not create OpenGL context (the window has no OpenGL surface)");
    HDC dc = GetDC(hwnd);
    if (!dc)
        throw Exception("Could not create OpenGL context (GetDC failed)");
    if (!choosePixelFormat(dc)) {
        ReleaseDC(hwnd, dc);
        throw Exception("Could not create OpenGL context (no pixel format with 24-bit depth and 8-bit stencil)");
    }
    HGLRC context = wglCreateContext(dc);
    if (!context) {
        debugLog("wglCreateContext failed (%lu)\n", GetLastError());
        ReleaseDC(hwnd, dc);
        throw Exception("Could not create OpenGL context (wglCreateContext failed)");
    }
    if (!wglMakeCurrent(dc, context)) {
        debugLog("wglMakeCurrent failed (%lu)\n", GetLastError());
        wglDeleteContext(context);
        ReleaseDC(hwnd, dc);
        throw Exception("Could not make OpenGL context current");
    }
    return std::make_unique<GLContextWin32>(hwnd, dc, context);
}

} // namespace core
