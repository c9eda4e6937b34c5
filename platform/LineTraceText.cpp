#include "platform/LineTraceText.h"

#include <QFile>

namespace LineTraceText {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool isDirection(char c) { return c == '>' || c == '<' || c == 'x' || c == '*'; }

}  // namespace

QByteArray escape(const QByteArray& bytes) {
  QByteArray text;
  text.reserve(bytes.size() + 8);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const bool lastBlank = c == ' ' && i + 1 == bytes.size();
    if (c == '\\')
      text += "\\\\";
    else if (c == '\r')
      text += "\\r";
    else if (c == '\n')
      text += "\\n";
    else if (c == '\t')
      text += "\\t";
    else if (c < 0x20 || c > 0x7E || lastBlank) {
      text += "\\x";
      text += kHexDigits[c >> 4];
      text += kHexDigits[c & 0x0F];
    } else {
      text += static_cast<char>(c);
    }
  }
  return text;
}

std::optional<QByteArray> unescape(const QByteArray& text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\\') {
      bytes += c;
      continue;
    }
    if (++i >= text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        bytes += '\\';
        break;
      case 'r':
        bytes += '\r';
        break;
      case 'n':
        bytes += '\n';
        break;
      case 't':
        bytes += '\t';
        break;
      case 'x': {
        const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return bytes;
}

QByteArray formatLine(qint64 micros, Direction direction, const QByteArray& bytes) {
  QByteArray line = QByteArray::number(micros / 1000000) + '.' +
                    QByteArray::number(micros % 1000000).rightJustified(6, '0') + ' ' + static_cast<char>(direction);
  if (!bytes.isEmpty()) line += ' ' + escape(bytes);
  line += '\n';
  return line;
}

std::optional<std::vector<Line>> parse(const QByteArray& text, QString* error) {
  std::vector<Line> lines;
  const QList<QByteArray> rows = text.split('\n');
  for (qsizetype index = 0; index < rows.size(); ++index) {
    QByteArray row = rows[index];
    if (row.endsWith('\r')) row.chop(1);
    if (row.trimmed().isEmpty() || row.startsWith('#')) continue;
    const int lineNumber = static_cast<int>(index + 1);
    auto fail = [&](const char* what) {
      if (error) *error = QStringLiteral("line %1 of the trace: %2").arg(lineNumber).arg(QLatin1String(what));
      return std::nullopt;
    };
    const qsizetype blank = row.indexOf(' ');
    const QByteArray time = row.left(blank);
    const qsizetype dot = time.indexOf('.');
    bool secondsOk = false;
    bool fractionOk = false;
    const qint64 seconds = time.left(dot).toLongLong(&secondsOk);
    const QByteArray fraction = dot < 0 ? QByteArray() : time.mid(dot + 1);
    const qint64 micros = fraction.left(6).leftJustified(6, '0').toLongLong(&fractionOk);
    if (blank <= 0 || dot <= 0 || fraction.isEmpty() || !secondsOk || !fractionOk || seconds < 0 || micros < 0)
      return fail("no time stamp (seconds.micros) at its start");
    if (blank + 1 >= row.size() || !isDirection(row[blank + 1]))
      return fail("no direction (>, <, x or *) after the time stamp");
    if (blank + 2 < row.size() && row[blank + 2] != ' ') return fail("no blank after the direction");
    const std::optional<QByteArray> bytes = unescape(row.mid(blank + 3));
    if (!bytes) return fail("a broken escape (\\\\, \\r, \\n, \\t or \\xHH)");
    lines.push_back({seconds * 1000000 + micros, static_cast<Direction>(row[blank + 1]), *bytes, lineNumber});
  }
  return lines;
}

std::optional<std::vector<Line>> readFile(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    return std::nullopt;
  }
  return parse(file.readAll(), error);
}

}  // namespace LineTraceText
