#pragma once

#include <QString>
#include <array>
#include <vector>

class modVrHd;
struct LinkState;

// One run of a fixed service recipe during the full-system test: the recipe
// defined ("B1" "r") and started ("B3" "x"), its column reports collected
// until the one marked last ("T"), and the closing acknowledgement of "x".
// The first and the last report of such a run are dark references taken
// before and after the read columns.
class FixedRecipeRun {
 public:
  static constexpr int kRows = 8;
  using Readings = std::array<double, kRows>;

  enum class Failure {
    None,
    DefineRefused,          // detail: the request status
    StartRequestStatus,     // detail: the request status
    StartInstrumentStatus,  // detail: the instrument status
    TooFewCommas,           // detail: the report's payload
    BadInstrumentStatus,    // detail: the status frame's payload
    BadRequestStatus,       // detail: the status frame's payload
    NotCompleted,           // detail: the request status
    TooFewReports,          // detail: the number of reports that came
    NoAnswer,               // the instrument fell silent
    Cancelled,              // Exit was pressed during the run
  };
  struct Outcome {
    Failure failure = Failure::None;
    QString detail;
    bool ok() const { return failure == Failure::None; }
  };

  FixedRecipeRun(modVrHd& link, LinkState& state);

  // Runs `recipe`; a run that brings fewer than `reports` column reports fails.
  Outcome run(const QString& recipe, int reports);
  // Each report's eight readings, in the order the reports came.
  const std::vector<Readings>& readings() const { return readings_; }

 private:
  Outcome collectReports();

  modVrHd& link_;
  LinkState& state_;
  std::vector<Readings> readings_;
};
