#include "assay/LayoutEditor.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "assay/LayoutCsv.h"
#include "assay/LayoutPlate.h"
#include "platform/FileDialogs.h"
#include "platform/Prompts.h"

using namespace assay;

namespace {

const QList<WellRole> kRoles = {WellRole::None,     WellRole::Blank,           WellRole::Sample,
                                WellRole::Standard, WellRole::PositiveControl, WellRole::NegativeControl};
const QString kCsvFilter = QStringLiteral("CSV files (*.csv)");

}  // namespace

LayoutEditor::LayoutEditor(Prompts& prompts, FileDialogs& dialogs, QWidget* parent)
    : QWidget(parent), prompts_(prompts), dialogs_(dialogs) {
  plate_ = new LayoutPlate(this);
  cboRole_ = new QComboBox(this);
  cboRole_->setObjectName(QStringLiteral("cboRole"));
  for (WellRole role : kRoles) cboRole_->addItem(role == WellRole::None ? QStringLiteral("(none)") : roleName(role));
  txtGroup_ = new QLineEdit(this);
  txtGroup_->setObjectName(QStringLiteral("txtGroup"));
  txtConcentration_ = new QLineEdit(this);
  txtConcentration_->setObjectName(QStringLiteral("txtConcentration"));
  cboModel_ = new QComboBox(this);
  cboModel_->setObjectName(QStringLiteral("cboModel"));
  cboModel_->addItems({QStringLiteral("4-parameter logistic"), QStringLiteral("Straight line")});
  lblChosen_ = new QLabel(this);
  auto* apply = new QPushButton(QStringLiteral("&Apply to chosen wells"), this);
  apply->setObjectName(QStringLiteral("cmdApply"));
  auto* import = new QPushButton(QStringLiteral("&Import CSV..."), this);
  import->setObjectName(QStringLiteral("cmdImport"));
  auto* exportButton = new QPushButton(QStringLiteral("&Export CSV..."), this);
  exportButton->setObjectName(QStringLiteral("cmdExport"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Chosen wells:"), lblChosen_);
  form->addRow(QStringLiteral("Role:"), cboRole_);
  form->addRow(QStringLiteral("Group:"), txtGroup_);
  form->addRow(QStringLiteral("Concentration:"), txtConcentration_);
  form->addRow(apply);
  form->addRow(QStringLiteral("Standard curve:"), cboModel_);
  auto* files = new QHBoxLayout;
  files->addWidget(import);
  files->addWidget(exportButton);
  auto* side = new QVBoxLayout;
  side->addLayout(form);
  side->addLayout(files);
  side->addStretch();
  side->addWidget(new QLabel(QStringLiteral("Click a well, a row letter or a column number; drag for a block; "
                                            "Ctrl adds to the choice."),
                             this));
  side->itemAt(side->count() - 1)->widget()->setProperty("wordWrap", true);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(plate_, 3);
  layout->addLayout(side, 2);

  connect(plate_, &LayoutPlate::selectionChanged, this, &LayoutEditor::showChoice);
  connect(cboRole_, &QComboBox::currentIndexChanged, this, [this](int index) {
    txtGroup_->setEnabled(kRoles[index] == WellRole::Sample);
    txtConcentration_->setEnabled(kRoles[index] == WellRole::Standard);
  });
  connect(cboModel_, &QComboBox::activated, this, [this](int index) {
    layout_.model = index == 1 ? CurveModel::Line : CurveModel::FourParameter;
    edited();
  });
  connect(apply, &QPushButton::clicked, this, [this] { applyToSelection(); });
  connect(import, &QPushButton::clicked, this, [this] { importCsv(); });
  connect(exportButton, &QPushButton::clicked, this, [this] { exportCsv(); });
  txtGroup_->setEnabled(false);
  txtConcentration_->setEnabled(false);
  showChoice();
}

void LayoutEditor::setPlateLayout(const PlateLayout& layout) {
  layout_ = layout;
  plate_->setPlateLayout(layout_);
  cboModel_->setCurrentIndex(layout_.model == CurveModel::Line ? 1 : 0);
}

void LayoutEditor::showChoice() {
  QList<int> wells = plate_->selection().values();
  std::sort(wells.begin(), wells.end());
  QStringList names;
  for (int well : wells) names << wellName(well);
  lblChosen_->setText(names.isEmpty() ? QStringLiteral("none")
                      : names.size() > 6 ? QStringLiteral("%1 wells").arg(names.size())
                                         : names.join(QStringLiteral(", ")));
  // Chosen wells that hold the same show it, ready to change.
  const bool alike = !wells.isEmpty() && std::all_of(wells.begin(), wells.end(), [&](int well) {
    return layout_.wells[size_t(well)] == layout_.wells[size_t(wells.front())];
  });
  if (alike) {
    const WellAssignment& w = layout_.wells[size_t(wells.front())];
    cboRole_->setCurrentIndex(int(kRoles.indexOf(w.role)));
    txtGroup_->setText(w.group);
    txtConcentration_->setText(w.concentration ? concentrationText(*w.concentration) : QString());
  }
}

bool LayoutEditor::applyToSelection() {
  if (plate_->selection().isEmpty()) {
    prompts_.show(QStringLiteral("Choose the wells on the plate first."), kTitle, PromptButtons::Ok,
                  PromptIcon::Exclamation);
    return false;
  }
  WellAssignment assignment;
  assignment.role = kRoles[cboRole_->currentIndex()];
  if (assignment.role == WellRole::Sample) {
    assignment.group = txtGroup_->text().trimmed();
    if (assignment.group.isEmpty()) {
      prompts_.show(QStringLiteral("Type the Sample wells' group name."), kTitle, PromptButtons::Ok,
                    PromptIcon::Exclamation);
      return false;
    }
  }
  if (assignment.role == WellRole::Standard) {
    bool ok = false;
    const double value = txtConcentration_->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0) {
      prompts_.show(QStringLiteral("\"%1\" is not a concentration (a number, 0 or more).").arg(txtConcentration_->text()),
                    kTitle, PromptButtons::Ok, PromptIcon::Exclamation);
      return false;
    }
    assignment.concentration = value;
  }
  for (int well : plate_->selection()) layout_.wells[size_t(well)] = assignment;
  edited();
  return true;
}

bool LayoutEditor::importCsv() {
  const std::optional<QString> path =
      dialogs_.openFile({QStringLiteral("Import Plate Layout"), kCsvFilter, lastFolder_, QString()});
  if (!path) return false;
  lastFolder_ = QFileInfo(*path).absolutePath();
  QString error;
  const std::optional<PlateLayout> layout = readLayoutCsv(*path, &error, layout_.model);
  if (!layout) {
    prompts_.show(QStringLiteral("The layout was not imported. %1").arg(error), kTitle, PromptButtons::Ok,
                  PromptIcon::Exclamation);
    return false;
  }
  setPlateLayout(*layout);
  edited();
  return true;
}

bool LayoutEditor::exportCsv() {
  const std::optional<QString> path =
      dialogs_.saveFile({QStringLiteral("Export Plate Layout"), kCsvFilter, lastFolder_, QStringLiteral("Layout.csv")});
  if (!path) return false;
  lastFolder_ = QFileInfo(*path).absolutePath();
  QString error;
  if (!writeLayoutCsv(*path, layout_, &error)) {
    prompts_.show(QStringLiteral("Cannot write %1: %2").arg(*path, error), kTitle, PromptButtons::Ok,
                  PromptIcon::Exclamation);
    return false;
  }
  return true;
}

void LayoutEditor::edited() {
  plate_->setPlateLayout(layout_);
  Q_EMIT layoutEdited(layout_);
}
