#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>

#include "platform/FileDialogs.h"
#include "platform/Prompts.h"
#include "run/PlateView.h"
#include "run/RunMonitor.h"
#include "tests/support/DoublePlatform.h"

namespace {

// A plate of wells A1 and B2 with one run, drawn off screen.
class PlateHabitsTest : public ::testing::Test {
 protected:
  PlateHabitsTest() {
    std::array<bool, RunMonitor::kWells> selected{};
    selected[0] = selected[13] = true;
    monitor.beginSequence(selected, QStringLiteral("TTFFFFFFFFFF"));
    plate.resize(700, 400);
  }
  void run(int number, int a1, int b2) {
    monitor.takePlateColumn(number, 1, {1200.0 + a1, 1200, 1200, 1200, 1200, 1200, 1200, 1200}, 10.0 * number);
    monitor.takePlateColumn(number, 2, {1200, 1200.0 + b2, 1200, 1200, 1200, 1200, 1200, 1200}, 10.0 * number + 2);
    monitor.takeDarkColumn({1200, 1200, 1200, 1200, 1200, 1200, 1200, 1200}, true);
  }
  void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(&plate, &press);
  }

  RunMonitor monitor;
  ScriptedFileDialogs dialogs;
  ScriptedPrompts prompts;
  PlateView plate{monitor, dialogs, prompts};
};

TEST_F(PlateHabitsTest, OneValueIsLabelledOnceAndAFixedScaleStaysPut) {
  run(1, 34, 34);  // both wells 3 410: a span of one value
  ASSERT_EQ(plate.barTicks().size(), 1);
  EXPECT_EQ(plate.barTicks().front().second, QStringLiteral("3 410"));
  plate.setLogarithmic(false);
  ASSERT_EQ(plate.barTicks().size(), 5) << "0 up to 3 410 on the linear scale";

  plate.setFixedScale(std::pair(0.0, 10000.0));
  EXPECT_TRUE(plate.scale().fixedSpan().has_value());
  run(2, 20, 200);  // 2 010 and 20 010: the fixed scale does not follow
  EXPECT_EQ(plate.scale().low(), 0.0);
  EXPECT_EQ(plate.scale().high(), 10000.0);
  EXPECT_EQ(plate.wellColour(13), PlateColourScale::colourAt(1));
  EXPECT_EQ(plate.barTicks().front().second, QStringLiteral("10 000"));
  // A span the logarithmic scale cannot take (from 0) is not fixed there.
  plate.setLogarithmic(true);
  EXPECT_EQ(plate.scale().low(), 2010.0);
  plate.setFixedScale(std::nullopt);
  plate.setLogarithmic(false);
  EXPECT_EQ(plate.scale().high(), 20010.0);
}

TEST_F(PlateHabitsTest, ArrowKeysMoveOverThePlateAndSpaceChoosesTheWell) {
  run(1, 34, 50);
  std::vector<std::pair<QList<int>, bool>> chosen;
  QObject::connect(&plate, &PlateView::wellsChosen,
                   [&chosen](const QList<int>& wells, bool adding) { chosen.emplace_back(wells, adding); });
  EXPECT_EQ(plate.focusPolicy(), Qt::StrongFocus);
  key(Qt::Key_Right);
  key(Qt::Key_Down);
  key(Qt::Key_Up);
  key(Qt::Key_Up);  // stays on row A
  key(Qt::Key_Down);
  EXPECT_EQ(plate.cursorWell(), 13);
  key(Qt::Key_Space);
  key(Qt::Key_Left);
  key(Qt::Key_Up);
  key(Qt::Key_Space, Qt::ControlModifier);
  ASSERT_EQ(chosen.size(), 2u);
  EXPECT_EQ(chosen[0].first, QList<int>{13});
  EXPECT_FALSE(chosen[0].second);
  EXPECT_EQ(chosen[1].first, QList<int>{0});
  EXPECT_TRUE(chosen[1].second);
  plate.setMarkedWells({13});
  EXPECT_EQ(plate.markedWells(), QList<int>{13});
  // The ring shows on the drawing: B2's rim is red, A1's is not.
  const QImage drawn = plate.grab().toImage();
  const QRectF b2 = plate.wellRect(13);
  const QColor rim = drawn.pixelColor(QPointF(b2.center().x(), b2.top() + 3.5).toPoint());
  EXPECT_GT(rim.red(), 150) << rim.name().toStdString();
  EXPECT_LT(rim.green(), 120) << rim.name().toStdString();
}

}  // namespace
