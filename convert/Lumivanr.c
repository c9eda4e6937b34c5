/* Float <-> 32-bit pattern reinterpretation: the same four bytes, no numeric
 * conversion, no special values.
 *
 * The exported names are "_ConvertFToUl@4" and "_ConvertUlToF@4", the
 * decoration of the 32-bit Windows calling convention, which that platform's
 * compilers produce by themselves. ELF linkers read an "@" in a symbol name as
 * a symbol version, so elsewhere the library is linked under the same-length
 * names "_ConvertFToUl_4" and "_ConvertUlToF_4" and ExportNamePatcher writes
 * the real names into the finished file. */
#include <stdint.h>

#if defined(_WIN32)
#define LUMIVANR_EXPORT __declspec(dllexport)
#define LUMIVANR_CALL __stdcall
#else
#define LUMIVANR_EXPORT __attribute__((visibility("default")))
#define LUMIVANR_CALL
#endif

#if defined(_WIN32)
LUMIVANR_EXPORT uint32_t LUMIVANR_CALL ConvertFToUl(float value);
LUMIVANR_EXPORT float LUMIVANR_CALL ConvertUlToF(uint32_t pattern);
#else
LUMIVANR_EXPORT uint32_t ConvertFToUl(float value) __asm__("_ConvertFToUl_4");
LUMIVANR_EXPORT float ConvertUlToF(uint32_t pattern) __asm__("_ConvertUlToF_4");
#endif

union Bits32 {
  float value;
  uint32_t pattern;
};

LUMIVANR_EXPORT uint32_t LUMIVANR_CALL ConvertFToUl(float value) {
  union Bits32 bits;
  bits.value = value;
  return bits.pattern;
}

LUMIVANR_EXPORT float LUMIVANR_CALL ConvertUlToF(uint32_t pattern) {
  union Bits32 bits;
  bits.pattern = pattern;
  return bits.value;
}
