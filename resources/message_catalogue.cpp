#include "resources/message_catalogue.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace rlq {
namespace {

const std::pair<int, std::string_view> kMessages[] = {
    {128,
     "RLQ-610A firmware updater\n\nRLQ610ATotalUpdater\nアップデートファイル (*.DAT)\n.DAT\n"
     "RLQUpdater.Document\nアップデートファイル"},
    {129, "親機やメインユニットを接続してから、再度実行してください。"},
    {130, "LANに接続されている親機やメインユニットを探しています。"},
    {131,
     "親機やメインユニットが見つかりませんでした。それらがLANに接続されているかご確認ください。"},
    {133, "親機やメインユニットが見つかりませんでした。"},
    {134, "アップデートできませんでした。"},
    {135, "アップデート失敗"},
    {136,
     "アップデートを完了しました。メインユニットの電源プラグを一旦コンセントから抜き、10秒程度経っ"
     "てから、再び差し込んでください。"},
    {137, "アップデート完了"},
    {140, "LANに接続されている親機を探しています。"},
    {141, "しばらくお待ちください。"},
    {142, "親機が見つかりませんでした。親機がLANに接続されているかご確認ください。"},
    {143, "ボタンを押すと元のウィンドウに戻ります。"},
    {144, "親機を接続してから、再度実行してください。"},
    {145, "戻る"},
    {146, "親機が見つかりませんでした。"},
    {147, "Windows ソケットの初期化に失敗しました。"},
    {148, "一時ファイルを作成できませんでした。"},
    {149, "子機を探しています。"},
    {150, "子機が見つかりませんでした。"},
    {151, "子機が見つかりませんでした。子機が接続されているかご確認ください。"},
    {152, "子機を接続してから、再度実行してください。"},
    {154, "RLQ-610A"},
    {155, "LANに接続されているメインユニットを探しています。"},
    {156, "メインユニットに内蔵されているサブユニットを探しています。"},
    {157, "メインユニットが見つかりませんでした。"},
    {158, "メインユニットに内蔵されているサブユニットが見つかりませんでした。"},
    {159,
     "メインユニットが見つかりませんでした。メインユニットがLANに接続されているかご確認ください。"},
    {160,
     "サブユニットが見つかりませんでした。メインユニットがLANに接続されているかご確認ください。"},
    {161, "メインユニットを接続してから、再度実行してください。"},
    {162, "メインユニットを接続してから、再度実行してください。"},
    {164, "Main"},
    {165, "Sub"},
    {166,
     "アップデートできませんでした。\r\n何度も失敗する場合には、メインユニットの電源を入れ直した後"
     "、"
     "\r\n特殊モードでアップデートしてください。"},
    // The desktop program on Linux: its address helper could not be had.
    {200,
     "ネットワークアダプターに一時アドレスを設定する権限が得られなかったため、アップデートできま"
     "せん。管理者として認証してから、再度実行してください。"},
    {201, "アドレス設定用の補助プログラム (rlq-net-helper) を起動できませんでした。"},
    {57344, "RLQUpdater"},
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
