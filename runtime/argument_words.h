// How EventArg lists become machine arguments when the runtime calls a program subroutine.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/values.h"

namespace kv {

// 32-bit x86: the words in memory order (first argument at the lowest address); the caller
// pushes them last to first. Flag bit 0: the first word; flag bit 1 or type 0x10003: both
// words; byte zero-extended, short sign-extended; long, double, date-time and 0x80000008:
// both words; anything else: the first word.
std::vector<uint32_t> ArgumentWords(const EventArg* args, int count);

// x86-64: one 64-bit argument slot per argument, by the same rules; an address (flag bit 0)
// and every value of the last rule fill the whole slot, since addresses are 8 bytes there.
std::vector<uint64_t> ArgumentSlots(const EventArg* args, int count);

}  // namespace kv
