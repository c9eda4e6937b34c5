#include "sim/frmSimulatedInstrument.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ProgramWindows.h"
#include "sim/InstrumentModel.h"

namespace {

constexpr int kRefreshMs = 100;
constexpr int kDefaultLevel = 2000;

struct Indicator {
  int bit;
  const char* caption;
};
constexpr Indicator kIndicators[] = {
    {8, "Tray is fully retracted"},
    {16, "Tray is near column zero"},
    {4, "Head is lifted"},
    {32, "Tray is fully extended"},
};

struct Load {
  const char* word;
  const char* caption;
};
constexpr Load kLoads[] = {
    {"plate", "Microplate"},
    {"photile", "Light plate"},
    {"black", "Black plate"},
    {"largest", "Largest microplate"},
};

struct Fault {
  const char* word;
  const char* caption;
};
constexpr Fault kFaults[] = {
    {"silent", "Silent"},          {"garbled", "Garbled report"},
    {"error", "Error status"},     {"damaged", "Damaged firmware"},
    {"supply", "+7 V supply low"}, {"stretched", "Stretched belt"},
    {"slipping", "Slipping belt"}, {"leaky", "Leaky covers"},
};

QString loadCaption(TrayLoad load) {
  switch (load) {
    case TrayLoad::Empty:
      return QStringLiteral("nothing");
    case TrayLoad::Microplate:
      return QStringLiteral("a microplate");
    case TrayLoad::LightPlate:
      return QStringLiteral("the light plate");
    case TrayLoad::BlackPlate:
      return QStringLiteral("the black plate");
    case TrayLoad::LargestMicroplate:
      return QStringLiteral("the largest microplate");
  }
  return {};
}

QString trayCaption(const InstrumentModel& model) {
  if (model.trayMoving()) return QStringLiteral("moving");
  switch (model.trayPosition()) {
    case TrayPosition::Inside:
      return QStringLiteral("parked");
    case TrayPosition::Out:
      return QStringLiteral("ejected");
    case TrayPosition::Unknown:
      break;
  }
  return QStringLiteral("free (motors released or pushed by hand)");
}

// The host name travels padded with blanks to its field's width; the caption shows it without them.
QString linkCaption(const InstrumentModel& model) {
  if (!model.isConnected()) return QStringLiteral("Not connected");
  return QStringLiteral("Connected to host \"%1\", frame address \"%2\"")
      .arg(model.hostName().trimmed(), QString(QLatin1Char(model.connectedAddress())));
}

}  // namespace

frmSimulatedInstrument& ProgramWindows::simulatedInstrumentWindow() { return onFirstUse(simulatedInstrument_); }

