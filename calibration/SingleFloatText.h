#pragma once

#include <QString>
#include <optional>

// The instrument keeps its photosensor coefficients and delay thresholds as
// single floats. A value typed for one of them is taken only when it is a
// number that a single float holds as a finite value; anything else (a
// non-number, nan, inf, or a number that would round to infinity, such as
// 1e40) is refused before the instrument is contacted.
namespace SingleFloatText {

// The value of `text` (blanks around it allowed; "&H" hexadecimal read as the
// program reads numbers elsewhere), or nothing when it cannot be stored.
std::optional<float> parse(const QString& text);

// Why `text`, the value named `what` ("T1", "C3"), cannot be stored; "" when it can.
QString refusal(const QString& what, const QString& text);

}  // namespace SingleFloatText
