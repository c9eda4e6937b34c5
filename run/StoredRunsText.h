#pragma once

#include <QString>

#include "run/StoredRuns.h"

// Stored runs as lines of text: the sequence, the run number, the run's
// seconds from the start of its sequence ("" when unknown) and the 96 wells
// as stored, A1..A12, B1..H12.
namespace storedtext {

// "A1" .. "H12" for wells 0..95.
QString wellName(int well);
// "Sequence,Run,Seconds,A1,...,H12".
QString csvHeading();
// One run, its fields separated by `separator`; with ',' a field holding a
// comma, a quote or a line break is quoted as spreadsheets read it.
QString runLine(const stored::StoredSequence& sequence, const stored::StoredRun& run, QChar separator);

}  // namespace storedtext
