#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include "workbook/engine/XlsxFile.h"

// The zip container of a workbook package.
namespace xl::zip {

// Every entry of the archive inflated into memory, each inflation watched
// against the limits as it happens (declared sizes are never trusted).
// Part names are kept as stored, without a leading "/".
struct Archive {
  QMap<QString, QByteArray> parts;
  QStringList order;  // entry order of the archive

  // Case-insensitive lookup, as package part names are; nullptr when missing.
  const QByteArray* find(const QString& partName) const;
  QString actualName(const QString& partName) const;
};

bool readArchive(const QString& path, const ReadLimits& limits, Archive* archive, QString* error);

// A deflated archive of the given parts in the given order, with fixed
// timestamps so that the same parts always give the same bytes.
bool buildArchive(const QList<QPair<QString, QByteArray>>& parts, QByteArray* zipBytes, QString* error);

}  // namespace xl::zip
