// Message-box flags and answers with the values of the Windows MB_ and ID constants, and the
// modal results of forms, which share the answers' numbers.
#pragma once

namespace zentrim::toolkit {

inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbOkCancel = 0x1;
inline constexpr unsigned kMbAbortRetryIgnore = 0x2;
inline constexpr unsigned kMbYesNoCancel = 0x3;
inline constexpr unsigned kMbYesNo = 0x4;
inline constexpr unsigned kMbRetryCancel = 0x5;
inline constexpr unsigned kMbCancelTryContinue = 0x6;
inline constexpr unsigned kMbTypeMask = 0xF;
inline constexpr unsigned kMbIconError = 0x10;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconWarning = 0x30;
inline constexpr unsigned kMbIconInformation = 0x40;
inline constexpr unsigned kMbDefButton1 = 0x000;
inline constexpr unsigned kMbDefButton2 = 0x100;
inline constexpr unsigned kMbDefButton3 = 0x200;
inline constexpr unsigned kMbDefaultButtonMask = 0xF00;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr int kIdTryAgain = 10;
inline constexpr int kIdContinue = 11;

// Modal results: 0 while a modal showing runs; any other value ends it and is its result.
inline constexpr int kModalNone = 0;
inline constexpr int kModalOk = kIdOk;
inline constexpr int kModalCancel = kIdCancel;
inline constexpr int kModalYes = kIdYes;
inline constexpr int kModalNo = kIdNo;

} // namespace zentrim::toolkit
