#include "app/LineRecordingItem.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QMenu>
#include <QTimer>

#include "app/AppContext.h"
#include "platform/TracingSerialPort.h"

LineRecordingItem::LineRecordingItem(AppContext& app, QMenu& utilities, QObject* parent)
    : QObject(parent), app_(app), port_(qobject_cast<TracingSerialPort*>(&app.port())), utilities_(utilities) {
  if (!port_) return;
  action_ = utilities.addAction(kText);
  action_->setObjectName(QStringLiteral("mnuUtilitiesRecordSerialLine"));
  action_->setCheckable(true);
  connect(action_, &QAction::triggered, this, &LineRecordingItem::mnuUtilitiesRecordSerialLine_Click);
  connect(port_, &TracingSerialPort::tracingChanged, this, &LineRecordingItem::showState);
  connect(port_, &TracingSerialPort::traceFailed, this, &LineRecordingItem::report);
  // The menu comes back when a sequence ends: the time to say what failed during it.
  connect(utilities.menuAction(), &QAction::changed, this, &LineRecordingItem::showPendingReport);
  showState(port_->isTracing());
}

bool LineRecordingItem::start(const QString& path) { return port_ && port_->startTrace(path); }

void LineRecordingItem::mnuUtilitiesRecordSerialLine_Click() {
  if (!port_) return;
  if (port_->isTracing()) {
    port_->stopTrace();
    return;
  }
  showState(false);  // unchecked until a file is chosen and opened
  FileDialogRequest request;
  request.title = kTitle;
  request.filter = kFilter;
  request.initialFolder = QDir(app_.program().folder).filePath(QStringLiteral("EventLogs"));
  request.fileName =
      QStringLiteral("Line %1.txt").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")));
  const std::optional<QString> path = app_.fileDialogs().saveFile(request);
  if (path) start(*path);
}

void LineRecordingItem::showState(bool recording) {
  action_->setChecked(recording);
  action_->setText(recording ? kStopText : kText);
  action_->setToolTip(recording ? port_->tracePath() : QString());
}

void LineRecordingItem::report(const QString& message) {
  pendingReport_ = message;
  // A message box now would hold up the sequence's wait; while the sequence
  // has the Utilities menu disabled, the message waits for it to end.
  if (utilities_.menuAction()->isEnabled()) QTimer::singleShot(0, this, &LineRecordingItem::showPendingReport);
}

void LineRecordingItem::showPendingReport() {
  if (pendingReport_.isEmpty() || !utilities_.menuAction()->isEnabled()) return;
  const QString message = pendingReport_;
  pendingReport_.clear();
  app_.prompts().show(message, kTitle, PromptButtons::Ok, PromptIcon::Exclamation);
}
