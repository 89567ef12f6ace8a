#pragma once

// The system's OpenGL headers. On Windows they would include windows.h for the
// two calling-convention macros below, and windows.h renames names the engine
// uses (DrawState, CreateFont, ...) to their wide versions; so the macros are
// given here and windows.h stays out.
#if defined(_WIN32) && !defined(APIENTRY)
#define APIENTRY __stdcall
#endif
#if defined(_WIN32) && !defined(WINGDIAPI)
#define WINGDIAPI __declspec(dllimport)
#endif

#include <GL/gl.h>
#include <GL/glext.h>
