// An instrument that keeps answering "still defining" cannot keep a run's
// start waiting for ever: the definition fails at the reply bound.
#include <QTimer>

#include "app/modMain.h"
#include "run/RunResults.h"
#include "tests/run/RunFixture.h"

namespace {

class EndlessRepliesTest : public RunFixture {
 protected:
  void SetUp() override { ASSERT_EQ(modMain(app).InitializeLink(), modMain::kConnected); }
};

TEST_F(EndlessRepliesTest, EndlessStillDefiningRepliesEndAtTheReplyBound) {
  instrument.defineReplies = {"(2B60r1FFFF)"};
  int sent = 0;
  QTimer again;
  QObject::connect(&again, &QTimer::timeout, port, [&] {
    if (++sent > 2000) return again.stop();
    clock->advance(500);
    port->deliver("(2B60r1FFFF)");
  });
  again.start(0);
  const qint64 start = clock->monotonicMs();
  EXPECT_EQ(sequencer.DefineAndStartRecipe(), RunResult::kCannotDefine);
  EXPECT_LE(clock->monotonicMs() - start, modVrHd::kReplyTimeoutMs + 1000);
  EXPECT_LT(sent, 2000);
  EXPECT_EQ(instrument.count("Start recipe!"), 0);
}

}  // namespace
