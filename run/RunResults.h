#pragma once

#include <QString>

// Result codes of DefineAndStartRecipe and CollectRuns, and their texts.
namespace RunResult {

constexpr int kCompleted = 0;
constexpr int kRecipeRunning = 1;
constexpr int kNoMicroplate = 6;
constexpr int kCannotDefine = 34;
constexpr int kCannotStart = 35;
constexpr int kGarbledReport = 36;
constexpr int kInstrumentError = 37;
constexpr int kCancelled = 38;
constexpr int kCompletedPlateHeld = 40;
// The workbook could take no more data (a full sheet, a block off the sheet):
// the sequence was cancelled on the instrument with every stored run kept.
constexpr int kStorageStopped = 41;

inline const QString kRequestStatusCode = QStringLiteral("REQUEST status code: ");
inline const QString kInstrumentStatusCode = QStringLiteral("INSTRUMENT status code: ");

inline const QString kCannotDefineHeadline =
    QStringLiteral("Run abandoned because we cannot define the sequence to Lumivane");
inline const QString kCannotStartHeadline =
    QStringLiteral("Run abandoned because we cannot start the sequence in Lumivane");
inline const QString kRunCancelledDetail = QStringLiteral("Run cancelled");
inline const QString kRecipeCancelledHeadline = QStringLiteral("Run abandoned, by your request.");
inline const QString kCollectCancelledHeadline = QStringLiteral("Run cancelled, by your request.");
inline const QString kNoMicroplateHeadline =
    QStringLiteral("Run abandoned because there is no microplate in the tray");
inline const QString kNoMicroplateDetail = QStringLiteral("Error: microplate required");
inline const QString kGarbledHeadline = QStringLiteral("Run abandoned");
inline const QString kGarbledDetail = QStringLiteral("Cannot find delimiting comma in Lumivane's column data report.");
inline const QString kInstrumentErrorHeadline = QStringLiteral("ERROR; run abandoned.");
inline const QString kPlateHeldHeadline = QStringLiteral("The run completed successfully.");
inline const QString kPlateHeldDetail =
    QStringLiteral("The tray is kept inside because the run options specify delayed ejection.");
// A reply that never came (or a port that failed) where a status was expected.
inline const QString kNoAnswerDetail = QStringLiteral("Lumivane did not answer.");
inline const QString kStorageStoppedHeadline = QStringLiteral("Data storage stopped");
inline const QString kConnectionLostDetail = QStringLiteral("The connection to Lumivane was lost.");

}  // namespace RunResult
