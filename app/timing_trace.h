// Timestamps of the steps between a click on "修复" and the button docked in the relaunched
// program's viewer, for measuring where that wait goes. Only the timing builds (compiled
// with KV_TIMING_TRACE: the program, viewer library and driver that scripts/repair-timing
// runs) write them; in every other build the calls are empty and vanish.
#pragma once

namespace kv::app {

#ifdef KV_TIMING_TRACE
// Appends "<microseconds> <process id> <step>" to the file that the environment variable
// TAVI_TIMING_TRACE names, when it is set. The time is the performance counter's, which all
// processes of the machine share, so that the lines of the programs involved compare.
void TraceStep(const char* step);
#else
inline void TraceStep(const char*) {}
#endif

}  // namespace kv::app
