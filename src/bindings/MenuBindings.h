#pragma once

#include "bindings/Binding.h"
#include "core/Menu.h"

QUILL_SCRIPT_CLASS(core::Menu, "Menu")
