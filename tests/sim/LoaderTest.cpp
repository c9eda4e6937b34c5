#include <gtest/gtest.h>

#include "ModelHarness.h"

namespace {

const QByteArray kIdentify = "Who are you?(@A1FFFF)\r\n";
const QByteArray kAnnounce = "Begin Download!(XE1LFFFF)\r\n";

QByteArray record(char token, const QByteArray& line) { return QByteArray("(XE3") + token + line + "\nFFFF)\r\n"; }

SimOptions damagedOptions() {
  return optionsWith([](SimOptions& o) { o.damaged = true; });
}

char identityStatus(const QByteArray& frame) { return frame.at(frame.size() - 6); }

}  // namespace

TEST(LoaderTest, DamagedInstrumentTakesAnImageAndBecomesSound) {
  ModelHarness h(damagedOptions());
  EXPECT_EQ(identityStatus(h.say(kIdentify)), '1');
  EXPECT_EQ(h.say("Eject the tray!(XB7eFFFF)\r\n"), "(XB60e2FFFF)") << "a damaged instrument refuses tray commands";
  EXPECT_EQ(h.say(kAnnounce), "(XE2B3FFFF)");
  EXPECT_TRUE(h.model.loaderActive());
  EXPECT_EQ(h.say(record('B', ":020000040000FA")), "(XE2C0FFFF)");
  EXPECT_EQ(h.say(record('C', ":0400000001020304F2")), "(XE2D0FFFF)");
  EXPECT_EQ(h.say(record('D', ":00000001FF")), "(XE2E9FFFF)");
  EXPECT_FALSE(h.model.loaderActive());
  EXPECT_EQ(h.model.recordsLoaded(), 3);
  EXPECT_EQ(identityStatus(h.say(kIdentify)), '0');
  h.say("Connect to me!(XA34300HOST69B52A98FFFF)\r\n");
  EXPECT_TRUE(h.model.isConnected());
}

TEST(LoaderTest, BadRecordsAndWrongTokensAreRefused) {
  ModelHarness h(damagedOptions());
  EXPECT_EQ(h.say(kAnnounce), "(XE2B3FFFF)");
  EXPECT_EQ(h.say(record('B', ":0400000001020304F3")), "(XE2C2FFFF)") << "wrong checksum";
  EXPECT_EQ(h.say(record('C', ":04000000010203")), "(XE2D2FFFF)") << "truncated";
  EXPECT_EQ(h.say(record('A', ":0400000001020304F2")), "(XE2E2FFFF)") << "stale token";
  EXPECT_EQ(h.say(record('E', ":0400000001020304F2")), "(XE2F0FFFF)");
  EXPECT_EQ(h.model.recordsLoaded(), 1);
}

TEST(LoaderTest, SoundInstrumentLoadsOnlyForItsConnectedPc) {
  ModelHarness h;
  EXPECT_EQ(h.say(kAnnounce), "") << "not connected";
  EXPECT_EQ(h.say(record('A', ":00000001FF")), "");
  h.connectAsX();
  EXPECT_EQ(h.say("Begin Download!(YE1LFFFF)\r\n"), "") << "another PC";
  EXPECT_EQ(h.say(kAnnounce), "(XE2B0FFFF)");
  EXPECT_EQ(h.say(record('B', ":00000001FF")), "(XE2C9FFFF)");
  EXPECT_TRUE(h.model.isConnected());
}

TEST(LoaderTest, RecordsWithoutAnnouncementAreIgnored) {
  ModelHarness h(damagedOptions());
  EXPECT_EQ(h.say(record('A', ":00000001FF")), "");
  EXPECT_EQ(identityStatus(h.say(kIdentify)), '1');
}

TEST(LoaderTest, LoaderFaults) {
  ModelHarness silent(optionsWith([](SimOptions& o) {
    o.damaged = true;
    o.faults.loaderSilent = true;
  }));
  EXPECT_EQ(silent.say(kAnnounce), "");
  EXPECT_EQ(identityStatus(silent.say(kIdentify)), '1') << "only the loader is silent";

  ModelHarness rejects(optionsWith([](SimOptions& o) {
    o.damaged = true;
    o.faults.loaderRejects = true;
  }));
  EXPECT_EQ(rejects.say(kAnnounce), "(XE2B3FFFF)");
  EXPECT_EQ(rejects.say(record('B', ":020000040000FA")), "(XE2C2FFFF)");
  EXPECT_EQ(identityStatus(rejects.say(kIdentify)), '1');
}

TEST(LoaderTest, LoaderFaultFlags) {
  SimOptions options;
  QString error;
  ASSERT_TRUE(parseSimOptions({"lumivane-sim", "--loader-silent", "--loader-rejects"}, options, &error)) << error.toStdString();
  EXPECT_TRUE(options.faults.loaderSilent);
  EXPECT_TRUE(options.faults.loaderRejects);
}
