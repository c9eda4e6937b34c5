#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>

// A measurement recipe as the program defines it: tokens ended by ";".
//   S<code>          dwell per well: "N" 1 s, "4" 2 s, "2" 4 s
//   R<runs>,<pause>  runs 1..999, pause in seconds from the end of a run to the start of the next
//   D<seconds>       incubation between plate intake and run 1
//   E<seconds>       hold of the plate inside after the last run (optional, 0 when absent)
//   W<c><T|F><settle> column c ("1".."9", "A".."C"): read it or not, settling seconds
//   K<T|F>           kept, no effect here
//   T<T|F>           whether a microplate is required (absent: required)
// Tokens may come in any order; a repeated token replaces the earlier one, so
// "TT;TF;" runs without a plate. S, R and D must be present. Numbers are
// decimal without leading zeros, at most 65535. Columns without a token are
// not read. Recipes without an E token are the fixed service recipes: each of
// their runs reads the dark-current column before its columns as well as after.
struct Recipe {
  static constexpr int kColumns = 12;
  static constexpr int kMaxRuns = 999;

  struct Column {
    bool read = false;
    int settleSeconds = 0;
  };

  char dwellCode = 'N';
  int runs = 1;
  int pauseSeconds = 0;
  int incubationSeconds = 0;
  int ejectionDelaySeconds = 0;
  bool ejectionTokenGiven = false;
  std::array<Column, kColumns> columns{};  // index 0 is plate column 1
  bool kFlag = false;
  bool microplateRequired = true;

  // The text without its leading "r" tag; nothing with *problem set when it is not a valid recipe.
  static std::optional<Recipe> parse(const QByteArray& text, QString* problem = nullptr);

  int dwellSeconds() const;
  // Plate columns 1..12 to read, in column order.
  QList<int> columnsToRead() const;
  bool isServiceRecipe() const { return !ejectionTokenGiven; }
};
