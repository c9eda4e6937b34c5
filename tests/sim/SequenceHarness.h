#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <map>

#include "tests/sim/ModelHarness.h"

// Seconds since 1970 told to the instrument by ModelHarness::connectAsX().
constexpr qint64 kToldEpochSeconds = 0x69B52A98;

// Frames of a reply stream, each ending with its ")".
inline QByteArrayList splitFrames(const QByteArray& stream) {
  QByteArrayList frames;
  qsizetype from = 0;
  for (qsizetype close = stream.indexOf(')'); close >= 0; close = stream.indexOf(')', from)) {
    frames << stream.mid(from, close - from + 1);
    from = close + 1;
  }
  return frames;
}

// What the program's frame receive hands over: the text after "(", the address and the type.
inline QByteArray payloadOf(const QByteArray& frame) { return frame.mid(4); }

// A recipe with a token for every column: the listed columns read with their settling seconds.
inline QByteArray recipeText(const QByteArray& head, const std::map<int, int>& settleOfReadColumns,
                             const QByteArray& tail = "KT;TT;") {
  QByteArray text = head;
  for (int column = 1; column <= 12; ++column) {
    const auto read = settleOfReadColumns.find(column);
    text += 'W' + QByteArray::number(column, 16).toUpper() + (read != settleOfReadColumns.end() ? 'T' : 'F') +
            QByteArray::number(read != settleOfReadColumns.end() ? read->second : 0) + ';';
  }
  return text + tail;
}

// A connected instrument whose tray has been out, so a plate is taken to be loaded.
struct SequenceSim : ModelHarness {
  explicit SequenceSim(const SimOptions& options = SimOptions(), bool ejectFirst = true) : ModelHarness(options) {
    connectAsX();
    if (ejectFirst) {
      say("Eject the tray!(XB7eFFFF)\r\n");
      advanceSeconds(options.trayMoveSeconds);
    }
    take();
  }
  QByteArray define(const QByteArray& recipe) { return say("Define recipe:(XB1r" + recipe + "FFFF)\r\n"); }
  QByteArray start() { return say("Start recipe!(XB3xFFFF)\r\n"); }
  QByteArray status() { return say("How are you?(XB5tFFFF)\r\n"); }
  QByteArray defineAndStart(const QByteArray& recipe) {
    const QByteArray defined = define(recipe);
    return defined + start();
  }
  qint64 epochNow() const { return kToldEpochSeconds + clock.nowMs() / 1000; }
};
