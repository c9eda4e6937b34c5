#include "options/frmOptions.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "app/AppContext.h"
#include "app/Common.h"
#include "app/ProgramWindows.h"
#include "platform/ScreenPlacement.h"
#include "options/RunOptions.h"
#include "options/frmOptionsHabits.h"
#include "ui_frmOptions.h"
#include "workbook/modExcel.h"

namespace {

const char* const kWellIndexProperty = "wellIndex";

void paint(QWidget* widget, QPalette::ColorRole role, uint32_t colour) {
  QPalette palette = widget->palette();
  palette.setColor(role, OptionColors::toQColor(colour));
  widget->setPalette(palette);
}

bool isNumber(const QString& text, double* value) {
  bool ok = false;
  *value = text.trimmed().toDouble(&ok);
  return ok && !text.trimmed().isEmpty();
}

}  // namespace

frmOptions& ProgramWindows::optionsWindow() { return onFirstUse(options_); }

frmOptions::frmOptions(ProgramWindows& windows, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmOptions>()), windows_(windows) {
  ui->setupUi(this);
  frmOptionsHabits::apply(*this);
  setModal(true);
  ui->lblErrorsWereFixed->setVisible(false);
  ui->lblDefaultsWereUsed->setVisible(false);
  paint(ui->lblSelectedSwatch, QPalette::Window, OptionColors::kWellSelected);
  buildWellMap();
  bindEdits();

  connect(ui->cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(ui->cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  connect(ui->picIncubationSpinUp, &QToolButton::clicked, this, [this] { picIncubationSpinUp_Click(); });
  connect(ui->picIncubationSpinDown, &QToolButton::clicked, this, [this] { picIncubationSpinDown_Click(); });
  connect(ui->picRunsSpinUp, &QToolButton::clicked, this, [this] { picRunsSpinUp_Click(); });
  connect(ui->picRunsSpinDown, &QToolButton::clicked, this, [this] { picRunsSpinDown_Click(); });
  connect(ui->picDelaySpinUp, &QToolButton::clicked, this, [this] { picDelaySpinUp_Click(); });
  connect(ui->picDelaySpinDown, &QToolButton::clicked, this, [this] { picDelaySpinDown_Click(); });
  connect(ui->picEjectionDelaySpinUp, &QToolButton::clicked, this, [this] { picEjectionDelaySpinUp_Click(); });
  connect(ui->picEjectionDelaySpinDown, &QToolButton::clicked, this, [this] { picEjectionDelaySpinDown_Click(); });
  connect(ui->picSettlingDelaySpinUp, &QToolButton::clicked, this, [this] { picSettlingDelaySpinUp_Click(); });
  connect(ui->picSettlingDelaySpinDown, &QToolButton::clicked, this, [this] { picSettlingDelaySpinDown_Click(); });

  auto* dwell = new QButtonGroup(this);
  dwell->addButton(ui->optMeasurementDwellSeconds_1, 1);
  dwell->addButton(ui->optMeasurementDwellSeconds_2, 2);
  dwell->addButton(ui->optMeasurementDwellSeconds_4, 4);
  connect(dwell, &QButtonGroup::idClicked, this, [this](int id) { optMeasurementDwellSeconds_Click(id); });
}

frmOptions::~frmOptions() = default;

RunOptions& frmOptions::options() { return windows_.runOptions(); }

void frmOptions::buildWellMap() {
  QGridLayout* grid = ui->layWells;
  grid->setSpacing(2);
  cmdAllCells_ = new QPushButton(QStringLiteral("All"), ui->fraSelectWells);
  cmdAllCells_->setObjectName(QStringLiteral("cmdAllCells"));
  cmdAllCells_->setAutoDefault(false);
  grid->addWidget(cmdAllCells_, 0, 0);
  connect(cmdAllCells_, &QPushButton::clicked, this, [this] { cmdAllCells_Click(); });
  for (int column = 0; column < WellMap::kColumns; ++column) {
    auto* button = new QPushButton(QString::number(column + 1), ui->fraSelectWells);
    button->setObjectName(QStringLiteral("cmdColumn_%1").arg(column));
    button->setAutoDefault(false);
    button->setMaximumWidth(32);
    grid->addWidget(button, 0, column + 1);
    connect(button, &QPushButton::clicked, this, [this, column] { cmdColumn_Click(column); });
    cmdColumn_.append(button);
  }
  for (int row = 0; row < WellMap::kRows; ++row) {
    auto* button = new QPushButton(QString(QChar(u'A' + row)), ui->fraSelectWells);
    button->setObjectName(QStringLiteral("cmdRow_%1").arg(row));
    button->setAutoDefault(false);
    button->setMaximumWidth(32);
    grid->addWidget(button, row + 1, 0);
    connect(button, &QPushButton::clicked, this, [this, row] { cmdRow_Click(row); });
    cmdRow_.append(button);
    for (int column = 0; column < WellMap::kColumns; ++column) {
      const int index = Common::WellIndex(row, column);
      auto* well = new QLabel(ui->fraSelectWells);
      well->setObjectName(QStringLiteral("lblWell_%1").arg(index));
      well->setAutoFillBackground(true);
      well->setFrameShape(QFrame::Box);
      well->setMinimumSize(24, 18);
      well->setProperty(kWellIndexProperty, index);
      well->installEventFilter(this);
      grid->addWidget(well, row + 1, column + 1);
      lblWell_.append(well);
    }
  }
}

// Typed text goes straight into the model, as it went into the form's text boxes.
void frmOptions::bindEdits() {
  const auto bind = [this](QLineEdit* edit, OptionField RunOptions::*field) {
    connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& text) { (options().*field).text = text; });
  };
  bind(ui->txtIncubation, &RunOptions::txtIncubation);
  bind(ui->txtRepeats, &RunOptions::txtRepeats);
  bind(ui->txtDelay, &RunOptions::txtDelay);
  bind(ui->txtEjectionDelay, &RunOptions::txtEjectionDelay);
  bind(ui->txtSettlingDelay, &RunOptions::txtSettlingDelay);
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    const QVariant index = watched->property(kWellIndexProperty);
    if (index.isValid()) {
      lblWell_Click(index.toInt());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void frmOptions::Form_Load() {
  loaded_ = true;
  centreOnScreen(*this);
}

void frmOptions::Showform() {
  if (!loaded_) Form_Load();
  modExcel& store = windows_.store();
  bool ok = false;
  if (!store.ExcelApp || store.ExcelApp->ActiveWorkbook() == nullptr) {
    store.ExcelWorkbook = nullptr;
    store.ExcelWorkbookName.clear();
    store.WorkbookReady = false;
    options().summary.visible = false;
    options().summary.startEnabled = false;
    windows_.showOpenWorkbook();
    ok = store.WorkbookReady;
  } else {
    ok = options().LoadOptionsFromWorkbook();
  }
  showFields();
  if (!ok) return;

  const QChar reason = tag.isEmpty() ? QChar() : tag.at(0).toUpper();
  if (reason == u'O') {
    showDialog();
  } else if (reason == u'S' || reason == u'N') {
    if (!store.OptionsConfirmed) showDialog();
  } else if (reason == u'E') {
    hide();
  } else {
    windows_.app().prompts().show(QStringLiteral("Unrecognized .Tag value: ") + tag,
                                  QStringLiteral("Error activating frmOptions"), PromptButtons::Ok,
                                  PromptIcon::Exclamation);
    showDialog();
  }
}

void frmOptions::showDialog() {
  showAlerts();
  showFields();
  windows_.showModal(*this);
}

void frmOptions::showAlerts() {
  ui->lblDefaultsWereUsed->setVisible(options().DefaultsWereUsed);
  ui->lblErrorsWereFixed->setVisible(options().ErrorsWereFixed);
}

void frmOptions::cmdOK_Click() {
  RunOptions& model = options();
  model.StoreOptions();
  const bool ok = model.LoadOptionsFromWorkbook();
  showFields();
  if (ok && windows_.store().OptionsConfirmed) {
    tag = QStringLiteral("Exit via OK");
    hide();
  } else if (ok) {
    showAlerts();
  } else {
    windows_.app().prompts().show(QStringLiteral("Program is at end of cmdOK_Click within frmOptions"),
                                  QStringLiteral("LumivaneQX wonders how it got here"), PromptButtons::Ok,
                                  PromptIcon::None);
    hide();
  }
}

void frmOptions::cmdCancel_Click() {
  tag = QStringLiteral("Exit via CANCEL");
  hide();
}

void frmOptions::reject() { cmdCancel_Click(); }

void frmOptions::spin(QLineEdit* edit, OptionField& field, int step, int limit) {
  double value = 0;
  if (!isNumber(field.text, &value)) return;
  if (step < 0 ? !(value > limit) : !(value < limit)) return;
  field.text = Common::FormatNumber(value + step, QString());
  edit->setText(field.text);
  edit->selectAll();
  edit->setFocus();
}

void frmOptions::picIncubationSpinUp_Click() { spin(ui->txtIncubation, options().txtIncubation, +1, 150); }
void frmOptions::picIncubationSpinDown_Click() { spin(ui->txtIncubation, options().txtIncubation, -1, 0); }
void frmOptions::picRunsSpinUp_Click() { spin(ui->txtRepeats, options().txtRepeats, +1, 999); }
void frmOptions::picRunsSpinDown_Click() { spin(ui->txtRepeats, options().txtRepeats, -1, 1); }
void frmOptions::picDelaySpinUp_Click() { spin(ui->txtDelay, options().txtDelay, +1, 999); }
void frmOptions::picDelaySpinDown_Click() { spin(ui->txtDelay, options().txtDelay, -1, 0); }
void frmOptions::picEjectionDelaySpinUp_Click() { spin(ui->txtEjectionDelay, options().txtEjectionDelay, +1, 150); }
void frmOptions::picEjectionDelaySpinDown_Click() { spin(ui->txtEjectionDelay, options().txtEjectionDelay, -1, 0); }
void frmOptions::picSettlingDelaySpinUp_Click() { spin(ui->txtSettlingDelay, options().txtSettlingDelay, +1, 999); }
void frmOptions::picSettlingDelaySpinDown_Click() { spin(ui->txtSettlingDelay, options().txtSettlingDelay, -1, 0); }

void frmOptions::optMeasurementDwellSeconds_Click(int index) {
  RunOptions& model = options();
  model.txtMeasurementDwellTime.text = QString::number(index);
  for (auto& [seconds, button] : model.optMeasurementDwellSeconds) button.selected = seconds == index;
  showField(ui->txtMeasurementDwellTime, model.txtMeasurementDwellTime);
  showDwellButtons();
}

void frmOptions::lblWell_Click(int index) {
  options().lblWell.toggle(index);
  showWell(index);
}

void frmOptions::cmdRow_Click(int row) {
  options().lblWell.toggleRow(row);
  showWells();
}

void frmOptions::cmdColumn_Click(int column) {
  options().lblWell.toggleColumn(column);
  showWells();
}

void frmOptions::cmdAllCells_Click() {
  options().lblWell.toggleAll();
  showWells();
}

void frmOptions::showFields() {
  const RunOptions& model = options();
  showField(ui->txtIncubation, model.txtIncubation);
  showField(ui->txtRepeats, model.txtRepeats);
  showField(ui->txtDelay, model.txtDelay);
  showField(ui->txtEjectionDelay, model.txtEjectionDelay);
  showField(ui->txtSettlingDelay, model.txtSettlingDelay);
  showField(ui->txtMeasurementDwellTime, model.txtMeasurementDwellTime);
  showField(ui->txtBlankRowsBetweenRuns, model.txtBlankRowsBetweenRuns);
  showField(ui->txtDataStorageOrientation, model.txtDataStorageOrientation);
  showField(ui->txtNextDataStorage, model.txtNextDataStorage);
  showField(ui->txtNextTimeStorage, model.txtNextTimeStorage);
  showField(ui->txtUnsampledWellValue, model.txtUnsampledWellValue);
  showDwellButtons();
  showWells();
}

void frmOptions::showField(QLineEdit* edit, const OptionField& field) {
  if (edit->text() != field.text) edit->setText(field.text);
  paint(edit, QPalette::Base, field.colour);
}

void frmOptions::showDwellButtons() {
  const std::pair<int, QRadioButton*> buttons[] = {{1, ui->optMeasurementDwellSeconds_1},
                                                   {2, ui->optMeasurementDwellSeconds_2},
                                                   {4, ui->optMeasurementDwellSeconds_4}};
  for (const auto& [seconds, button] : buttons) {
    const auto found = options().optMeasurementDwellSeconds.find(seconds);
    if (found == options().optMeasurementDwellSeconds.end()) continue;
    if (found->second.selected) button->setChecked(true);
    paint(button, QPalette::Window, found->second.colour);
  }
}

void frmOptions::showWells() {
  for (int index = 0; index < WellMap::kWells; ++index) showWell(index);
}

void frmOptions::showWell(int index) {
  paint(lblWell_.at(index), QPalette::Window, options().lblWell.label(index).colour);
}
