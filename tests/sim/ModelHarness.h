#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <cmath>

#include "sim/InstrumentModel.h"
#include "sim/ManualSimClock.h"

// An instrument model on a hand-driven clock, with its replies collected.
struct ModelHarness {
  explicit ModelHarness(const SimOptions& options = SimOptions()) : model(options, clock) {
    QObject::connect(&model, &InstrumentModel::reply, &model, [this](const QByteArray& frame) { replies << frame; });
  }

  // Feeds the request text and returns every reply sent since the last call.
  QByteArray say(const QByteArray& request) {
    model.feed(request);
    return take();
  }
  QByteArray take() {
    const QByteArray all = replies.join();
    replies.clear();
    return all;
  }
  // Identify and connect as PC "X" named HOST, told 2026-03-14 09:30:00 UTC.
  void connectAsX() {
    say("Who are you?(@A1FFFF)\r\n");
    say("Connect to me!(XA34300HOST69B52A98FFFF)\r\n");
  }
  void advanceSeconds(double seconds) { clock.advance(std::llround(seconds * 1000)); }

  ManualSimClock clock;
  InstrumentModel model;
  QByteArrayList replies;
};

inline SimOptions optionsWith(void (*change)(SimOptions&)) {
  SimOptions options;
  change(options);
  return options;
}
