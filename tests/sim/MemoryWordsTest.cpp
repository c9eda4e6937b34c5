#include <gtest/gtest.h>

#include <cmath>

#include "tests/sim/ModelHarness.h"

namespace {

QByteArray peek(ModelHarness& sim, const char* address) {
  return sim.say(QByteArray("Read one word!(XF101") + address + "FFFF)\r\n");
}

QByteArray poke(ModelHarness& sim, const char* addressAndValue) {
  return sim.say(QByteArray("Write one word!(XF3") + addressAndValue + "FFFF)\r\n");
}

// The four digits after ":" in a word reply.
QByteArray wordOf(const QByteArray& reply) { return reply.mid(reply.indexOf(':') + 1, 4); }

TEST(SimMemoryWords, BoardIdentityShowsTheBoardRevisionThird) {
  ModelHarness sim;
  sim.connectAsX();
  const QByteArray reply = peek(sim, "0F002");
  EXPECT_EQ(reply, "(XF20F002:01C0FFFF)");
  EXPECT_EQ(wordOf(reply).at(2), 'C');
  EXPECT_EQ(poke(sim, "0F0020000"), "(XF20F002:01C0,0FFFF)") << "the identity cannot be overwritten";
}

TEST(SimMemoryWords, SuppliesReadInsideTheBoardTestBands) {
  struct Supply {
    int command;
    double nominal, factor, tolerance;
  };
  const Supply supplies[] = {{80, 2.5, 3.66666, 0.10},   {88, 3.3, 3.66666, 0.10}, {96, 12, 3.66666, 0.10},
                             {104, 5, 3.66666, 0.10},    {112, 7, 3.66666, 0.05},  {120, -9, 3.05, 0.05}};
  ModelHarness sim;
  sim.connectAsX();
  for (const Supply& supply : supplies) {
    const QByteArray value = QByteArray::number(supply.command, 16).toUpper().rightJustified(4, '0');
    EXPECT_EQ(poke(sim, QByteArray("0F170" + value).constData()), "(XF20F170:" + value + ",0FFFF)");
    const auto raw = static_cast<qint16>(wordOf(peek(sim, "0F172")).toUShort(nullptr, 16));
    const double volts = std::round(raw * supply.factor / 1000 * 100) / 100;
    EXPECT_NEAR(volts, supply.nominal, std::abs(supply.nominal) * supply.tolerance / 2) << supply.command;
  }
}

TEST(SimMemoryWords, PhotointerruptersAreTheHighByte) {
  ModelHarness sim;
  sim.connectAsX();
  EXPECT_EQ(poke(sim, "0F1600004"), "(XF20F160:0004,0FFFF)");
  EXPECT_EQ(wordOf(peek(sim, "0F160")).left(2), "08") << "the parked tray blocks the retracted interrupter";
  sim.model.memory().setPhotointerrupters(0x20);
  EXPECT_EQ(peek(sim, "0F160"), "(XF20F160:2804FFFF)");
}

TEST(SimMemoryWords, OtherAddressesAreReadableWritableWords) {
  ModelHarness sim;
  sim.connectAsX();
  EXPECT_EQ(peek(sim, "01234"), "(XF201234:0000FFFF)");
  EXPECT_EQ(poke(sim, "01234BEEF"), "(XF201234:BEEF,0FFFF)");
  EXPECT_EQ(peek(sim, "01234"), "(XF201234:BEEFFFFF)");
  EXPECT_EQ(sim.model.memoryWord(0x1234), 0xBEEF);
}

TEST(SimMemoryWords, FaultsOnWords) {
  ModelHarness echo(optionsWith([](SimOptions& o) { o.faults.wrongEcho = true; }));
  echo.connectAsX();
  EXPECT_EQ(peek(echo, "0F002"), "(XF20F003:01C0FFFF)");
  EXPECT_EQ(poke(echo, "012340005"), "(XF201235:0005,0FFFF)");

  ModelHarness sticky(optionsWith([](SimOptions& o) { o.faults.writeDoesNotTake = true; }));
  sticky.connectAsX();
  EXPECT_EQ(poke(sticky, "012340005"), "(XF201234:0000,0FFFF)");
}

}  // namespace
