#include "assay/AssayInput.h"

#include <algorithm>

#include "assay/LayoutCsv.h"
#include "assay/LayoutSheet.h"
#include "workbook/engine/Automation.h"

namespace assay {

std::optional<AssayInput> loadAssayInput(xl::Workbook& book, const AssayRequest& request, QString* error) {
  const auto refuse = [error](const QString& why) {
    if (error) *error = why;
    return std::nullopt;
  };
  AssayInput input;
  QString why;
  if (!request.layoutCsv.isEmpty()) {
    std::optional<PlateLayout> layout = readLayoutCsv(request.layoutCsv, &why);
    if (!layout) return refuse(request.layoutCsv + QStringLiteral(": ") + why);
    input.layout = *layout;
  } else {
    std::optional<PlateLayout> layout = readLayoutSheet(book, &why);
    if (!layout && !why.isEmpty()) return refuse(book.Name() + QStringLiteral(": ") + why);
    if (!layout) {
      return refuse(QStringLiteral("%1 has no Layout sheet; give the plate layout with --layout FILE.csv.")
                        .arg(book.Name()));
    }
    input.layout = *layout;
  }
  if (request.model) input.layout.model = *request.model;
  if (input.layout.empty()) return refuse(QStringLiteral("The plate layout names no wells."));

  input.sequences = stored::readStoredSequences(book, &why);
  const bool anyRun = std::any_of(input.sequences.begin(), input.sequences.end(),
                                  [](const stored::StoredSequence& s) { return !s.runs.empty(); });
  if (!anyRun) {
    return refuse(QStringLiteral("%1 holds no runs%2").arg(book.Name(), why.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + why));
  }
  if (request.sequence) {
    const int k = *request.sequence;
    if (k < 1 || k > static_cast<int>(input.sequences.size())) {
      return refuse(QStringLiteral("%1 holds sequences 1 to %2; there is no sequence %3.")
                        .arg(book.Name())
                        .arg(input.sequences.size())
                        .arg(k));
    }
    input.sequences = {input.sequences[size_t(k - 1)]};
  }
  return input;
}

}  // namespace assay
