#pragma once

namespace engine {

// The name of a GL error code, "unknown error" for codes outside the standard six.
const char* glErrorName(unsigned error);

// Reads glGetError once; throws core::Exception
// "GL error: <name> failed (<error name> 0x<code>)" when it reports an error.
void checkGLError(const char* name);

// True when the name occurs in the space-separated list as a whole word. Only
// its first occurrence is looked at, as the drivers' own tests do.
bool hasExtension(const char* name, const char* extensions);

} // namespace engine
