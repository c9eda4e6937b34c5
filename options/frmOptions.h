#pragma once

#include <QDialog>
#include <QString>
#include <QVector>
#include <memory>

struct OptionField;
class ProgramWindows;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class RunOptions;

namespace Ui {
class frmOptions;
}

// The options dialog with its well map. The run options themselves live in
// the RunOptions model (ProgramWindows::runOptions()); the dialog copies the
// model into its controls when it is shown, and every edit goes straight back
// into the model, as the original form's controls were the store. Callers put
// their reason into `tag` and call Showform. Created once, then hidden and shown.
class frmOptions : public QDialog {
  Q_OBJECT
 public:
  explicit frmOptions(ProgramWindows& windows, QWidget* parent = nullptr);
  ~frmOptions() override;

  // The reason of the last Showform: "Options button clicked", "Start button
  // was clicked", "New instance of Excel", "New template", "New workbook";
  // this window sets "Exit via OK" / "Exit via CANCEL".
  QString tag;

  // Reloads the options from the workbook (asking for a workbook when none is
  // open) and shows the dialog when the reason asks for it.
  void Showform();

  RunOptions& options();

  void cmdOK_Click();
  void cmdCancel_Click();
  void picIncubationSpinUp_Click();
  void picIncubationSpinDown_Click();
  void picRunsSpinUp_Click();
  void picRunsSpinDown_Click();
  void picDelaySpinUp_Click();
  void picDelaySpinDown_Click();
  void picEjectionDelaySpinUp_Click();
  void picEjectionDelaySpinDown_Click();
  void picSettlingDelaySpinUp_Click();
  void picSettlingDelaySpinDown_Click();
  void optMeasurementDwellSeconds_Click(int index);
  void lblWell_Click(int index);
  void cmdRow_Click(int row);
  void cmdColumn_Click(int column);
  void cmdAllCells_Click();

  // The close box and Escape act as Cancel.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Form_Load();
  void buildWellMap();
  void bindEdits();
  void showDialog();
  void showAlerts();
  // Model -> controls.
  void showFields();
  void showField(QLineEdit* edit, const OptionField& field);
  void showDwellButtons();
  void showWells();
  void showWell(int index);
  // One step of a spin picture: only while the text is a number inside the step's range.
  void spin(QLineEdit* edit, OptionField& field, int step, int limit);

  std::unique_ptr<Ui::frmOptions> ui;
  ProgramWindows& windows_;
  bool loaded_ = false;
  QVector<QLabel*> lblWell_;
  QVector<QPushButton*> cmdRow_;
  QVector<QPushButton*> cmdColumn_;
  QPushButton* cmdAllCells_ = nullptr;
};
