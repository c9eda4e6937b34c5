#pragma once

#include <QtGlobal>

// SplitMix64: a well-mixed 64-bit value for any input, so the simulator's
// noise is the same from run to run for the same seed.
inline quint64 seededMix(quint64 value) {
  value += 0x9E3779B97F4A7C15ULL;
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
  return value ^ (value >> 31);
}
