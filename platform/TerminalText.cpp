#include "platform/TerminalText.h"

namespace {

constexpr char kCarriageReturn = '\r';
// The lead byte of the UTF-8 form of U+0080 to U+00BF; the C1 controls follow it with 0x80 to 0x9F.
constexpr unsigned char kC1Lead = 0xC2;

void appendEscaped(QByteArray& out, unsigned char code) {
  static const char digits[] = "0123456789ABCDEF";
  out += "\\x";
  out += digits[code >> 4];
  out += digits[code & 0x0F];
}

bool isC0OrDelete(unsigned char byte) { return (byte < 0x20 && byte != '\t' && byte != '\n') || byte == 0x7F; }

}  // namespace

QByteArray ControlEscaper::feed(QByteArrayView bytes) {
  QByteArray in = pending_ + bytes.toByteArray();
  pending_.clear();
  QByteArray out;
  out.reserve(in.size());
  for (qsizetype i = 0; i < in.size(); ++i) {
    const auto byte = static_cast<unsigned char>(in[i]);
    const bool last = i + 1 == in.size();
    if (byte == kCarriageReturn || byte == kC1Lead) {
      if (last) {
        pending_ = QByteArray(1, in[i]);
        break;
      }
      const auto next = static_cast<unsigned char>(in[i + 1]);
      if (byte == kCarriageReturn) {
        if (next == '\n') out += kCarriageReturn;
        else appendEscaped(out, byte);
      } else if (next >= 0x80 && next <= 0x9F) {
        appendEscaped(out, next);
        ++i;
      } else {
        out += in[i];
      }
    } else if (isC0OrDelete(byte)) {
      appendEscaped(out, byte);
    } else {
      out += in[i];
    }
  }
  return out;
}

QByteArray ControlEscaper::finish() {
  QByteArray out;
  if (pending_ == QByteArray(1, kCarriageReturn)) appendEscaped(out, kCarriageReturn);
  else out = pending_;
  pending_.clear();
  return out;
}

QString escapeControls(const QString& text) {
  ControlEscaper escaper;
  QByteArray escaped = escaper.feed(text.toUtf8());
  escaped += escaper.finish();
  return QString::fromUtf8(escaped);
}

EscapingOutput::EscapingOutput(FILE* stream) {
  file_.open(stream, QIODevice::WriteOnly | QIODevice::Unbuffered);
  open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

EscapingOutput::~EscapingOutput() {
  const QByteArray rest = escaper_.finish();
  if (!rest.isEmpty()) file_.write(rest);
  file_.flush();
}

qint64 EscapingOutput::writeData(const char* data, qint64 size) {
  const QByteArray escaped = escaper_.feed(QByteArrayView(data, size));
  if (!escaped.isEmpty() && file_.write(escaped) != escaped.size()) return -1;
  // Out at once, as the stream asked: a script reads the lines as they come, not when the process ends.
  file_.flush();
  return size;
}
