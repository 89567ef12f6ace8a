#pragma once

namespace engine {

// Queues the frame's counters (renderStats) as four lines of debug screen
// text, drawn by the next flush of the debug queues: the renderers'
// statistics overlay.
void queueStatisticsOverlay();

} // namespace engine
