// The console's two presenters as listeners: the events of a run in, the console's bytes out.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "common/temp_address.h"
#include "frontends/cli/console_presenter.h"
#include "frontends/cli/history_printer.h"
#include "frontends/cli/json_presenter.h"
#include "net/reply.h"
#include "resources/message_catalogue.h"
#include "workflow/cause_texts.h"

namespace rlq::cli {
namespace {

constexpr Ipv4 kMain = MakeIpv4(192, 168, 77, 20);
constexpr Ipv4 kSub = MakeIpv4(10, 1, 2, 3);

// Output written to a temporary file, read back whole.
class Captured {
  public:
    Captured() : m_file(std::tmpfile()) {}
    ~Captured() { std::fclose(m_file); }
    std::FILE* File() { return m_file; }
    std::string Text() {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string text;
        for (int c; (c = std::fgetc(m_file)) != EOF;) {
            text += static_cast<char>(c);
        }
        return text;
    }

  private:
    std::FILE* m_file;
};

// A run that finds the main unit, gives up on the sub unit and offers both buttons, then a run
// that updates both units; every event the presenters show, in the order a run has them.
void PlayRuns(Presenter& presenter) {
    presenter.RunStarted({"1.34.1.6",
                          {0x0134, 0x0106},
                          RunMode::Update,
                          "RLQ-610A  Ver.1.34/1.06",
                          "RLQ-610A firmware updater"});
    presenter.LeftoverAddressRemoved("eth0");
    presenter.SearchStarted(Unit::Main);
    presenter.SearchShown({"", {"", "探しています。", "お待ちください。"}, ""});
    presenter.SearchEnded(Unit::Main, kMain, 0x0130, false);
    presenter.SearchStarted(Unit::Sub);
    presenter.SearchGivenUp({"見つかりませんでした。", {"一行目", "二行目", "三行目"}, "戻る"});
    SearchDiagnosis silent;
    silent.cause = NotFoundCause::SubSilent;
    silent.device = kMain;
    silent.adapters = {{"pc0", true, {{MakeIpv4(192, 168, 77, 10), PrefixMask(24)}}, 12, 1, 1},
                       {"eth1", false, {}, 0, 0, 0}};
    presenter.SearchDiagnosed(Unit::Sub, silent);
    presenter.SearchEnded(Unit::Sub, Ipv4{}, 0, false);
    presenter.Offered(OfferedButton::Retry);
    presenter.Offered(OfferedButton::SpecialMode);
    presenter.RunEnded(SequenceOutcome::SpecialModeOffered);
    presenter.SearchEnded(Unit::Sub, kSub, 0x0100, true);
    presenter.VersionShown(Unit::Main, 0x0130, 0x0134);
    presenter.VersionShown(Unit::Sub, 0x0100, 0x0106);
    presenter.UnitAddressShown(Unit::Sub, kSub);
    for (std::uint32_t done : {0u, 50u, 99u, 100u, 100u}) {
        presenter.Progress(Unit::Sub, done, 100);
    }
    presenter.MessageShown(136, "アップデート完了", "完了しました。\r\n抜いてください。");
    presenter.ProgramEnded(0, "done");
}

TEST(ConsolePresenter, PrintsWhatTheWindowsShowInTheirOrder) {
    Captured out;
    ConsolePresenter presenter(out.File(), false);
    PlayRuns(presenter);
    EXPECT_EQ(out.Text(),
              "ファームウェア情報: RLQ-610A  Ver.1.34/1.06\n"
              "== RLQ-610A firmware updater\n"
              "前回の実行で残った一時アドレス 10.10.1.1/8 を eth0 から削除しました。\n"
              "  探しています。\n"
              "  お待ちください。\n"
              "[戻る]\n"
              "== 見つかりませんでした。\n"
              "  一行目\n"
              "  二行目\n"
              "  三行目\n"
              "原因 [sub-silent] メインユニット (192.168.77.20) は応答しましたが、サブユニットは "
              "10.10.1.1 経由で応答しませんでした。\n"
              "対処: 電源を入れた直後の場合は、1分ほど待ってから再試行してください。\n"
              "  pc0: リンクあり, 192.168.77.10/24, 送信 12, 応答 1 (うち受け付けなかった応答 1)\n"
              "  eth1: リンクなし, アドレスなし, 送信 0, 応答 0\n"
              "→ 再試行\n"
              "→ 特殊モード\n"
              "Main: Ver.1.30→1.34\n"
              "Sub:  Ver.1.00→1.06\n"
              "IPアドレス: 10.1.2.3\n"
              "Sub 100%\n"
              "[アップデート完了] 完了しました。\n抜いてください。\n");
}

TEST(ConsolePresenter, DrawsTheBarInPlaceOnATerminal) {
    Captured out;
    ConsolePresenter presenter(out.File(), true);
    presenter.Progress(Unit::Main, 0, 4);
    presenter.Progress(Unit::Main, 1, 4);
    presenter.Progress(Unit::Main, 1, 4);
    presenter.Offered(OfferedButton::Retry);
    EXPECT_EQ(out.Text(), "\rMain [" + std::string(40, ' ') + "]   0%" + "\rMain [" +
                              std::string(10, '#') + std::string(30, ' ') + "]  25%\n→ 再試行\n");
}

// The holder of the reply port is named as far as the system tells, and never in English.
TEST(ConsolePresenter, NamesThePortHolderAsFarAsKnown) {
    SearchDiagnosis held;
    held.cause = NotFoundCause::PortInUse;
    const std::pair<std::string, std::uint32_t> holders[] = {
        {"python3", 4242}, {"", 4242}, {"", 0}};
    const char* const expected[] = {"を別のプログラム python3 (pid 4242) が使用しています。",
                                    "を別のプログラム pid 4242 が使用しています。",
                                    "を別のプログラムが使用しています。"};
    for (std::size_t i = 0; i < std::size(holders); ++i) {
        std::tie(held.holder, held.holderId) = holders[i];
        EXPECT_EQ(TextsForCause(held).seen, std::string("UDP ポート 12104 ") + expected[i]);
    }
}

// A marker takes its argument once, as it stands; one without an argument stays as it is.
TEST(MessageCatalogue, FillsEachMarkerOnceAndKeepsOneWithoutItsArgument) {
    EXPECT_EQ(FillMessage(msg::kConsoleAdapterCounts, {"%2", "3"}), ", 送信 %2, 応答 3");
    EXPECT_EQ(FillMessage(msg::kConsoleAdapterCounts, {"1"}), ", 送信 1, 応答 %2");
}

TEST(JsonPresenter, WritesOneObjectPerEventAndAtMostOneLinePerPercent) {
    Captured out;
    JsonPresenter presenter(out.File());
    PlayRuns(presenter);
    EXPECT_EQ(out.Text(),
              R"({"event":"leftover-removed","address":"10.10.1.1/8","interface":"eth0"}
{"event":"search-start","unit":"main"}
{"event":"search-end","unit":"main","found":true,"address":"192.168.77.20","version":"1.30","temp_address":false}
{"event":"search-start","unit":"sub"}
{"event":"search-end","unit":"sub","found":false,"cause":"sub-silent","detail":"main unit 192.168.77.20","adapters":[{"name":"pc0","link":true,"addresses":["192.168.77.10/24"],"sent":12,"replies":1,"rejected":1},{"name":"eth1","link":false,"addresses":[],"sent":0,"replies":0,"rejected":0}]}
{"event":"offer","button":"retry"}
{"event":"offer","button":"special-mode"}
{"event":"search-end","unit":"sub","found":true,"address":"10.1.2.3","version":"1.00","temp_address":true}
{"event":"version","unit":"main","text":"Ver.1.30→1.34"}
{"event":"version","unit":"sub","text":"Ver.1.00→1.06"}
{"event":"address","address":"10.1.2.3"}
{"event":"progress","unit":"sub","percent":0}
{"event":"progress","unit":"sub","percent":50}
{"event":"progress","unit":"sub","percent":99}
{"event":"progress","unit":"sub","percent":100}
{"event":"message","caption":"アップデート完了","text":"完了しました。\r\n抜いてください。"}
{"event":"status","status":0,"outcome":"done"}
)");
}

// --history: a table for people, the stored lines for scripts, nothing for no entry, and a
// count of the lines that are no entry on stderr.
TEST(HistoryPrinter, TabulatesTheEntriesAndCountsWhatIsNoEntry) {
    const std::string line =
        R"({"time":"2026-12-08T14:10:03Z","mode":"update","outcome":"done","status":0,)"
        R"("units":{"main":{"address":"192.168.77.20","version":"1.30","carried":"1.34"}},)"
        R"("duration_s":12.5})";
    HistoryRead read;
    read.entries.push_back(nlohmann::json::parse(line));
    read.lines.push_back(line);
    read.skipped = 2;
    for (const bool json : {false, true}) {
        Captured out;
        Captured err;
        EXPECT_EQ(PrintHistory(read, json, "rlq", out.File(), err.File()), 0);
        const std::string text = out.Text();
        if (json) {
            EXPECT_EQ(text, line + "\n");
        } else {
            EXPECT_NE(text.find("2026-12-08T14:10:03Z  update        done                  0       "
                                "192.168.77.20 1.30→1.34    -                          12.5\n"),
                      std::string::npos)
                << text;
        }
        EXPECT_EQ(err.Text(), "rlq: 2 line(s) of the history are no entry and were skipped\n");
    }
    Captured out;
    Captured err;
    PrintHistory(HistoryRead{}, false, "rlq", out.File(), err.File());
    EXPECT_EQ(out.Text() + err.Text(), "");
}

}  // namespace
}  // namespace rlq::cli
