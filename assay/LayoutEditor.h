#pragma once

#include <QWidget>

#include "assay/PlateLayout.h"

class FileDialogs;
class LayoutPlate;
class Prompts;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Edits a plate layout: choose wells on the plate, choose their role, type
// the Sample group or the Standard's concentration and apply; choose the
// curve model; import and export the layout as CSV. Every change is handed
// on with layoutEdited; a refused entry or file is told and changes nothing.
class LayoutEditor : public QWidget {
  Q_OBJECT
 public:
  static inline const QString kTitle = QStringLiteral("Plate Layout");

  LayoutEditor(Prompts& prompts, FileDialogs& dialogs, QWidget* parent = nullptr);

  void setPlateLayout(const assay::PlateLayout& layout);
  const assay::PlateLayout& plateLayout() const { return layout_; }

  LayoutPlate& plate() { return *plate_; }
  QComboBox& roleBox() { return *cboRole_; }
  QLineEdit& groupEdit() { return *txtGroup_; }
  QLineEdit& concentrationEdit() { return *txtConcentration_; }
  QComboBox& modelBox() { return *cboModel_; }

  // The buttons' work: false when refused (the operator is told) or cancelled.
  bool applyToSelection();
  bool importCsv();
  bool exportCsv();

 Q_SIGNALS:
  void layoutEdited(const assay::PlateLayout& layout);

 private:
  void showChoice();
  void edited();

  Prompts& prompts_;
  FileDialogs& dialogs_;
  assay::PlateLayout layout_;
  LayoutPlate* plate_ = nullptr;
  QComboBox* cboRole_ = nullptr;
  QLineEdit* txtGroup_ = nullptr;
  QLineEdit* txtConcentration_ = nullptr;
  QComboBox* cboModel_ = nullptr;
  QLabel* lblChosen_ = nullptr;
  QString lastFolder_;
};
