#pragma once
// The program's texts by id (UTF-8). Every user-visible text is loaded from here where it is used.

#include <initializer_list>
#include <string>
#include <string_view>

namespace rlq {

// The text of `id`, or an empty text when the catalogue has no such entry.
std::string_view LoadMessage(int id);
// The text of `id` with %1 to %9 replaced by `args` in order; a marker without its argument
// stays as it is.
std::string FillMessage(int id, std::initializer_list<std::string_view> args);

namespace msg {
constexpr int kDocumentString = 128;
constexpr int kConnectBaseOrMainThenRetry = 129;
constexpr int kSearchingBaseOrMain = 130;
constexpr int kBaseOrMainNotFoundCheckLan = 131;
constexpr int kBaseOrMainNotFound = 133;
constexpr int kUpdateFailedText = 134;
constexpr int kUpdateFailedCaption = 135;
constexpr int kUpdateCompleteText = 136;
constexpr int kUpdateCompleteCaption = 137;
constexpr int kSearchingBase = 140;
constexpr int kPleaseWait = 141;
constexpr int kBaseNotFoundCheckLan = 142;
constexpr int kPressButtonToReturn = 143;
constexpr int kConnectBaseThenRetry = 144;
constexpr int kBack = 145;
constexpr int kBaseNotFound = 146;
constexpr int kSocketsInitFailed = 147;
constexpr int kTempFileFailed = 148;
constexpr int kSearchingChild = 149;
constexpr int kChildNotFound = 150;
constexpr int kChildNotFoundCheck = 151;
constexpr int kConnectChildThenRetry = 152;
constexpr int kModelName = 154;
constexpr int kSearchingMain = 155;
constexpr int kSearchingSub = 156;
constexpr int kMainNotFound = 157;
constexpr int kSubNotFound = 158;
constexpr int kMainNotFoundCheckLan = 159;
constexpr int kSubNotFoundCheckLan = 160;
constexpr int kConnectMainThenRetry = 161;
constexpr int kConnectMainThenRetrySub = 162;
constexpr int kMainLabel = 164;
constexpr int kSubLabel = 165;
constexpr int kResetAndTftpFailed = 166;
constexpr int kAddressRightsRefused = 200;  // Linux desktop: authentication refused or dismissed
constexpr int kAddressHelperFailed = 201;   // Linux desktop: the address helper does not run
// This program's own texts: why a search found nothing, and the console tool's words.
constexpr int kCauseNothingSent = 300;
constexpr int kCauseNoReplySeen = 301;  // %1 adapters (%2, their names)
constexpr int kCauseNoReplyHint = 302;
constexpr int kCauseNoLinkSeen = 303;
constexpr int kCauseNoLinkHint = 304;
constexpr int kCauseNoEthernetSeen = 305;
constexpr int kCauseNoEthernetHint = 306;
constexpr int kCauseNoAddressSeen = 307;
constexpr int kCauseNoAddressHint = 308;
constexpr int kCauseReplyBlockedSeen = 309;  // %1 the unit
constexpr int kCauseReplyBlockedHint = 310;  // %1 the port
constexpr int kCausePortInUseSeen = 311;     // %1 the port
constexpr int kCausePortHeldBySeen = 312;    // %1 the port, %2 the holder
constexpr int kCausePortInUseHint = 313;
constexpr int kCauseForeignReplySeen = 314;  // %1 the device, %2 what it got wrong
constexpr int kCauseForeignReplyHint = 315;
constexpr int kCauseSubSilentSeen = 316;  // %1 the main unit, %2 the temporary address
constexpr int kCauseSubSilentHint = 317;
constexpr int kCauseTempRefusedSeen = 318;  // %1 the temporary address with its prefix
constexpr int kCauseTempHeldSeen = 319;     // %1 the same, %2 the adapter that has it
constexpr int kCauseTempRefusedHint = 320;
constexpr int kCauseRouteConflictSeen = 321;  // %1 the interface, %2 its route
constexpr int kCauseRouteConflictHint = 322;
constexpr int kCauseNoRightsSeen = 323;
constexpr int kCauseNoRightsHint = 324;
constexpr int kConsoleCause = 330;  // %1 the cause's code, %2 what was seen
constexpr int kConsoleHint = 331;   // %1 what to do
constexpr int kConsoleLinkUp = 332;
constexpr int kConsoleLinkDown = 333;
constexpr int kConsoleNoAddress = 334;
constexpr int kConsoleAdapterCounts = 335;  // %1 requests sent, %2 replies
constexpr int kConsoleRejected = 336;       // %1 replies not taken
constexpr int kConsoleCurrent = 337;
constexpr int kConsoleUpdateNeeded = 338;
constexpr int kConsoleFirmwareInfo = 339;     // %1 the carried images
constexpr int kConsoleLeftoverRemoved = 340;  // %1 the address, %2 the adapter
constexpr int kConsoleUnitAddress = 341;      // %1 the unit's address
constexpr int kConsoleOfferedRetry = 342;
constexpr int kConsoleOfferedSpecialMode = 343;
constexpr int kConsoleAskRetry = 344;
constexpr int kConsoleAskRetryOrSpecial = 345;
constexpr int kConsoleNoLog = 346;
constexpr int kConsoleNoHistory = 347;
constexpr int kConsoleNoRights = 348;
constexpr int kHttpUrlRefused = 349;  // the HTTP client's failure text for a URL it cannot use
constexpr int kCauseTempInSubnetSeen = 350;  // %1 the adapter, %2 its address, %3 the temporary one
constexpr int kCauseTempInSubnetHint = 351;  // %1 the temporary address
constexpr int kCauseSendRefusedSeen = 352;   // %1 the system's error
constexpr int kCauseSendRefusedHint = 353;   // %1 the port
constexpr int kConsoleInstanceHeld = 354;    // %1 the process holding it, %2 the name
constexpr int kRecordFolderNotShown = 355;   // %1 the folder
constexpr int kCauseFirewallRuleSeen = 356;  // %1 the rule
constexpr int kCauseFirewallRuleHint = 357;  // %1 the rule
constexpr int kCauseBlockAllInboundSeen = 358;
constexpr int kCauseBlockAllInboundHint = 359;
constexpr int kCauseUnicastRepliesOffSeen = 360;
constexpr int kCauseFirewallAllowHint = 361;  // %1 the port
constexpr int kCauseOtherFirewallHint = 362;  // %1 the firewall, %2 the port
constexpr int kApplicationName = 57344;
constexpr int kOleInitFailed = 100;  // has no entry: loads as an empty text
}  // namespace msg

// Field `index` (0-based) of the line-feed separated document string 128; field 0 is the title.
std::string_view DocumentStringField(int index);

}  // namespace rlq
