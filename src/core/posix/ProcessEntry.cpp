#include "core/ProcessEntry.h"

namespace core {

void startProcess() {}

} // namespace core
