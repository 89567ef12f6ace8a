#pragma once

#include "core/Exception.h"

#include <functional>
#include <string>

// The message of the core::Exception a call throws, or "" when it throws none.
inline std::string messageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const core::Exception& e) {
        return e.getMessage();
    }
    return "";
}
