/* Float <-> 32-bit pattern reinterpretation. */
#include <stdint.h>
#include <string.h>

__attribute__((visibility("default"))) uint32_t ConvertFToUl(float value) {
  uint32_t pattern;
  memcpy(&pattern, &value, sizeof pattern);
  return pattern;
}

__attribute__((visibility("default"))) float ConvertUlToF(uint32_t pattern) {
  float value;
  memcpy(&value, &pattern, sizeof value);
  return value;
}
