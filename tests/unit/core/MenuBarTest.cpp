#include "core/Menu.h"
#include "core/RefRegistry.h"
#include "support/RendererWindow.h"

#include <SDL.h>

#include <gtest/gtest.h>

namespace {

using core::CountedRef;
using core::Menu;

class MenuBarWindow : public test::RendererWindow {};

TEST_F(MenuBarWindow, TheWindowHoldsOneCountOnItsBar) {
    CountedRef<Menu> first(new Menu);
    CountedRef<Menu> second(new Menu);
    core::Window& window = m_frame->window();

    window.setMenu(first.get());
    window.setMenu(first.get());
    EXPECT_EQ(core::refCountOf(first.get()), 2u) << "attaching the same bar twice takes one count";

    window.setMenu(second.get());
    EXPECT_EQ(core::refCountOf(first.get()), 1u) << "the replaced bar is released";
    EXPECT_EQ(core::refCountOf(second.get()), 2u);

    window.setMenu(nullptr);
    EXPECT_EQ(core::refCountOf(second.get()), 1u);

    // A bar only the window holds lives as long as the window.
    Menu* held = new Menu;
    window.setMenu(held);
    EXPECT_EQ(core::refCountOf(held), 1u);
    m_frame.reset();
    EXPECT_EQ(core::refCountOf(held), 0u);
}

TEST_F(MenuBarWindow, ABarLeavesTheClientAreaAndTheGLContextAlone) {
    SDL_GLContext context = SDL_GL_GetCurrentContext();
    ASSERT_NE(context, nullptr);
    CountedRef<Menu> bar(new Menu);
    bar->addItem(1, "Open", "Super+O");
    m_frame->window().setMenu(bar.get());
    m_frame->window().pump();
    bar->addItem(2, "Save");
    m_frame->window().pump();

    EXPECT_EQ(SDL_GL_GetCurrentContext(), context);
    EXPECT_EQ(m_frame->window().width(), Width);
    EXPECT_EQ(m_frame->window().height(), Height);
}

} // namespace
