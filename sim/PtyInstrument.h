#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class InstrumentModel;
class QSocketNotifier;
class QTimer;

// Serves an InstrumentModel on a pseudo-terminal: the program opens the
// slave device like a serial port. The master is served from socket
// notifiers on the calling thread's event loop. Our own descriptor on the
// slave stays open, so a client closing and reopening the device never leaves
// the master hung up.
class PtyInstrument : public QObject {
  Q_OBJECT
 public:
  // Output kept while the client is not reading; older replies are dropped beyond it.
  static constexpr qsizetype kMaxPendingOutput = 64 * 1024;

  explicit PtyInstrument(InstrumentModel& model, QObject* parent = nullptr);
  // Any other far end: `feed` takes what the program writes, send() answers it.
  explicit PtyInstrument(std::function<void(const QByteArray&)> feed, QObject* parent = nullptr);
  ~PtyInstrument() override;

  void send(const QByteArray& bytes) { writeToMaster(bytes); }

  bool open(QString* error);
  void close();
  // The slave device, such as /dev/pts/7; "" until open() succeeded.
  QString devicePath() const { return devicePath_; }

 private:
  void readFromMaster();
  void writeToMaster(const QByteArray& bytes);
  void flushOutput();
  void pauseReading();

  std::function<void(const QByteArray&)> feed_;
  int master_ = -1;
  int slave_ = -1;
  QString devicePath_;
  QSocketNotifier* readNotifier_ = nullptr;
  QSocketNotifier* writeNotifier_ = nullptr;
  QTimer* resumeTimer_ = nullptr;
  QByteArray pendingOutput_;
};
