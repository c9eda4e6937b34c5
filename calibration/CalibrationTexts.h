#pragma once

#include <QString>

// The operator's texts of the calibration windows.
namespace CalibrationTexts {

inline const QString kCrLf = QStringLiteral("\r\n");

// Shared by the three windows.
inline const QString kNoCommunication = QStringLiteral("No communication with Lumivane;  calibration abandoned.");
inline const QString kNoCommunicationTitle = QStringLiteral("Communication error: calibration abandoned");
inline const QString kStreamNotOn = QStringLiteral("Cannot turn data stream ON;  calibration abandoned.");
inline const QString kStreamNotOff = QStringLiteral("Cannot turn data stream OFF;  we're in trouble.");
inline const QString kInstrumentErrorTitle = QStringLiteral("Instrument error: calibration abandoned");
inline const QString kRequestStatusCode = QStringLiteral("REQUEST status code: ");
inline const QString kInstrumentStatusCode = QStringLiteral("INSTRUMENT status code: ");
inline const QString kWrongPassword = QStringLiteral("Wrong password; try again");
inline const QString kPasswordError = QStringLiteral("Password error");

// The calibration window: filling, serial number, thresholds.
inline const QString kCannotReadCoefficients = QStringLiteral("Cannot read photodiode scaling coefficients");
inline const QString kCannotReadParameter = QStringLiteral("Cannot read parameter #");
inline const QString kSerialNumberAbandoned = QStringLiteral("Serial number change abandoned");
inline const QString kThresholdNotNumeric = QStringLiteral("Threshold field must be all-numeric");
inline const QString kThresholdRefused = QStringLiteral("New threshold setting refused");
inline const QString kThresholdsNotNumeric = QStringLiteral("Both threshold fields must be numeric");
inline const QString kThresholdOrder = QStringLiteral("Threshold for 1 sec. must be <= Threshold for 2 sec.");
inline const QString kThresholdsRefused = QStringLiteral("New threshold settings refused");
inline const QString kCannotWriteThreshold = QStringLiteral("Cannot write new delay threshold");

// The dark-column calibration.
inline const QString kEjectAbandoned = QStringLiteral("ERROR ejecting the tray:  calibration abandoned.");
inline const QString kParkAbandoned = QStringLiteral("ERROR parking the tray:  calibration abandoned.");
inline const QString kMotorsOffTitle = QStringLiteral("Calibrate mechanical position of the dark current column");
inline const QString kMotorsOff =
    QStringLiteral("The motors are OFF.  When you click OK, the intensity of light") + kCrLf +
    QStringLiteral("leakage on sensor #2 will be displayed.  Move the tray manually") + kCrLf +
    QStringLiteral("to minimize this intensity, then click the button to store that") + kCrLf +
    QStringLiteral("position as the new dark current column.");
inline const QString kCancelledByRequest = QStringLiteral("Calibration cancelled, by your request.");
inline const QString kCalibrationAbandoned = QStringLiteral("Calibration abandoned");
inline const QString kNoPositionOffset = QStringLiteral("Calibration abandoned because we cannot get position offset");
inline const QString kGarbledOffset =
    QStringLiteral("Calibration abandoned because position offset string was garbled");
inline const QString kStringContents = QStringLiteral("String contents: ");
inline const QString kUnexpectedResponse = QStringLiteral("Calibration abandoned because of unexpected response type");
inline const QString kResponseType = QStringLiteral("Response TYPE code: ");
inline const QString kOffsetMoveFailed =
    QStringLiteral("Calibration abandoned because position offset move was unsuccessful");
inline const QString kOffsetBelowTitle = QStringLiteral("ERROR: Offset below minimum");
inline const QString kOffsetAboveTitle = QStringLiteral("ERROR: Offset above maximum");
inline const QString kAcceptOffset = QStringLiteral("Click OK to accept this value for calibration.");
inline const QString kWriteEchoedAs = QStringLiteral(" was echoed by Lumivane as #: ");
inline const QString kWritingParameter = QStringLiteral("Writing parameter #: ");
inline const QString kWriteErrorStatus =
    QStringLiteral("Lumivane responded to a WRITE PARAMETER with the error status: ");
inline const QString kWriteUnexpectedType =
    QStringLiteral("Lumivane's response to a WRITE PARAMETER was the unexpected frame type: ");

// The light-plate calibration.
inline const QString kEjectAbandonedPhotile = QStringLiteral("ERROR ejecting the tray: calibration abandoned.");
inline const QString kInsertPhotile = QStringLiteral("Please insert the QLS Photile, turn it ON, then click OK");
inline const QString kBeginningCalibration = QStringLiteral("Beginning calibration");
inline const QString kProceed = QStringLiteral("You may now proceed with measurements.");
inline const QString kCalibrationComplete = QStringLiteral("Calibration complete.");
inline const QString kCannotFetch = QStringLiteral("Cannot fetch parameters: calibration abandoned");
inline const QString kStorageError = QStringLiteral("Parameter storage error: calibration abandoned");
inline const QString kCannotDefine =
    QStringLiteral("Calibration abandoned because we cannot define the run to Lumivane");
inline const QString kCannotStart = QStringLiteral("Calibration abandoned because we cannot start the run in Lumivane");
inline const QString kCancelled = QStringLiteral("Calibration cancelled");
inline const QString kCancelledTitle = QStringLiteral("At your request, calibration has been cancelled.");
inline const QString kNoComma = QStringLiteral("Cannot find delimiting comma:");
inline const QString kGarbledReport =
    QStringLiteral("Calibration abandoned because Lumivane's column data report is garbled.");
inline const QString kRunError = QStringLiteral("Calibration abandoned because of Lumivane error during the run.");
inline const QString kCompletedWithError = QStringLiteral("Calibration run completed with an error.");
inline const QString kNoAnswer = QStringLiteral("Lumivane did not answer.");
inline const QString kBelowMinimumTitle = QStringLiteral("WARNING: Reading below minimum");
inline const QString kAboveMaximumTitle = QStringLiteral("WARNING: Reading above maximum");
inline const QString kBelowMinimum = QStringLiteral("Reading below minimum.");
inline const QString kAboveMaximum = QStringLiteral("Reading above maximum.");
inline const QString kAcceptReading = QStringLiteral("Click OK to accept the reading and continue calibration.");
inline const QString kWriteBackFailed = QStringLiteral("The saved coefficients could not be written back: ");
inline const QString kSavedCoefficients = QStringLiteral("Saved coefficients (A to H): ");
inline const QString kCalibrationNote1 = QStringLiteral(
    "The previous 3 readings are from CALIBRATION, and are unscaled: #1 and #3 are dark currents; #2 is from light "
    "plate.");
inline const QString kCalibrationNote2 = QStringLiteral(
    "If there is a following row of values, they are are the newly-installed per-photodiode scaling coefficients.");

}  // namespace CalibrationTexts
