#include "factory/FixedRecipeRun.h"

#include <algorithm>

#include "app/Common.h"
#include "link/LinkState.h"
#include "link/modVrHd.h"
#include "run/StatusDigits.h"

namespace {
const QString kEnd = QStringLiteral("FFFF)\r\n");
constexpr qsizetype kReadingsAt = 17;
constexpr int kRunning = 5;
// "Still defining" answers waited for before the definition counts as refused.
constexpr int kMostDefineWaits = 20;

QString digitAt(const QString& reply, qsizetype index) { return reply.mid(index, 1); }
}  // namespace

FixedRecipeRun::FixedRecipeRun(modVrHd& link, LinkState& state) : link_(link), state_(state) {}

FixedRecipeRun::Outcome FixedRecipeRun::run(const QString& recipe, int reports) {
  readings_.clear();
  link_.SendRequest({QStringLiteral("Define recipe:"), state_.FrameHeader + QStringLiteral("B1r"), recipe, kEnd});
  QString reply;
  for (int wait = 0; wait < kMostDefineWaits; ++wait) {
    reply = link_.ReceiveStatusReply(QStringLiteral("r"));
    if (statusDigit(reply, 2) != 1) break;
  }
  if (reply.isEmpty()) return {Failure::NoAnswer, {}};
  if (statusDigit(reply, 2) != 0) return {Failure::DefineRefused, digitAt(reply, 2)};

  link_.SendRequest({QStringLiteral("Start recipe!"), state_.FrameHeader + QStringLiteral("B3x"), kEnd});
  reply = link_.ReceiveStatusReply(QStringLiteral("x"));
  if (reply.isEmpty()) return {Failure::NoAnswer, {}};
  if (statusDigit(reply, 2) != 1) return {Failure::StartRequestStatus, digitAt(reply, 2)};
  if (statusDigit(reply, 0) != kRunning) return {Failure::StartInstrumentStatus, digitAt(reply, 0)};

  state_.RecipeActive = true;
  Outcome outcome = collectReports();
  if (outcome.ok()) {
    // "Still executing" while the tray comes out; the last acknowledgement counts.
    const qint64 trayOut = link_.deadlineAfter(modVrHd::kMovementTimeoutMs);
    do {
      reply = link_.ReceiveStatusReplyBefore(QStringLiteral("x"),
                                             std::min(trayOut, link_.deadlineAfter(modVrHd::kReplyTimeoutMs)));
    } while (statusDigit(reply, 2) == 1);
    if (reply.isEmpty())
      outcome = {Failure::NoAnswer, {}};
    else if (statusDigit(reply, 2) != 0)
      outcome = {Failure::NotCompleted, digitAt(reply, 2)};
  }
  state_.RecipeActive = false;
  // A run cut short leaves no dark reference after its columns to correct them with.
  if (outcome.ok() && static_cast<int>(readings_.size()) < reports)
    outcome = {Failure::TooFewReports, QString::number(readings_.size())};
  return outcome;
}

FixedRecipeRun::Outcome FixedRecipeRun::collectReports() {
  for (;;) {
    if (state_.CancelRequested) {
      link_.EjectTray();
      return {Failure::Cancelled, {}};
    }
    QString payload;
    const QString type = link_.ReceiveFrame(payload);
    if (type == QLatin1String("B4")) {
      Readings row{};
      qsizetype p = kReadingsAt;
      for (double& reading : row) {
        const qsizetype comma = payload.indexOf(QLatin1Char(','), p);
        if (comma < 0) return {Failure::TooFewCommas, payload};
        reading = Common::Val(payload.mid(p, comma - p));
        p = comma + 1;
      }
      readings_.push_back(row);
      if (payload.startsWith(QLatin1Char('T'))) return {};
    } else if (type == QLatin1String("B6")) {
      if (statusDigit(payload, 0) != kRunning) return {Failure::BadInstrumentStatus, payload};
      if (statusDigit(payload, 2) != 1) return {Failure::BadRequestStatus, payload};
    } else if (type == modVrHd::kNoReplyType) {
      return {Failure::NoAnswer, {}};
    }
  }
}
