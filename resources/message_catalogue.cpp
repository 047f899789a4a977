#include "resources/message_catalogue.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace rlq {
namespace {

const std::pair<int, std::string_view> kMessages[] = {
    {msg::kDocumentString,
     "RLQ-610A firmware updater\n\nRLQ610ATotalUpdater\nアップデートファイル (*.DAT)\n.DAT\n"
     "RLQUpdater.Document\nアップデートファイル"},
    {msg::kConnectBaseOrMainThenRetry,
     "親機やメインユニットを接続してから、再度実行してください。"},
    {msg::kSearchingBaseOrMain, "LANに接続されている親機やメインユニットを探しています。"},
    {msg::kBaseOrMainNotFoundCheckLan,
     "親機やメインユニットが見つかりませんでした。それらがLANに接続されているかご確認ください。"},
    {msg::kBaseOrMainNotFound, "親機やメインユニットが見つかりませんでした。"},
    {msg::kUpdateFailedText, "アップデートできませんでした。"},
    {msg::kUpdateFailedCaption, "アップデート失敗"},
    {msg::kUpdateCompleteText,
     "アップデートを完了しました。メインユニットの電源プラグを一旦コンセントから抜き、10秒程度経っ"
     "てから、再び差し込んでください。"},
    {msg::kUpdateCompleteCaption, "アップデート完了"},
    {msg::kSearchingBase, "LANに接続されている親機を探しています。"},
    {msg::kPleaseWait, "しばらくお待ちください。"},
    {msg::kBaseNotFoundCheckLan,
     "親機が見つかりませんでした。親機がLANに接続されているかご確認ください。"},
    {msg::kPressButtonToReturn, "ボタンを押すと元のウィンドウに戻ります。"},
    {msg::kConnectBaseThenRetry, "親機を接続してから、再度実行してください。"},
    {msg::kBack, "戻る"},
    {msg::kBaseNotFound, "親機が見つかりませんでした。"},
    {msg::kSocketsInitFailed, "Windows ソケットの初期化に失敗しました。"},
    {msg::kTempFileFailed, "一時ファイルを作成できませんでした。"},
    {msg::kSearchingChild, "子機を探しています。"},
    {msg::kChildNotFound, "子機が見つかりませんでした。"},
    {msg::kChildNotFoundCheck,
     "子機が見つかりませんでした。子機が接続されているかご確認ください。"},
    {msg::kConnectChildThenRetry, "子機を接続してから、再度実行してください。"},
    {msg::kModelName, "RLQ-610A"},
    {msg::kSearchingMain, "LANに接続されているメインユニットを探しています。"},
    {msg::kSearchingSub, "メインユニットに内蔵されているサブユニットを探しています。"},
    {msg::kMainNotFound, "メインユニットが見つかりませんでした。"},
    {msg::kSubNotFound, "メインユニットに内蔵されているサブユニットが見つかりませんでした。"},
    {msg::kMainNotFoundCheckLan,
     "メインユニットが見つかりませんでした。メインユニットがLANに接続されているかご確認ください。"},
    {msg::kSubNotFoundCheckLan,
     "サブユニットが見つかりませんでした。メインユニットがLANに接続されているかご確認ください。"},
    {msg::kConnectMainThenRetry, "メインユニットを接続してから、再度実行してください。"},
    {msg::kConnectMainThenRetrySub, "メインユニットを接続してから、再度実行してください。"},
    {msg::kMainLabel, "Main"},
    {msg::kSubLabel, "Sub"},
    {msg::kResetAndTftpFailed,
     "アップデートできませんでした。\r\n何度も失敗する場合には、メインユニットの電源を入れ直した後"
     "、"
     "\r\n特殊モードでアップデートしてください。"},
    // The desktop program on Linux: its address helper could not be had.
    {msg::kAddressRightsRefused,
     "ネットワークアダプターに一時アドレスを設定する権限が得られなかったため、アップデートできま"
     "せん。管理者として認証してから、再度実行してください。"},
    {msg::kAddressHelperFailed,
     "アドレス設定用の補助プログラム (rlq-net-helper) を起動できませんでした。"},
    {msg::kApplicationName, "RLQUpdater"},
};

}  // namespace

std::string_view LoadMessage(int id) {
    auto found = std::find_if(std::begin(kMessages), std::end(kMessages),
                              [id](const auto& entry) { return entry.first == id; });
    return found == std::end(kMessages) ? std::string_view{} : found->second;
}

std::string_view DocumentStringField(int index) {
    std::string_view rest = LoadMessage(msg::kDocumentString);
    for (int i = 0; i < index; ++i) {
        const auto lineFeed = rest.find('\n');
        if (lineFeed == std::string_view::npos) {
            return {};
        }
        rest.remove_prefix(lineFeed + 1);
    }
    return rest.substr(0, rest.find('\n'));
}

}  // namespace rlq
