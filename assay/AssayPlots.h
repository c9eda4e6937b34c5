#pragma once

#include <QImage>
#include <QRectF>

#include "assay/AssayAnalysis.h"

class QPainter;

// The assay's pictures, drawn with a painter so the Results view, the
// printed report and the PDF show the same drawing.
namespace assay {

// The plate coloured by each well's stored value (the plate view's colour
// scale, logarithmic), each well marked with its role's letter; unsampled
// wells hatched grey.
void paintHeatMap(QPainter& painter, const QRectF& area, const stored::StoredRun& run, const PlateLayout& layout);

// The standards' means against their concentrations (logarithmic axis for
// the 4-parameter curve), the fitted curve through them and the Sample groups
// placed on it at their concentrations.
void paintStandardCurve(QPainter& painter, const QRectF& area, const RunResult& run);

// The mean corrected value of each Sample group and control over the runs of
// the sequence, against the runs' seconds from the sequence's start.
void paintGroupKinetics(QPainter& painter, const QRectF& area, const SequenceResult& result,
                        const stored::StoredSequence& sequence);

// A drawing as an image of that size, white behind it.
QImage drawnImage(QSize size, const std::function<void(QPainter&, const QRectF&)>& draw);

// The role's short mark on the plate: "B", "S", "St", "P+", "N−"; "" for none.
QString roleMark(WellRole role);
QColor roleColour(WellRole role);

}  // namespace assay
