#pragma once

#include <QVector>

#include "factory/SensorBoardTest.h"
#include "factory/frmBoardTest.h"

// "Test photo-sensors board WITHOUT photodiodes": the jig's supplies and, for
// each of the eight channels, the reset value and the mean and spread of ten
// dark readings, measured over and over until the board ID is entered (and
// looping is off), then logged and printed.
class frmTestSensorsBoard : public frmBoardTest, public SensorBoardTestView {
  Q_OBJECT
 public:
  explicit frmTestSensorsBoard(ProgramWindows& windows, QWidget* parent = nullptr);

  SensorBoardTest& model() { return test_; }

  void Form_Load() override;
  void showResetValue(int row, const QString& voltsText, bool bad) override;
  void showDarkMean(int row, const QString& meanText, bool bad) override;
  void showDarkDeviation(int row, const QString& deviationText, bool bad) override;
  void showTemperature(const QString& countsText) override;

 protected:
  BoardTest& test() override { return test_; }
  BoardTestOutcome runTest() override { return test_.Run(); }

 private:
  QVector<QLineEdit*> txtResetVoltages_;
  QVector<QLineEdit*> txtDarkCurrentMeans_;
  QVector<QLineEdit*> txtDarkCurrentDeviations_;
  QVector<QLabel*> lblResetVoltageErrors_;
  QVector<QLabel*> lblDarkMeanErrors_;
  QVector<QLabel*> lblDarkDeviationErrors_;
  QLineEdit* txtSensorBoardTemperature_ = nullptr;
  SensorBoardTest test_;
};
