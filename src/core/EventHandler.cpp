#include "core/EventHandler.h"

namespace core {

bool EventHandler::onEvent(const Event& event) {
    switch (event.type) {
    case EventType::Key:
        return onKey(event);
    case EventType::MouseButton:
        return onMouseButton(event);
    case EventType::MouseMotion:
        return onMouseMotion(event);
    case EventType::MouseWheel:
        return onMouseWheel(event);
    case EventType::Menu:
        return onMenu(event);
    case EventType::Focus:
        return onFocus(event);
    case EventType::Resize:
        return onResize(event);
    case EventType::Close:
        return onClose(event);
    }
    return false;
}

bool EventHandler::onClose(const Event&) { return false; }
bool EventHandler::onResize(const Event&) { return false; }
bool EventHandler::onFocus(const Event&) { return false; }
bool EventHandler::onMenu(const Event&) { return false; }
bool EventHandler::onMouseWheel(const Event&) { return false; }
bool EventHandler::onMouseMotion(const Event&) { return false; }
bool EventHandler::onMouseButton(const Event&) { return false; }
bool EventHandler::onKey(const Event&) { return false; }

} // namespace core
