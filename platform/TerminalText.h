#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QIODevice>
#include <QString>
#include <cstdio>

// Text the instrument sent may hold any byte; printed raw, ESC and its
// friends would drive the terminal (set its title, move the cursor, hide
// what was printed). On a terminal's streams every control character is
// written as "\xHH" instead: C0 controls and DEL, C1 controls (U+0080 to
// U+009F), and a carriage return that does not end a line. Tabs and line
// ends stay as they are. Files written elsewhere keep the bytes as received.
class ControlEscaper {
 public:
  // The escaped form of the next piece of UTF-8; a byte whose meaning
  // depends on the next piece waits for it.
  QByteArray feed(QByteArrayView bytes);
  // Whatever still waits, escaped as it stands.
  QByteArray finish();

 private:
  QByteArray pending_;
};

// The escaped form of one whole text.
QString escapeControls(const QString& text);

// Standard output or standard error, written through a ControlEscaper and
// passed on at once (nothing is held but a byte waiting for its partner).
class EscapingOutput : public QIODevice {
 public:
  explicit EscapingOutput(FILE* stream);
  ~EscapingOutput() override;

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override;

 private:
  QFile file_;
  ControlEscaper escaper_;
};
