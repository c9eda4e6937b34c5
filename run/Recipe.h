#pragma once

#include <QString>

class RunOptions;

// A recipe built from the run options, with the column flags that go with it.
struct BuiltRecipe {
  QString recipe;       // "SN;R3,30;D120;E0;W1F0;...;WCF0;KT;TT;"
  QString ColumnFlags;  // twelve "T"/"F", one per plate column
};

// The recipe of a measurement from the current run options and well map.
BuiltRecipe BuildRunRecipe(const RunOptions& options);

// Appended when the operator goes on without a microplate; the later token decides.
inline const QString kNoMicroplateCheckToken = QStringLiteral("TF;");

// The recipes the calibration and test procedures send.
namespace FixedRecipes {
// Column 2, microplate required: light-plate calibration; read-head calibration, first pass.
inline const QString kColumn2 =
    QStringLiteral("SN;R1,0;D0;W1F0;W2T0;W3F0;W4F0;W5F0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");
// Columns 2 and 5: read-head calibration, second pass.
inline const QString kColumns2And5 =
    QStringLiteral("SN;R1,0;D0;W1F0;W2T0;W3F0;W4F0;W5T0;W6F0;W7F0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");
// Columns 4, 8 and 12: belt-stretch correction check.
inline const QString kColumns4And8And12 =
    QStringLiteral("SN;R1,0;D0;W1F0;W2F0;W3F0;W4T0;W5F0;W6F0;W7F0;W8T0;W9F0;WAF0;WBF0;WCT0;KT;");
// Column 7 without a microplate: large-microplate fit and light-tightness checks.
inline const QString kColumn7NoMicroplate =
    QStringLiteral("SN;R1,0;D0;TF;W1F0;W2F0;W3F0;W4F0;W5F0;W6F0;W7T0;W8F0;W9F0;WAF0;WBF0;WCF0;KT;");
}  // namespace FixedRecipes
