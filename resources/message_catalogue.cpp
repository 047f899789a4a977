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
    // Why a search found nothing: what was seen, and what to do.
    {msg::kCauseNothingSent, "探索要求を送ったアダプターはありませんでした。"},
    {msg::kCauseNoReplySeen,
     "%1 個のアダプター (%2) から探索要求を送りましたが、応答がありませんでした。"},
    {msg::kCauseNoReplyHint,
     "ユニットの電源が入っているか、このPCと同じLANにあるかご確認ください。電源を入れた直後"
     "の場合は、起動を待ってから再試行してください。"},
    {msg::kCauseNoLinkSeen, "Ethernetアダプターのリンクがありません。"},
    {msg::kCauseNoLinkHint,
     "LANケーブルが抜けていないか、ユニットやスイッチの電源が入っているかご確認ください。"},
    {msg::kCauseNoEthernetSeen, "Ethernetアダプターがありません (無線LANは探索しません)。"},
    {msg::kCauseNoEthernetHint, "このPCをLANケーブルでユニットと同じLANに接続してください。"},
    {msg::kCauseNoAddressSeen,
     "Ethernetアダプターに IPv4 アドレスがありません (またはリンクローカル アドレスだけです)。"},
    {msg::kCauseNoAddressHint,
     "DHCP でアドレスを得られていません。ルーターを確認するか、アドレスを設定してください。"},
    {msg::kCauseReplyBlockedSeen,
     "ユニット (%1) の応答はこのPCのアダプターに届きましたが、このプログラムには届きません"
     "でした。"},
    {msg::kCauseReplyBlockedHint,
     "このPCのファイアウォールが応答を止めています。UDP ポート %1 への受信を許可してください。"},
    {msg::kCausePortInUseSeen, "UDP ポート %1 を別のプログラムが使用しています。"},
    {msg::kCausePortHeldBySeen, "UDP ポート %1 を別のプログラム %2 が使用しています。"},
    {msg::kCausePortInUseHint, "そのプログラムを終了してから再試行してください。"},
    {msg::kCauseForeignReplySeen,
     "%1 の機器が、このアップデーターの受け付けない応答 (%2) を返しました。"},
    {msg::kCauseForeignReplyHint,
     "この製品のユニットではないか、より新しいアップデーターが必要なユニットです。"},
    {msg::kCauseSubSilentSeen,
     "メインユニット (%1) は応答しましたが、サブユニットは %2 経由で応答しませんでした。"},
    {msg::kCauseSubSilentHint, "電源を入れた直後の場合は、1分ほど待ってから再試行してください。"},
    {msg::kCauseTempRefusedSeen, "一時アドレス %1 を追加できませんでした。"},
    {msg::kCauseTempHeldSeen, "一時アドレス %1 を追加できませんでした (%2 に既にあります)。"},
    {msg::kCauseTempRefusedHint,
     "このアドレスを使う設定やプログラムを外してから再試行してください。"},
    {msg::kCauseRouteConflictSeen,
     "%1 が 10.0.0.0/8 の一部 (%2) への経路を持つため、サブユニットへの通信がこのアダプター"
     "から出ません。"},
    {msg::kCauseRouteConflictHint, "VPN を切断するか、その経路を外してから再試行してください。"},
    {msg::kCauseNoRightsSeen, "一時アドレスの追加に必要な権限がありません。"},
    {msg::kCauseNoRightsHint, "管理者 (root) として実行してください。"},
    {msg::kCauseTempInSubnetSeen,
     "%1 のサブネット (%2) が一時アドレス %3 を含むため、LAN の機器とアドレスが重ならないよう、"
     "一時アドレスを使わずに探索しました。サブユニットにはこのサブネットからは届きません。"},
    {msg::kCauseTempInSubnetHint,
     "アップデートの間だけこのPCのアドレスを %1 を含まないサブネットのものに変えるか、別のLANに"
     "あるPCで実行してください。"},
    {msg::kCauseSendRefusedSeen, "このPCが探索要求の送信を拒否しました (%1)。"},
    {msg::kCauseSendRefusedHint,
     "このPCのファイアウォールが送信を止めています。UDP ポート %1 への送信を許可してください。"},
    // What the Windows firewall's settings showed, and where in Windows to change them.
    {msg::kCauseFirewallRuleSeen,
     "Windows ファイアウォールの受信の規則「%1」が、このプログラムへの応答をブロックしています。"},
    {msg::kCauseFirewallRuleHint,
     "「セキュリティが強化された Windows Defender ファイアウォール」の「受信の規則」で、規則「%1」"
     "を無効にしてください。"},
    {msg::kCauseBlockAllInboundSeen,
     "Windows ファイアウォールが、このPCのネットワークへのすべての着信接続をブロックする設定に"
     "なっています。"},
    {msg::kCauseBlockAllInboundHint,
     "Windows セキュリティ → ファイアウォールとネットワーク保護 → (アクティブ) のネットワーク で、"
     "「許可されたアプリの一覧にあるものを含む、すべての着信接続をブロックします」をオフにして"
     "ください。"},
    {msg::kCauseUnicastRepliesOffSeen,
     "Windows ファイアウォールがブロードキャストへのユニキャスト応答を受け付けない設定で、この"
     "プログラムへの応答を許可する規則がありません。"},
    {msg::kCauseFirewallAllowHint,
     "Windows セキュリティ → ファイアウォールとネットワーク保護 → ファイアウォールによるアプリケー"
     "ションの許可 で、このプログラムを許可してください (UDP ポート %1 の受信)。"},
    {msg::kCauseOtherFirewallHint,
     "ユニットの電源と接続をご確認ください。このPCには %1 がファイアウォールとして登録されて"
     "います。応答が止められている場合は、%1 の設定でこのプログラム (UDP ポート %2 の受信) を許可"
     "してください。"},
    // The console tool's words.
    {msg::kConsoleCause, "原因 [%1] %2"},
    {msg::kConsoleHint, "対処: %1"},
    {msg::kConsoleLinkUp, "リンクあり"},
    {msg::kConsoleLinkDown, "リンクなし"},
    {msg::kConsoleNoAddress, "アドレスなし"},
    {msg::kConsoleAdapterCounts, ", 送信 %1, 応答 %2"},
    {msg::kConsoleRejected, " (うち受け付けなかった応答 %1)"},
    {msg::kConsoleCurrent, "最新です"},
    {msg::kConsoleUpdateNeeded, "アップデートが必要です"},
    {msg::kConsoleFirmwareInfo, "ファームウェア情報: %1"},
    {msg::kConsoleLeftoverRemoved, "前回の実行で残った一時アドレス %1 を %2 から削除しました。"},
    {msg::kConsoleUnitAddress, "IPアドレス: %1"},
    {msg::kConsoleOfferedRetry, "→ 再試行"},
    {msg::kConsoleOfferedSpecialMode, "→ 特殊モード"},
    {msg::kConsoleAskRetry, "r = 再試行, q = 終了: "},
    {msg::kConsoleAskRetryOrSpecial, "r = 再試行, s = 特殊モード, q = 終了: "},
    {msg::kConsoleNoLog, "実行ログを書けませんでした。アップデートは続けます。"},
    {msg::kConsoleNoHistory, "実行履歴を書けませんでした。"},
    {msg::kConsoleNoRights,
     "ネットワークアダプターのアドレスを変更する権限 (CAP_NET_ADMIN) がありません。"
     "root で実行してください。"},
    {msg::kHttpUrlRefused, "URLが不適切です。"},
    {msg::kRecordFolderNotShown, "実行ログのフォルダーを開けませんでした。場所: %1"},
    {msg::kConsoleInstanceHeld,
     "別のプログラム %1 が、このアップデーターの二重起動を防ぐ名前 (%2) を使用しているため、"
     "起動しません。"},
};

}  // namespace

std::string_view LoadMessage(int id) {
    auto found = std::find_if(std::begin(kMessages), std::end(kMessages),
                              [id](const auto& entry) { return entry.first == id; });
    return found == std::end(kMessages) ? std::string_view{} : found->second;
}

std::string FillMessage(int id, std::initializer_list<std::string_view> args) {
    const std::string_view text = LoadMessage(id);
    std::string filled;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const bool marker =
            text[at] == '%' && at + 1 < text.size() && text[at + 1] >= '1' && text[at + 1] <= '9';
        const std::size_t arg = marker ? static_cast<std::size_t>(text[at + 1] - '1') : 0;
        if (marker && arg < args.size()) {
            filled += *(args.begin() + arg);
            ++at;
        } else {
            filled += text[at];
        }
    }
    return filled;
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
