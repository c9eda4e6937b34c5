#pragma once

#include <QString>
#include <QStringList>

// One CSV line's fields and back: a field holding a comma, a quote or a line
// break is quoted, a quote inside doubled.
namespace assay {

QString csvLine(const QStringList& fields);
QStringList csvFields(const QString& line);

}  // namespace assay
