#include "frontends/cli/cause_texts.h"

#include "common/temp_address.h"
#include "common/unit_network.h"

namespace rlq::cli {
namespace {

std::string WithPrefix(const MaskedAddress& address) {
    return std::string(PrefixText(address).View());
}

const std::string kReplyPort = std::to_string(kDiscoveryReplyPort);
const std::string kTempAddressShown(kTempAddressText);  // with its prefix, as it is added

std::string SentFrom(const std::vector<AdapterSearched>& adapters) {
    std::string names;
    int count = 0;
    for (const AdapterSearched& adapter : adapters) {
        if (adapter.sent > 0) {
            names += (count++ == 0 ? "" : ", ") + adapter.name;
        }
    }
    if (count == 0) {
        return "探索要求を送ったアダプターはありませんでした。";
    }
    return std::to_string(count) + " 個のアダプター (" + names +
           ") から探索要求を送りましたが、応答がありませんでした。";
}

}  // namespace

CauseTexts TextsForCause(const SearchDiagnosis& d) {
    const std::string device = FormatIpv4(d.device);
    switch (d.cause) {
        case NotFoundCause::NoReply:
            break;
        case NotFoundCause::NoLink:
            return {"Ethernetアダプターのリンクがありません。",
                    "LANケーブルが抜けていないか、ユニットやスイッチの電源が入っているかご確認"
                    "ください。"};
        case NotFoundCause::NoEthernet:
            return {"Ethernetアダプターがありません (無線LANは探索しません)。",
                    "このPCをLANケーブルでユニットと同じLANに接続してください。"};
        case NotFoundCause::NoAddress:
            return {
                "Ethernetアダプターに IPv4 アドレスがありません (またはリンクローカル "
                "アドレスだけです)。",
                "DHCP でアドレスを得られていません。ルーターを確認するか、アドレスを設定して"
                "ください。"};
        case NotFoundCause::ReplyBlocked:
            return {"ユニット (" + device +
                        ") の応答はこのPCのアダプターに届きましたが、このプログラムには届きません"
                        "でした。",
                    "このPCのファイアウォールが応答を止めています。UDP ポート " + kReplyPort +
                        " への受信を許可してください。"};
        case NotFoundCause::PortInUse: {
            const std::string holder = DiagnosisDetail(d);  // empty where the system tells nothing
            return {"UDP ポート " + kReplyPort + " を別のプログラム" +
                        (holder.empty() ? "" : " " + holder + " ") + "が使用しています。",
                    "そのプログラムを終了してから再試行してください。"};
        }
        case NotFoundCause::ForeignReply:
            return {device + " の機器が、このアップデーターの受け付けない応答 (" +
                        ReplyFault(d.reply) + ") を返しました。",
                    "この製品のユニットではないか、より新しいアップデーターが必要なユニットです。"};
        case NotFoundCause::SubSilent:
            return {"メインユニット (" + device + ") は応答しましたが、サブユニットは " +
                        FormatIpv4(kTempAddress) + " 経由で応答しませんでした。",
                    "電源を入れた直後の場合は、1分ほど待ってから再試行してください。"};
        case NotFoundCause::TempAddressRefused:
            return {
                "一時アドレス " + kTempAddressShown + " を追加できませんでした" +
                    (d.interfaceName.empty() ? "" : " (" + d.interfaceName + " に既にあります)") +
                    "。",
                "このアドレスを使う設定やプログラムを外してから再試行してください。"};
        case NotFoundCause::RouteConflict:
            return {d.interfaceName + " が 10.0.0.0/8 の一部 (" + WithPrefix(d.route) +
                        ") への経路を持つため、サブユニットへの通信がこのアダプターから出ません。",
                    "VPN を切断するか、その経路を外してから再試行してください。"};
        case NotFoundCause::NoRights:
            return {"一時アドレスの追加に必要な権限がありません。",
                    "管理者 (root) として実行してください。"};
    }
    return {SentFrom(d.adapters),
            "ユニットの電源が入っているか、このPCと同じLANにあるかご確認ください。電源を入れた直後"
            "の場合は、起動を待ってから再試行してください。"};
}

std::string AdapterLine(const AdapterSearched& adapter) {
    std::string line = adapter.name + ": " + (adapter.link ? "リンクあり" : "リンクなし") + ", ";
    if (adapter.addresses.empty()) {
        line += "アドレスなし";
    }
    for (std::size_t i = 0; i < adapter.addresses.size(); ++i) {
        line += i == 0 ? "" : " ";
        line += WithPrefix(adapter.addresses[i]);
    }
    line += ", 送信 " + std::to_string(adapter.sent) + ", 応答 " + std::to_string(adapter.replies);
    if (adapter.rejected > 0) {
        line += " (うち受け付けなかった応答 " + std::to_string(adapter.rejected) + ")";
    }
    return line;
}

}  // namespace rlq::cli
