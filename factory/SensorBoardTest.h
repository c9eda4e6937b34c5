#pragma once

#include <QFile>

#include "factory/BoardTest.h"
#include "factory/SensorReadings.h"

// What the sensor board test window shows beyond the jig's supplies.
class SensorBoardTestView : public virtual BoardTestView {
 public:
  virtual void showResetValue(int row, const QString& voltsText, bool bad) = 0;
  virtual void showDarkMean(int row, const QString& meanText, bool bad) = 0;
  virtual void showDarkDeviation(int row, const QString& deviationText, bool bad) = 0;
  virtual void showTemperature(const QString& countsText) = 0;
};

// The sensor board test: a bare photo-sensor board in a test jig (a whole
// instrument). Each pass measures the jig's supplies, the converter's reset
// value of every channel and ten dark-current reports; the passes made while
// not looping go into the log DarkCurrents/BareSensorBoardTest.txt; the last
// pass is printed. The window frmTestSensorsBoard and lumivanectl drive it.
class SensorBoardTest : public BoardTest {
 public:
  SensorBoardTest(AppContext& app, SensorBoardTestView& view);

  BoardTestOutcome Run();
  QStringList reportLines() const;
  QString logPath() const;

  static inline const QString kTestName = QStringLiteral("SensorBoard");
  static inline const QString kLogName = QStringLiteral("BareSensorBoardTest.txt");

 private:
  struct RowResult {
    QString resetText;
    QString meanText;
    QString deviationText;
    bool resetBad = false;
    bool meanBad = false;
    bool deviationBad = false;
  };

  void prepareLog();
  void writeLog(const QString& line);
  // Tells the operator once that the log is not kept.
  void logNotWritten();
  // Each false after the operator was told why the test ends.
  bool readResetValues();
  bool collectDarkCurrents();
  bool acknowledged(const QString& echo, int requestStatus);
  bool takeCurrentReport(const QString& payload, int report);
  bool takeSequenceStatus(const QString& payload);
  void judgeDarkCurrents();
  void sendReportingToggle(const QString& label);
  BoardTestOutcome end(BoardTestOutcome outcome);

  SensorBoardTestView& sensorView_;
  QFile log_;
  bool logFailed_ = false;
  bool error_ = false;  // the current pass
  std::array<RowResult, SensorReadings::kRows> rows_{};
  std::array<std::array<double, SensorReadings::kDarkReports>, SensorReadings::kRows> readings_{};
  qint64 temperatureSum_ = 0;
  QString temperatureText_;
};
