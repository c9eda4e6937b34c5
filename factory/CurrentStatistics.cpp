#include "factory/CurrentStatistics.h"

#include <QStringList>
#include <cmath>

#include "app/Common.h"
#include "link/modVrHd.h"

namespace {
const QString kRequestEnd = QStringLiteral("FFFF)\r\n");
constexpr qsizetype kTemperatureAt = 13;
constexpr qsizetype kReadingsAt = 17;
constexpr int kStreamingStatus = 5;

void toggleStream(modVrHd& link, const QString& label) {
  link.SendRequest({label, link.state().FrameHeader, QStringLiteral("BD"), QStringLiteral("bA"), kRequestEnd});
}

QString acknowledgement(modVrHd& link, int requestStatus) {
  const QString reply = link.ReceiveStatusReply(QStringLiteral("b"));
  if (!reply.isEmpty() && reply.mid(2, 1) == QString::number(requestStatus)) return {};
  return QStringLiteral("Polling not started; ERROR in instrument status: ") + reply;
}
}  // namespace

QString CurrentStatistics::read(modVrHd& link) {
  toggleStream(link, QStringLiteral("Start reporting currents!"));
  QString error = acknowledgement(link, 1);
  if (!error.isEmpty()) return error;
  std::array<std::array<double, kReports>, kRows> readings{};
  double temperatureSum = 0;
  int reports = 0;
  while (reports < kReports && error.isEmpty()) {
    QString payload;
    const QString type = link.ReceiveFrame(payload);
    if (type == QLatin1String("B4")) {
      temperatureSum += payload.mid(kTemperatureAt, 4).toInt(nullptr, 16);
      qsizetype p = kReadingsAt;
      for (int row = 0; row < kRows && error.isEmpty(); ++row) {
        const qsizetype c = payload.indexOf(QLatin1Char(','), p);
        if (c < 0) {
          error = QStringLiteral("Cannot find delimiting comma in Lumivane's column data report.");
          break;
        }
        readings.at(static_cast<size_t>(row)).at(static_cast<size_t>(reports)) = Common::Val(payload.mid(p, c - p));
        p = c + 1;
      }
      ++reports;
    } else if (type == QLatin1String("B6")) {
      if (payload.mid(0, 1).toInt(nullptr, 16) != kStreamingStatus)
        error = QStringLiteral("Lumivane error; INSTRUMENT status code: ") + payload.mid(0, 1);
      else if (payload.mid(2, 1) != QLatin1String("1"))
        error = QStringLiteral("Lumivane error; REQUEST status code: ") + payload.mid(2, 1);
    } else if (type == modVrHd::kNoReplyType) {
      error = QStringLiteral("Lumivane error; no column data report came");
    }
  }
  toggleStream(link, QStringLiteral("Quit reporting currents!"));
  const QString quit = acknowledgement(link, 0);
  if (!error.isEmpty()) return error;
  if (!quit.isEmpty()) return quit;
  for (size_t row = 0; row < kRows; ++row) {
    double sum = 0, squares = 0;
    for (double reading : readings.at(row)) {
      sum += reading;
      squares += reading * reading;
    }
    mean.at(row) = sum / kReports;
    const double variance = (squares - kReports * mean.at(row) * mean.at(row)) / (kReports - 1);
    deviation.at(row) = variance > 0 ? std::sqrt(variance) : 0.0;
  }
  temperature = temperatureSum / kReports;
  return {};
}

QStringList CurrentStatistics::lines(const QString& meanFormat, double lowestMean, double highestMean,
                                     const QString& deviationFormat, double highestDeviation, bool* bad) const {
  QStringList lines;
  *bad = false;
  for (size_t row = 0; row < kRows; ++row) {
    const bool meanBad = mean.at(row) < lowestMean || mean.at(row) > highestMean;
    const bool deviationBad = deviation.at(row) > highestDeviation;
    *bad = *bad || meanBad || deviationBad;
    lines << Common::FormatNumber(mean.at(row), meanFormat) + (meanBad ? QStringLiteral("Bad") : QString()) +
                 QLatin1Char('\t') + Common::FormatNumber(deviation.at(row), deviationFormat) +
                 (deviationBad ? QStringLiteral("Bad") : QString());
  }
  lines << QStringLiteral("at temperature:") + QLatin1Char('\t') +
               Common::FormatNumber(temperature, QStringLiteral("0.0"));
  return lines;
}
