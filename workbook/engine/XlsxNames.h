#pragma once

#include <QString>

// Namespaces, relationship types and content types of a SpreadsheetML package.
namespace xl::ooxml {

inline const QString kMainNs = QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
inline const QString kRelNs = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
inline const QString kPackageRelNs = QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");
inline const QString kContentTypesNs = QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types");

inline const QString kRelOfficeDocument = kRelNs + QStringLiteral("/officeDocument");
inline const QString kRelWorksheet = kRelNs + QStringLiteral("/worksheet");
inline const QString kRelChartsheet = kRelNs + QStringLiteral("/chartsheet");
inline const QString kRelPersons = QStringLiteral("http://schemas.microsoft.com/office/2017/10/relationships/person");
inline const QString kRelStyles = kRelNs + QStringLiteral("/styles");
inline const QString kRelSharedStrings = kRelNs + QStringLiteral("/sharedStrings");
inline const QString kRelTheme = kRelNs + QStringLiteral("/theme");
inline const QString kRelExtendedProperties = kRelNs + QStringLiteral("/extended-properties");
inline const QString kRelCustomProperties = kRelNs + QStringLiteral("/custom-properties");
inline const QString kRelPivotTable = kRelNs + QStringLiteral("/pivotTable");
inline const QString kRelPivotCacheDefinition = kRelNs + QStringLiteral("/pivotCacheDefinition");
inline const QString kRelPivotCacheRecords = kRelNs + QStringLiteral("/pivotCacheRecords");
inline const QString kRelCoreProperties =
    QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties");

inline const QString kTypeWorkbook =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
inline const QString kTypeTemplate =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml");
inline const QString kTypeWorksheet =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml");
inline const QString kTypeChartsheet =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml");
inline const QString kTypePersons = QStringLiteral("application/vnd.ms-excel.person+xml");
inline const QString kTypeStyles = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml");
inline const QString kTypeSharedStrings =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml");
inline const QString kTypeTheme = QStringLiteral("application/vnd.openxmlformats-officedocument.theme+xml");
inline const QString kTypeCoreProperties = QStringLiteral("application/vnd.openxmlformats-package.core-properties+xml");
inline const QString kTypeExtendedProperties =
    QStringLiteral("application/vnd.openxmlformats-officedocument.extended-properties+xml");
inline const QString kTypeCustomProperties =
    QStringLiteral("application/vnd.openxmlformats-officedocument.custom-properties+xml");
inline const QString kTypePivotTable =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.pivotTable+xml");
inline const QString kTypePivotCacheDefinition =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.pivotCacheDefinition+xml");
inline const QString kTypePivotCacheRecords =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.pivotCacheRecords+xml");
inline const QString kTypeRelationships = QStringLiteral("application/vnd.openxmlformats-package.relationships+xml");

}  // namespace xl::ooxml
