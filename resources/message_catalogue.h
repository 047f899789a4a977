#pragma once
// The program's texts by id (UTF-8). Every user-visible text is loaded from here where it is used.

#include <string_view>

namespace rlq {

// The text of `id`, or an empty text when the catalogue has no such entry.
std::string_view LoadMessage(int id);

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
constexpr int kApplicationName = 57344;
constexpr int kOleInitFailed = 100;  // has no entry: loads as an empty text
}  // namespace msg

// Field `index` (0-based) of the line-feed separated document string 128; field 0 is the title.
std::string_view DocumentStringField(int index);

}  // namespace rlq
