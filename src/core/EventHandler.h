#pragma once

#include "core/Event.h"

namespace core {

// Receives a window's events. onEvent dispatches to the slot of the event's
// type; every slot returns whether it handled the event.
class EventHandler {
public:
    virtual ~EventHandler() = default;

    virtual bool onEvent(const Event& event);
    virtual bool onClose(const Event& event);
    virtual bool onResize(const Event& event);
    virtual bool onFocus(const Event& event);
    virtual bool onMenu(const Event& event);
    virtual bool onMouseWheel(const Event& event);
    virtual bool onMouseMotion(const Event& event);
    virtual bool onMouseButton(const Event& event);
    virtual bool onKey(const Event& event);
};

} // namespace core
