#pragma once
// Numbers of the program's windows, controls and commands.

namespace rlq::res {

constexpr int kMainResource = 128;  // menu, accelerators, icon and document string
constexpr int kAboutDialog = 100;
constexpr int kFormDialog = 131;
constexpr int kSearchDialog = 132;

// Form 131.
constexpr int kIpAddressEdit = 1001;
constexpr int kMainProgress = 1014;
constexpr int kFirmwareInfoEdit = 1015;
constexpr int kSubProgress = 1016;
constexpr int kMainLabel = 1024;
constexpr int kSubLabel = 1025;
constexpr int kSpecialModeButton = 1026;
constexpr int kMainVersionText = 1027;
constexpr int kSubVersionText = 1028;
constexpr int kRetryButton = 1029;
constexpr int kFirmwareGroup = 1012;

// Search dialog 132.
constexpr int kSearchLine1 = 1017;
constexpr int kSearchLine2 = 1018;
constexpr int kSearchLine3 = 1019;
constexpr int kSearchProgress = 1020;
constexpr int kSearchCancelButton = 1021;
constexpr int kSearchCause = 1022;  // why nothing was found, below the button

// About box 100.
constexpr int kAboutOk = 1;

// Commands.
constexpr int kCmdFileNew = 57600;
constexpr int kCmdFileOpen = 57601;
constexpr int kCmdFileSave = 57603;
constexpr int kCmdEditCopy = 57634;
constexpr int kCmdEditCut = 57635;
constexpr int kCmdEditPaste = 57637;
constexpr int kCmdEditUndo = 57643;
constexpr int kCmdAppAbout = 57664;
constexpr int kCmdAppExit = 57665;
constexpr int kCmdNextPane = 57680;
constexpr int kCmdPrevPane = 57681;
constexpr int kCmdShowRecords = 32771;  // Help: opens the folder of the run logs and the history

}  // namespace rlq::res
