#include "core/DebugLog.h"

namespace core {

// No debugger channel here: developers read the file, or stderr with QUILL_DEBUG=1.
void writeDebuggerChannel(const char*) {}

} // namespace core
