#pragma once

#include "bindings/Binding.h"
#include "core/Cursor.h"

QUILL_SCRIPT_CLASS(core::Cursor, "Cursor")
