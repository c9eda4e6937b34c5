#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "platform/LineTraceText.h"
#include "platform/MemorySerialPort.h"
#include "platform/TracingSerialPort.h"

namespace {

using LineTraceText::Direction;

QByteArray fileText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// The lines of a trace without their time stamps: "direction text".
QStringList untimed(const QString& path) {
  QStringList lines;
  for (const QByteArray& line : fileText(path).split('\n')) {
    if (line.isEmpty() || line.startsWith('#')) continue;
    lines << QString::fromLatin1(line.mid(line.indexOf(' ') + 1));
  }
  return lines;
}

TEST(LineTraceText, EscapesWhatIsNotPrintableAndReadsItBack) {
  struct Case {
    QByteArray bytes;
    QByteArray text;
  };
  const Case cases[] = {
      {"How are you?(2B5tFFFF)\r\n", "How are you?(2B5tFFFF)\\r\\n"},
      {"(2E30:020000040000FA\nFFFF)\r\n", "(2E30:020000040000FA\\nFFFF)\\r\\n"},
      {QByteArray("a\\b\t\x01\x7F\xE9", 7), "a\\\\b\\t\\x01\\x7F\\xE9"},
      {"(2A2VrHd01070203030CA12 ", "(2A2VrHd01070203030CA12\\x20"},  // a blank ending the line survives editors
      {" inner blanks stay ", " inner blanks stay\\x20"},
      {QByteArray("\0", 1), "\\x00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LineTraceText::escape(c.bytes), c.text);
    EXPECT_EQ(LineTraceText::unescape(c.text), c.bytes) << c.text.constData();
  }
  for (const char* broken : {"\\", "\\q", "\\x4", "\\xG0"})
    EXPECT_FALSE(LineTraceText::unescape(broken).has_value()) << broken;
}

TEST(LineTraceText, ParsesLinesAndNamesTheFirstBrokenOne) {
  const QByteArray text = QByteArray(LineTraceText::kHeading) +
                          "\n0.000120 * opened /dev/pts/3\n\n1.5 > Who are you?(@A1FFFF)\\r\\n\n"
                          "12.000001 < (@A2VrHd)\r\n13.250000 x\n";
  QString error;
  const auto lines = LineTraceText::parse(text, &error);
  ASSERT_TRUE(lines.has_value()) << error.toStdString();
  ASSERT_EQ(lines->size(), 4u);
  EXPECT_EQ((*lines)[0].direction, Direction::Event);
  EXPECT_EQ((*lines)[0].micros, 120);
  EXPECT_EQ((*lines)[1].micros, 1500000);
  EXPECT_EQ((*lines)[1].bytes, "Who are you?(@A1FFFF)\r\n");
  EXPECT_EQ((*lines)[1].lineNumber, 4);
  EXPECT_EQ((*lines)[2].micros, 12000001);
  EXPECT_EQ((*lines)[2].direction, Direction::Read);
  EXPECT_EQ((*lines)[3].direction, Direction::Discarded);
  EXPECT_TRUE((*lines)[3].bytes.isEmpty());

  const struct {
    QByteArray text;
    QString error;
  } broken[] = {
      {"1.0 > ok\nnoon > x\n", "line 2 of the trace: no time stamp (seconds.micros) at its start"},
      {"1.0 ? x\n", "line 1 of the trace: no direction (>, <, x or *) after the time stamp"},
      {"1.0 >x\n", "line 1 of the trace: no blank after the direction"},
      {"1.0 < \\z\n", "line 1 of the trace: a broken escape (\\\\, \\r, \\n, \\t or \\xHH)"},
  };
  for (const auto& b : broken) {
    EXPECT_FALSE(LineTraceText::parse(b.text, &error).has_value());
    EXPECT_EQ(error, b.error);
  }
}

class TracingPort : public ::testing::Test {
 protected:
  TracingPort() {
    auto line = std::make_unique<MemorySerialPort>();
    memory = line.get();
    port = std::make_unique<TracingSerialPort>(std::move(line));
    port->setDeviceName(QStringLiteral("/dev/pts/9"));
    QObject::connect(port.get(), &TracingSerialPort::traceFailed, [this](const QString& text) { failed << text; });
    QObject::connect(port.get(), &TracingSerialPort::tracingChanged, [this](bool on) { changed << on; });
  }
  QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

  QTemporaryDir dir;
  MemorySerialPort* memory = nullptr;
  std::unique_ptr<TracingSerialPort> port;
  QStringList failed;   // what traceFailed said
  QList<bool> changed;  // what tracingChanged said
};

TEST_F(TracingPort, OneLinePerFrameWrittenAndPerChunkRead) {
  memory->setFarEnd([](MemorySerialPort& far, const QByteArray& written) {
    if (written.endsWith("\r\n")) far.deliver("(2B63t0FFFF)");
  });
  ASSERT_TRUE(port->open());  // before the trace: not recorded
  ASSERT_TRUE(port->startTrace(path("line.txt")));
  EXPECT_EQ(changed, QList<bool>{true});
  for (const char* piece : {"How are you?", "(2", "B5t", "FFFF)\r\n"}) port->write(piece);
  EXPECT_EQ(port->readAll(), "(2B63t0FFFF)");
  memory->deliver("(2B4");
  memory->deliver("1,2,3FFFF)");
  EXPECT_EQ(port->readAll(), "(2B41,2,3FFFF)");
  EXPECT_TRUE(port->readAll().isEmpty());
  memory->deliver("(@A2 stray)");
  port->discardInput();
  port->write("Goodbye(2A6FFFF)\r\nI'm still");  // a frame and the start of the next
  port->close();
  port->stopTrace();
  EXPECT_EQ(changed, (QList<bool>{true, false}));
  ASSERT_TRUE(port->open());
  port->write("after the trace");

  EXPECT_EQ(QString::fromLatin1(memory->written()),
            QStringLiteral("How are you?(2B5tFFFF)\r\nGoodbye(2A6FFFF)\r\nI'm stillafter the trace"))
      << "the line itself sees every byte";
  EXPECT_EQ(untimed(path("line.txt")),
            (QStringList{"* open /dev/pts/9", "> How are you?(2B5tFFFF)\\r\\n", "< (2B63t0FFFF)", "< (2B41,2,3FFFF)",
                         "x (@A2 stray)", "> Goodbye(2A6FFFF)\\r\\n", "> I'm still", "* closed"}));
  const QByteArray text = fileText(path("line.txt"));
  EXPECT_TRUE(text.startsWith(QByteArray(LineTraceText::kHeading) + '\n'));
  // Time stamps only grow.
  const auto lines = LineTraceText::parse(text, nullptr);
  ASSERT_TRUE(lines.has_value());
  for (size_t i = 1; i < lines->size(); ++i) EXPECT_GE((*lines)[i].micros, (*lines)[i - 1].micros);
}

TEST_F(TracingPort, AFileThatCannotBeCreatedIsReportedOnceAndTheLineGoesOn) {
  EXPECT_FALSE(port->startTrace(path("no-such-folder/line.txt")));
  ASSERT_EQ(failed.count(), 1);
  EXPECT_EQ(failed[0], QStringLiteral("The serial line cannot be recorded in %1: No such file or directory\n"
                                      "The instrument link goes on without the record.")
                           .arg(path("no-such-folder/line.txt")));
  EXPECT_FALSE(port->isTracing());
  ASSERT_TRUE(port->open());
  EXPECT_TRUE(port->write("How are you?(2B5tFFFF)\r\n"));
  QCoreApplication::processEvents();
  EXPECT_EQ(failed.count(), 1);
  EXPECT_EQ(memory->written(), "How are you?(2B5tFFFF)\r\n");
}

TEST_F(TracingPort, ANamedPipeNobodyReadsIsRefusedAtOnce) {
  const QString fifo = path("pipe");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_FALSE(port->startTrace(fifo));  // would wait for a reader for ever if opened blocking
  ASSERT_EQ(failed.count(), 1);
  EXPECT_TRUE(failed[0].contains(QStringLiteral("No such device or address"))) << failed[0].toStdString();
}

TEST_F(TracingPort, AFullDiskStopsTheTraceWithOneReportNotTheLine) {
  if (!QFile::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full here";
  ASSERT_TRUE(port->open());
  EXPECT_FALSE(port->startTrace(QStringLiteral("/dev/full"))) << "even the heading does not fit";
  ASSERT_EQ(failed.count(), 1);
  EXPECT_TRUE(failed[0].contains(QStringLiteral("No space left on device"))) << failed[0].toStdString();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(port->write("How are you?(2B5tFFFF)\r\n"));
  memory->deliver("(2B63t0FFFF)");
  EXPECT_EQ(port->readAll(), "(2B63t0FFFF)");
  QCoreApplication::processEvents();
  EXPECT_EQ(failed.count(), 1);
  EXPECT_EQ(changed.count(), 0) << "it never ran";
}

}  // namespace

namespace {

// A file size limit for this process while it lives, with the signal that would end the process ignored.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

TEST_F(TracingPort, AFileThatFillsUpDuringTheLinkIsReportedOnceAfterTheWrite) {
  ASSERT_TRUE(port->open());
  {
    FileSizeLimit limit(400);
    ASSERT_TRUE(port->startTrace(path("full.txt")));
    for (int i = 0; i < 10; ++i) {
      EXPECT_TRUE(port->write("How are you?(2B5tFFFF)\r\n"));
      memory->deliver("(2B63t0FFFF)");
      EXPECT_EQ(port->readAll(), "(2B63t0FFFF)");
    }
  }
  EXPECT_EQ(failed.count(), 0) << "said from the event loop, not inside the write";
  QCoreApplication::processEvents();
  ASSERT_EQ(failed.count(), 1);
  EXPECT_TRUE(failed[0].startsWith(QStringLiteral("The serial line cannot be recorded in %1: ").arg(path("full.txt"))));
  EXPECT_FALSE(port->isTracing());
  EXPECT_EQ(changed.count(), 2);
  EXPECT_EQ(memory->written().count("How are you?"), 10);
  EXPECT_LE(QFile(path("full.txt")).size(), 400);
}

}  // namespace
