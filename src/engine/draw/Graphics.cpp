#include "engine/draw/Graphics.h"

namespace engine {

namespace {

Graphics* g_current = nullptr;

} // namespace

Graphics* Graphics::current() {
    return g_current;
}

Graphics::Graphics() {
    g_current = this;
}

Graphics::~Graphics() {
    if (g_current == this)
        g_current = nullptr;
}

} // namespace engine
