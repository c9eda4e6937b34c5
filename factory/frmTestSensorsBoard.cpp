#include "factory/frmTestSensorsBoard.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"

frmTestSensorsBoard::frmTestSensorsBoard(ProgramWindows& windows, QWidget* parent)
    : frmBoardTest(windows, QStringLiteral("Jig's power supplies"), QStringLiteral("Please enter board ID"), parent),
      test_(windows.app(), *this) {
  setObjectName(QStringLiteral("frmTestSensorsBoard"));
  setWindowTitle(QStringLiteral("Test photo-sensors board WITHOUT photodiodes"));

  auto* channels = new QGroupBox(this);
  channels->setObjectName(QStringLiteral("fraSensors"));
  auto* grid = new QGridLayout(channels);
  grid->addWidget(new QLabel(QStringLiteral("RESET values, in Volts:"), channels), 0, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Dark current means:"), channels), 0, 3, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Dark current std. deviations:"), channels), 0, 5, 1, 2);
  const QString letters = QStringLiteral("ABCDEFGH");
  for (int row = 0; row < SensorReadings::kRows; ++row) {
    auto* letter = new QLabel(QString(letters.at(row)), channels);
    letter->setObjectName(QStringLiteral("lblRow_%1").arg(row));
    txtResetVoltages_ << addValueBox(QStringLiteral("txtResetVoltages_%1").arg(row));
    lblResetVoltageErrors_ << addBadLabel(QStringLiteral("lblResetVoltageErrors_%1").arg(row));
    txtDarkCurrentMeans_ << addValueBox(QStringLiteral("txtDarkCurrentMeans_%1").arg(row));
    lblDarkMeanErrors_ << addBadLabel(QStringLiteral("lblDarkMeanErrors_%1").arg(row));
    txtDarkCurrentDeviations_ << addValueBox(QStringLiteral("txtDarkCurrentDeviations_%1").arg(row));
    lblDarkDeviationErrors_ << addBadLabel(QStringLiteral("lblDarkDeviationErrors_%1").arg(row));
    grid->addWidget(letter, row + 1, 0);
    grid->addWidget(txtResetVoltages_.last(), row + 1, 1);
    grid->addWidget(lblResetVoltageErrors_.last(), row + 1, 2);
    grid->addWidget(txtDarkCurrentMeans_.last(), row + 1, 3);
    grid->addWidget(lblDarkMeanErrors_.last(), row + 1, 4);
    grid->addWidget(txtDarkCurrentDeviations_.last(), row + 1, 5);
    grid->addWidget(lblDarkDeviationErrors_.last(), row + 1, 6);
  }

  auto* temperature = new QHBoxLayout;
  temperature->addWidget(new QLabel(QStringLiteral("Sensors board temperature:"), this));
  txtSensorBoardTemperature_ = addValueBox(QStringLiteral("txtSensorBoardTemperature"));
  temperature->addWidget(txtSensorBoardTemperature_);
  temperature->addWidget(new QLabel(QStringLiteral("in A/D counts:"), this));
  temperature->addStretch();

  body()->insertWidget(1, channels);
  body()->insertLayout(2, temperature);
}

void frmTestSensorsBoard::Form_Load() {
  frmBoardTest::Form_Load();
  for (int row = 0; row < SensorReadings::kRows; ++row) {
    for (QLineEdit* box : {txtResetVoltages_[row], txtDarkCurrentMeans_[row], txtDarkCurrentDeviations_[row]})
      box->clear();
    mark(txtResetVoltages_[row], lblResetVoltageErrors_[row], false);
    mark(txtDarkCurrentMeans_[row], lblDarkMeanErrors_[row], false);
    mark(txtDarkCurrentDeviations_[row], lblDarkDeviationErrors_[row], false);
  }
  txtSensorBoardTemperature_->clear();
}

void frmTestSensorsBoard::showResetValue(int row, const QString& voltsText, bool bad) {
  txtResetVoltages_[row]->setText(voltsText);
  mark(txtResetVoltages_[row], lblResetVoltageErrors_[row], bad);
}

void frmTestSensorsBoard::showDarkMean(int row, const QString& meanText, bool bad) {
  txtDarkCurrentMeans_[row]->setText(meanText);
  mark(txtDarkCurrentMeans_[row], lblDarkMeanErrors_[row], bad);
}

void frmTestSensorsBoard::showDarkDeviation(int row, const QString& deviationText, bool bad) {
  txtDarkCurrentDeviations_[row]->setText(deviationText);
  mark(txtDarkCurrentDeviations_[row], lblDarkDeviationErrors_[row], bad);
}

void frmTestSensorsBoard::showTemperature(const QString& countsText) { txtSensorBoardTemperature_->setText(countsText); }

frmTestSensorsBoard& ProgramWindows::testSensorsBoardWindow() { return onFirstUse(testSensorsBoard_); }
