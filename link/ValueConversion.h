#pragma once

#include <QString>
#include <QtGlobal>
#include <stdexcept>

// The value-conversion library Lumivanr: a single float and its 32-bit pattern,
// the same four bytes. The library is loaded by name on the first conversion,
// from the program's own folder first, then through the system's search.
class Lumivanr {
 public:
  static constexpr const char* kFToUlExport = "_ConvertFToUl@4";
  static constexpr const char* kUlToFExport = "_ConvertUlToF@4";

  // Raised by a conversion when the library or one of its exports is missing.
  class Missing : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
  };

  static quint32 ConvertFToUl(float value);
  static float ConvertUlToF(quint32 pattern);

  // Loads the library from this file (or base name) instead of the usual
  // places from the next conversion on; "" restores the usual places.
  static void setLibraryFile(const QString& file);
};
