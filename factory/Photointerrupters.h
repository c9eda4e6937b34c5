#pragma once

#include <QString>

// The photointerrupter status word of the full-system test: the high byte of
// the word at "0F160" (its first two hexadecimal digits). Poking 4 into it
// clears what the motors latched.
namespace Photointerrupters {

inline const QString kStatusWord = QStringLiteral("0F160");
constexpr int kClearValue = 4;
constexpr int kHeadLifted = 4;
constexpr int kRetracted = 8;
constexpr int kNearColumnZero = 16;
constexpr int kExtended = 32;
constexpr int kTrayMask = kRetracted | kNearColumnZero | kExtended;  // 56
constexpr int kAllMask = kHeadLifted | kTrayMask;                    // 60

// The status from the word's text; a word that is no hexadecimal number reads as 0xFF (all blocked).
int statusOf(const QString& word);
// Two upper-case hexadecimal digits.
QString hexText(int status);

// The tray's interrupters as the operator pushes the tray out and back by
// hand: every change of the masked status is appended to the actual order
// and compared with the next expected entry.
class TrayOrder {
 public:
  static inline const QString kExpected = QStringLiteral("00;20;00;20;00;10;00;08;00;10;00]");

  // A status read while polling; true when it was a change of the tray bits.
  bool see(int status);
  // No change differed and the whole expected order was walked.
  bool passed() const { return !mismatch_ && position_ >= kExpected.size(); }
  const QString& actual() const { return actual_; }

 private:
  int last_ = -1;     // nothing read yet: the first reading counts as a change
  int position_ = 0;  // of the next expected entry; the walk moves three characters at a time
  bool mismatch_ = false;
  QString actual_;
};

}  // namespace Photointerrupters

// The supply comparison of the full-system test: today's measurement against
// the value the main board test stored. A stored value under 0.5 V in size is
// compared as 1.0 V; more than 2 % off is bad.
namespace SupplyComparison {
constexpr double kMostDeviation = 0.02;
bool bad(double measured, double stored);
}  // namespace SupplyComparison
