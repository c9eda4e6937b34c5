#pragma once

#include <QLabel>
#include <QMainWindow>

#include "app/ConnectionMonitor.h"

class AppContext;

// The program's main window. It owns the serial port's number and the
// connection monitor, and refuses to close while the instrument will not say
// goodbye. The menus and the windows they reach are added as those windows arrive.
class frmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit frmMain(AppContext& app, QWidget* parent = nullptr);
  ~frmMain() override;

  // The device the port uses: set from the settings at load, or given on the command line.
  void useDevice(const QString& device);
  ConnectionMonitor& connectionMonitor() { return monitor_; }

  // The exit query: true when the window may close.
  bool QueryUnload();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Form_Load();

  AppContext& app_;
  ConnectionMonitor monitor_;
  QLabel* lblStatusLine_ = nullptr;
};
