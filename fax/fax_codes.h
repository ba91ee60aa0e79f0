#pragma once
// The fax engine's part of the system's one code space: session status
// codes (positive, shown as texts), error codes (negative) and the messages
// between the engine and its component. Texts live in the message table
// (serial/message_table.h).

namespace telvane {

enum TFaxClass { fcUnknown, fcDetect, fcClass1, fcClass2, fcClass2_0 };

// Bits of ModemFaxClasses().
inline constexpr int kFaxClassBit1 = 4;
inline constexpr int kFaxClassBit2 = 8;
inline constexpr int kFaxClassBit2_0 = 0x10;

// Session status.
inline constexpr int fpInitModem = 4801;
inline constexpr int fpDialing = 4802;
inline constexpr int fpBusyWait = 4803;
inline constexpr int fpSendPage = 4804;
inline constexpr int fpSendPageStatus = 4805;
inline constexpr int fpPageError = 4806;
inline constexpr int fpPageOK = 4807;
inline constexpr int fpConnecting = 4808;
inline constexpr int fpWaiting = 4820;
inline constexpr int fpNoConnect = 4821;
inline constexpr int fpAnswer = 4822;
inline constexpr int fpIncoming = 4823;
inline constexpr int fpGetPage = 4824;
inline constexpr int fpGetPageResult = 4825;
inline constexpr int fpCheckMorePages = 4826;
inline constexpr int fpGetHangup = 4827;
inline constexpr int fpGotHangup = 4828;
inline constexpr int fpSwitchModes = 4830;
inline constexpr int fpMonitorEnabled = 4831;
inline constexpr int fpMonitorDisabled = 4832;
inline constexpr int fpSessionParams = 4840;
inline constexpr int fpGotRemoteID = 4841;
inline constexpr int fpCancel = 4842;
inline constexpr int fpFinished = 4843;

// Errors.
inline constexpr int ecCancelRequested = -6005;
inline constexpr int ecTimeout = -6006;
inline constexpr int ecNoFilename = -6010;
inline constexpr int ecFileRejected = -6011;
inline constexpr int ecFaxBadFormat = -8001;
inline constexpr int ecFaxBadMachine = -8060;
inline constexpr int ecFaxBadModemResult = -8061;
inline constexpr int ecFaxTrainError = -8062;
inline constexpr int ecFaxInitError = -8063;
inline constexpr int ecFaxBusy = -8064;
inline constexpr int ecFaxVoiceCall = -8065;
inline constexpr int ecFaxDataCall = -8066;
inline constexpr int ecFaxNoDialTone = -8067;
inline constexpr int ecFaxNoCarrier = -8068;
inline constexpr int ecFaxSessionError = -8069;
inline constexpr int ecFaxPageError = -8070;
inline constexpr int ecFaxNoAnswer = -8071;
inline constexpr int ecFaxModemLost = -8072;
inline constexpr int ecFaxNoFaxConnect = -8074;
inline constexpr int ecDeviceWrite = -160;

// Messages of the engine to its component (see TKovaCustomAbstractFax).
inline constexpr unsigned kFaxAbortMessage = 0x7EA0;
inline constexpr unsigned kFaxNextMessage = 0x7EA1;
inline constexpr unsigned kFaxStatusMessage = 0x7EA2;
inline constexpr unsigned kFaxLogMessage = 0x7EA3;
inline constexpr unsigned kFaxNameMessage = 0x7EA4;
inline constexpr unsigned kFaxAcceptMessage = 0x7EA5;
inline constexpr unsigned kFaxErrorMessage = 0x7EA6;
inline constexpr unsigned kFaxFinishMessage = 0x7EA7;

}  // namespace telvane
