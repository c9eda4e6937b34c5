#pragma once

#include <QMap>
#include <QWidget>

#include "sim/SimCommands.h"

class InstrumentModel;
class ProgramWindows;
class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;

// "Simulated instrument": the virtual instrument behind --simulate, played by
// hand as a technician would at the bench. It shows the tray (position,
// photointerrupters), the head lever, what is in the tray, the light plate
// and the link, and acts on the instrument through the same commands that
// lumivane-sim reads on its standard input (SimCommands).
class frmSimulatedInstrument : public QWidget {
  Q_OBJECT
 public:
  explicit frmSimulatedInstrument(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmSimulatedInstrument() override;

  // Runs one command and shows its answer; every control acts through here.
  SimCommands::Answer act(const QString& command);
  // Shows the instrument's state now.
  void refresh();

  void cmdHead_Click();
  // The tray pushed by hand to `steps`, from the slider or the spin box beside it.
  void sldTrayPosition_Moved(int steps);
  void chkPhotileOn_Toggled(bool on);
  void spnPhotileLevel_Changed(int level);
  void cmdDrop_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void buildLayout();

  InstrumentModel& model_;
  SimCommands commands_;
  QTimer* tmrRefresh_ = nullptr;
  QLabel* lblTray_ = nullptr;
  QSlider* sldTrayPosition_ = nullptr;
  QSpinBox* spnTrayPosition_ = nullptr;
  QMap<int, QLabel*> interrupters_;  // bit → indicator
  QLabel* lblHead_ = nullptr;
  QPushButton* cmdHead_ = nullptr;
  QLabel* lblLoad_ = nullptr;
  QCheckBox* chkPhotileOn_ = nullptr;
  QSpinBox* spnPhotileLevel_ = nullptr;
  QMap<QString, QCheckBox*> faults_;  // fault word → check box
  QLabel* lblLink_ = nullptr;
  QLabel* lblAnswer_ = nullptr;
  bool refreshing_ = false;
};
