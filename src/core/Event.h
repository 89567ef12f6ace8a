#pragma once

#include <cstdint>

namespace core {

// What a window hands its event handler. The numbering is what the scripts'
// event queue and the handler slots are built on.
enum class EventType : int32_t {
    Key = 0,
    MouseButton = 1,
    MouseMotion = 2,
    MouseWheel = 3,
    Menu = 4,
    Focus = 5,
    Resize = 6,
    Close = 7,
};

// Modifier bits, read from the keyboard state when the event is made.
enum Modifier : int32_t {
    ModifierShift = 1,
    ModifierControl = 2,
    ModifierAlt = 4,
};

enum MouseButtonIndex : int32_t {
    MouseLeft = 0,
    MouseMiddle = 1,
    MouseRight = 2,
    MouseButtonCount = 3,
};

enum class ResizeKind : int32_t {
    Minimize = 0,
    Maximize = 1,
    Restore = 2,
};

struct KeyEvent {
    int32_t keyCode;       // virtual-key code
    int32_t rawParameter;  // the key message's own parameter bits
    int32_t character;     // what the key types, 0 when nothing
    int32_t modifiers;
    int32_t down;
};

struct MouseButtonEvent {
    int32_t x, y;
    int32_t button;
    int32_t modifiers;
    int32_t down;
};

// Client coordinates; in relative mode the movement since the previous pump.
struct MouseMotionEvent {
    int32_t x, y;
};

struct MouseWheelEvent {
    float delta;  // one notch is 1.0
};

struct MenuEvent {
    int32_t id;
};

struct FocusEvent {
    uint8_t focused;
};

struct ResizeEvent {
    int32_t width, height;
    ResizeKind kind;
};

struct Event {
    EventType type;
    union {
        KeyEvent key;
        MouseButtonEvent mouseButton;
        MouseMotionEvent mouseMotion;
        MouseWheelEvent mouseWheel;
        MenuEvent menu;
        FocusEvent focus;
        ResizeEvent resize;
    };

    explicit Event(EventType eventType) : type(eventType), key{} {}
};

} // namespace core