frmSimulatedInstrument::frmSimulatedInstrument(ProgramWindows& windows, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(*windows.simulatedInstrument()), commands_(model_) {
  setObjectName(QStringLiteral("frmSimulatedInstrument"));
  setWindowTitle(QStringLiteral("Simulated instrument"));
  buildLayout();
  tmrRefresh_ = new QTimer(this);
  tmrRefresh_->setObjectName(QStringLiteral("tmrRefresh"));
  tmrRefresh_->setInterval(kRefreshMs);
  connect(tmrRefresh_, &QTimer::timeout, this, &frmSimulatedInstrument::refresh);
  refresh();
}

frmSimulatedInstrument::~frmSimulatedInstrument() = default;

void frmSimulatedInstrument::buildLayout() {
  auto* layout = new QVBoxLayout(this);

  auto* tray = new QGroupBox(QStringLiteral("Tray"), this);
  auto* trayLayout = new QGridLayout(tray);
  lblTray_ = new QLabel(tray);
  lblTray_->setObjectName(QStringLiteral("lblTray"));
  trayLayout->addWidget(lblTray_, 0, 0, 1, 4);
  sldTrayPosition_ = new QSlider(Qt::Horizontal, tray);
  sldTrayPosition_->setObjectName(QStringLiteral("sldTrayPosition"));
  sldTrayPosition_->setRange(0, SimCommands::kMostTraySteps);
  sldTrayPosition_->setSingleStep(10);
  sldTrayPosition_->setPageStep(100);
  sldTrayPosition_->setToolTip(QStringLiteral("Push the tray by hand: retracted on the left, extended on the right"));
  connect(sldTrayPosition_, &QSlider::valueChanged, this, &frmSimulatedInstrument::sldTrayPosition_Moved);
  trayLayout->addWidget(sldTrayPosition_, 1, 0, 1, 3);
  // Beside the slider: the position to the single step.
  spnTrayPosition_ = new QSpinBox(tray);
  spnTrayPosition_->setObjectName(QStringLiteral("spnTrayPosition"));
  spnTrayPosition_->setRange(0, SimCommands::kMostTraySteps);
  spnTrayPosition_->setSingleStep(1);
  spnTrayPosition_->setSuffix(QStringLiteral(" steps"));
  spnTrayPosition_->setKeyboardTracking(false);
  spnTrayPosition_->setToolTip(QStringLiteral("Hold the tray at exactly this many steps from the retracted end"));
  connect(spnTrayPosition_, &QSpinBox::valueChanged, this, &frmSimulatedInstrument::sldTrayPosition_Moved);
  trayLayout->addWidget(spnTrayPosition_, 1, 3);
  int column = 0;
  for (const Indicator& indicator : kIndicators) {
    auto* label = new QLabel(QString::fromLatin1(indicator.caption), tray);
    label->setObjectName(QStringLiteral("lblInterrupter%1").arg(indicator.bit));
    label->setFrameShape(QFrame::Box);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    interrupters_.insert(indicator.bit, label);
    trayLayout->addWidget(label, 2, column++);
  }
  layout->addWidget(tray);

  auto* head = new QGroupBox(QStringLiteral("Head lever"), this);
  auto* headLayout = new QHBoxLayout(head);
  lblHead_ = new QLabel(head);
  lblHead_->setObjectName(QStringLiteral("lblHead"));
  cmdHead_ = new QPushButton(head);
  cmdHead_->setObjectName(QStringLiteral("cmdHead"));
  connect(cmdHead_, &QPushButton::clicked, this, &frmSimulatedInstrument::cmdHead_Click);
  headLayout->addWidget(lblHead_, 1);
  headLayout->addWidget(cmdHead_);
  layout->addWidget(head);

  auto* load = new QGroupBox(QStringLiteral("In the tray"), this);
  auto* loadLayout = new QGridLayout(load);
  lblLoad_ = new QLabel(load);
  lblLoad_->setObjectName(QStringLiteral("lblLoad"));
  loadLayout->addWidget(lblLoad_, 0, 0, 1, 5);
  column = 0;
  for (const Load& item : kLoads) {
    auto* button = new QPushButton(QString::fromLatin1(item.caption), load);
    const QString word = QString::fromLatin1(item.word);
    button->setObjectName(QStringLiteral("cmdInsert_") + word);
    connect(button, &QPushButton::clicked, this, [this, word] { act(QStringLiteral("insert ") + word); });
    loadLayout->addWidget(button, 1, column++);
  }
  auto* remove = new QPushButton(QStringLiteral("Take it out"), load);
  remove->setObjectName(QStringLiteral("cmdRemove"));
  connect(remove, &QPushButton::clicked, this, [this] { act(QStringLiteral("remove")); });
  loadLayout->addWidget(remove, 1, column);
  chkPhotileOn_ = new QCheckBox(QStringLiteral("Light plate switched on"), load);
  chkPhotileOn_->setObjectName(QStringLiteral("chkPhotileOn"));
  connect(chkPhotileOn_, &QCheckBox::toggled, this, &frmSimulatedInstrument::chkPhotileOn_Toggled);
  loadLayout->addWidget(chkPhotileOn_, 2, 0, 1, 2);
  loadLayout->addWidget(new QLabel(QStringLiteral("Light plate level (counts):"), load), 2, 2, 1, 2);
  spnPhotileLevel_ = new QSpinBox(load);
  spnPhotileLevel_->setObjectName(QStringLiteral("spnPhotileLevel"));
  spnPhotileLevel_->setRange(0, static_cast<int>(SimCommands::kMostLevel));
  spnPhotileLevel_->setSingleStep(50);
  spnPhotileLevel_->setKeyboardTracking(false);
  connect(spnPhotileLevel_, &QSpinBox::valueChanged, this, &frmSimulatedInstrument::spnPhotileLevel_Changed);
  loadLayout->addWidget(spnPhotileLevel_, 2, 4);
  layout->addWidget(load);

  auto* link = new QGroupBox(QStringLiteral("Link and faults"), this);
  auto* linkLayout = new QGridLayout(link);
  lblLink_ = new QLabel(link);
  lblLink_->setObjectName(QStringLiteral("lblLink"));
  linkLayout->addWidget(lblLink_, 0, 0, 1, 5);
  column = 0;
  for (const Fault& fault : kFaults) {
    auto* box = new QCheckBox(QString::fromLatin1(fault.caption), link);
    const QString word = QString::fromLatin1(fault.word);
    box->setObjectName(QStringLiteral("chkFault_") + word);
    connect(box, &QCheckBox::toggled, this, [this, word](bool on) {
      if (!refreshing_) act(QStringLiteral("fault %1 %2").arg(word, on ? QStringLiteral("on") : QStringLiteral("off")));
    });
    faults_.insert(word, box);
    linkLayout->addWidget(box, 1, column++);
  }
  auto* drop = new QPushButton(QStringLiteral("Drop the connection"), link);
  drop->setObjectName(QStringLiteral("cmdDrop"));
  connect(drop, &QPushButton::clicked, this, &frmSimulatedInstrument::cmdDrop_Click);
  linkLayout->addWidget(drop, 1, column);
  layout->addWidget(link);

  lblAnswer_ = new QLabel(this);
  lblAnswer_->setObjectName(QStringLiteral("lblAnswer"));
  layout->addWidget(lblAnswer_);
}

SimCommands::Answer frmSimulatedInstrument::act(const QString& command) {
  const SimCommands::Answer answer = commands_.run(command);
  lblAnswer_->setText(answer.ok ? QString() : answer.text);
  refresh();
  return answer;
}

void frmSimulatedInstrument::refresh() {
  refreshing_ = true;
  lblTray_->setText(QStringLiteral("Tray: %1, %2 steps from the retracted end")
                        .arg(trayCaption(model_))
                        .arg(model_.trayPositionSteps()));
  if (!sldTrayPosition_->isSliderDown()) sldTrayPosition_->setValue(model_.trayPositionSteps());
  if (!spnTrayPosition_->hasFocus()) spnTrayPosition_->setValue(model_.trayPositionSteps());
  const quint8 blocked = model_.photointerrupters();
  for (auto [bit, label] : interrupters_.asKeyValueRange()) {
    const bool on = (blocked & bit) != 0;
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, on ? QColor(Qt::red) : palette.color(QPalette::Base));
    label->setPalette(palette);
    label->setProperty("blocked", on);
  }
  lblHead_->setText(model_.headLifted() ? QStringLiteral("The head is lifted.") : QStringLiteral("The head is down."));
  cmdHead_->setText(model_.headLifted() ? QStringLiteral("Lower the head") : QStringLiteral("Lift the head"));
  lblLoad_->setText(QStringLiteral("In the tray: ") + loadCaption(model_.trayLoad()));
  const ServiceBench& bench = model_.serviceBench();
  chkPhotileOn_->setChecked(bench.lightPlateOn());
  if (!spnPhotileLevel_->hasFocus())
    spnPhotileLevel_->setValue(static_cast<int>(bench.settings().lightPlateLevel.value_or(kDefaultLevel)));
  const SimFaults& faults = model_.faults();
  faults_.value(QStringLiteral("silent"))->setChecked(faults.silent);
  faults_.value(QStringLiteral("garbled"))->setChecked(faults.garbledReport);
  faults_.value(QStringLiteral("error"))->setChecked(faults.errorStatus);
  faults_.value(QStringLiteral("damaged"))->setChecked(model_.damaged());
  faults_.value(QStringLiteral("supply"))->setChecked(faults.supplyOutOfBand);
  const ServiceSettings& service = model_.serviceBench().settings();
  faults_.value(QStringLiteral("stretched"))->setChecked(service.stretchedBelt);
  faults_.value(QStringLiteral("slipping"))->setChecked(service.slippingBelt);
  faults_.value(QStringLiteral("leaky"))->setChecked(service.leakyCovers);
  lblLink_->setText(linkCaption(model_));
  refreshing_ = false;
}

void frmSimulatedInstrument::cmdHead_Click() {
  act(model_.headLifted() ? QStringLiteral("head down") : QStringLiteral("head up"));
}

void frmSimulatedInstrument::sldTrayPosition_Moved(int steps) {
  if (refreshing_ || steps == model_.trayPositionSteps()) return;
  act(QStringLiteral("tray %1").arg(steps));
}

void frmSimulatedInstrument::chkPhotileOn_Toggled(bool on) {
  if (!refreshing_) act(on ? QStringLiteral("photile on") : QStringLiteral("photile off"));
}

void frmSimulatedInstrument::spnPhotileLevel_Changed(int level) {
  if (!refreshing_) act(QStringLiteral("photile level %1").arg(level));
}

void frmSimulatedInstrument::cmdDrop_Click() { act(QStringLiteral("fault drop")); }

void frmSimulatedInstrument::showEvent(QShowEvent* event) {
  refresh();
  tmrRefresh_->start();
  QWidget::showEvent(event);
}

void frmSimulatedInstrument::hideEvent(QHideEvent* event) {
  tmrRefresh_->stop();
  QWidget::hideEvent(event);
}
