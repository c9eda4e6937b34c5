#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>

#include "factory/PowerSupplies.h"

class AppContext;
class ReportPrinter;

// What a board test window shows while the test runs.
class BoardTestView {
 public:
  virtual ~BoardTestView() = default;
  virtual void showSupply(int index, const QString& voltsText, bool bad) = 0;
  virtual void showPassCount(int passes) = 0;
  // The board ID as the operator typed it.
  virtual QString boardId() const = 0;
  // Where the printed report went: the printer's name or the PDF's path.
  virtual void showReportDestination(const QString& where) = 0;
};

enum class BoardTestOutcome { NotRun, Passed, Failed, Abandoned, Cancelled };

// What the main board and the sensor board tests share: the operator's flags
// (board ID awaited, looping), the pass of the six supplies and the report's
// common lines. Passes repeat while the ID is awaited or looping is on; each
// pass waits only in the link's exchanges, so the window stays live.
class BoardTest {
 public:
  BoardTest(AppContext& app, BoardTestView& view);
  virtual ~BoardTest() = default;

  // The operator's side, set by the window's handlers.
  bool WaitingForBoardId = true;
  bool Looping = false;

  BoardTestOutcome outcome() const { return outcome_; }
  int passes() const { return passes_; }
  // The PDF's path or the printer's name once the report came out.
  const QString& reportDestination() const { return reportDestination_; }
  // What went wrong besides the verdict (the board ID or voltages not stored,
  // the log not written), each as "title: prompt" as the operator was told;
  // the report is printed all the same, but the board is not ready.
  const QStringList& problems() const { return problems_; }
  // Where the report is printed (default: the program's printer).
  void setReportPrinter(ReportPrinter& printer) { printer_ = &printer; }

  // A board ID has 1 to 4 characters (the board keeps 4), not all blanks.
  static bool acceptableBoardId(const QString& id);
  static constexpr int kLongestBoardId = 4;

  static inline const QString kBad = QStringLiteral("Bad");
  static inline const QString kStars = QStringLiteral("*****************************");
  static inline const QString kFailedLine = QStringLiteral("****** Test FAILED ******");
  static inline const QString kPassedLine = QStringLiteral("Test PASSED");
  static inline const QString kProtocolErrorTitle = QStringLiteral("Communication protocol error: test abandoned");

 protected:
  // Measures the six supplies (shown and kept); false after a word command
  // failed (its text in *failure). Sets `failed_` for a supply out of band.
  bool measureSupplies(QString* failure);
  // One line per supply as the report shows it.
  QStringList supplyLines() const;
  QStringList verdictLines() const;
  // "m/d/yyyy at h:mm:ss AM/PM" of `when`.
  static QString testedOn(const QDateTime& when);
  // Prints the report; true when it came out (a printer problem is asked about).
  bool printReport(const QString& testName, const QStringList& lines);
  void countPass();
  // Clears what an earlier run of the same test left.
  void beginRun();
  // Keeps the connected instrument's identity for the report (the goodbye empties it).
  void rememberIdentity();
  // Tells the operator about a problem that does not end the test, and keeps it.
  void reportProblem(const QString& prompt, const QString& title);

  AppContext& app_;
  BoardTestView& view_;
  BoardTestOutcome outcome_ = BoardTestOutcome::NotRun;
  bool failed_ = false;  // the current pass
  int passes_ = 0;
  std::array<float, 8> voltages_{};
  std::array<bool, PowerSupplies::kCount> supplyBad_{};
  QDateTime testedAt_;
  QString bootstrap_, firmware_, softLogic_, serialNumber_;
  QString reportDestination_;
  QStringList problems_;
  ReportPrinter* printer_ = nullptr;
};
