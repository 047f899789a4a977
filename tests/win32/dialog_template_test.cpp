#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/dialog_template.h"
#include "platform/win32/wide_text.h"
#include "resources/dialog_layouts.h"
#include "resources/resource_ids.h"

namespace rlq::platform::win32 {
namespace {

// Reads a template back the way the dialog manager does.
class TemplateReader {
  public:
    explicit TemplateReader(const std::vector<std::uint16_t>& words) : m_words(words) {}
    std::uint16_t Word() { return m_words.at(m_at++); }
    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        return low | (static_cast<std::uint32_t>(Word()) << 16);
    }
    std::string Text() {
        std::wstring text;
        for (std::uint16_t c; (c = Word()) != 0;) {
            text.push_back(static_cast<wchar_t>(c));
        }
        return Narrow(text);
    }
    // A name or an ordinal: "#n" for the ordinal n.
    std::string NameOrOrdinal() {
        if (m_words.at(m_at) == 0xFFFF) {
            ++m_at;
            const std::string ordinal = std::to_string(Word());
            return "#" + ordinal;
        }
        return Text();
    }
    void AlignToDword() { m_at += m_at % 2; }
    bool AtEnd() const { return m_at == m_words.size(); }

  private:
    const std::vector<std::uint16_t>& m_words;
    std::size_t m_at = 0;
};

struct ReadItem {
    std::uint32_t style;
    int x, y, width, height;
    std::int32_t id;
    std::string windowClass, title;
};

std::vector<ReadItem> ReadTemplate(const std::vector<std::uint16_t>& words, std::uint32_t& style,
                                   std::string& title, std::string& font, int& points) {
    TemplateReader in(words);
    EXPECT_EQ(in.Word(), 1);       // extended template version
    EXPECT_EQ(in.Word(), 0xFFFF);  // signature
    in.Dword();
    in.Dword();
    style = in.Dword();
    const int count = in.Word();
    EXPECT_EQ(in.Word(), 0);  // x and y 0: the dialog is centred when it opens
    EXPECT_EQ(in.Word(), 0);
    in.Word();
    in.Word();
    EXPECT_EQ(in.NameOrOrdinal(), "");  // no menu
    EXPECT_EQ(in.NameOrOrdinal(), "");  // the dialog class
    title = in.Text();
    points = in.Word();
    in.Word();
    in.Word();
    font = in.Text();
    std::vector<ReadItem> items;
    for (int i = 0; i < count; ++i) {
        in.AlignToDword();
        in.Dword();
        in.Dword();
        ReadItem item{};
        item.style = in.Dword();
        item.x = static_cast<std::int16_t>(in.Word());
        item.y = static_cast<std::int16_t>(in.Word());
        item.width = static_cast<std::int16_t>(in.Word());
        item.height = static_cast<std::int16_t>(in.Word());
        item.id = static_cast<std::int32_t>(in.Dword());
        item.windowClass = in.NameOrOrdinal();
        item.title = in.NameOrOrdinal();
        EXPECT_EQ(in.Word(), 0);  // no creation data
        items.push_back(item);
    }
    EXPECT_TRUE(in.AtEnd());
    return items;
}

TEST(DialogTemplateTest, SearchDialogIsAModalPopupWithItsControlsInTabOrder) {
    std::uint32_t style = 0;
    std::string title, font;
    int points = 0;
    const auto items =
        ReadTemplate(BuildDialogTemplate(res::SearchLayout()), style, title, font, points);
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT),
              static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(style & (DS_CENTER | DS_ABSALIGN), 0u);
    EXPECT_EQ(title, "アップデート対象を探しています。");
    EXPECT_EQ(font, "MS Shell Dlg");
    EXPECT_EQ(points, 8);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].id, res::kSearchCancelButton);
    EXPECT_EQ(items[0].windowClass, "#128");  // button
    EXPECT_EQ(items[0].title, "キャンセル");
    EXPECT_NE(items[0].style & WS_TABSTOP, 0u);
    const ReadItem& bar = items[4];
    EXPECT_EQ(bar.id, res::kSearchProgress);
    EXPECT_EQ(bar.windowClass, PROGRESS_CLASSA);
    EXPECT_EQ(bar.style & PBS_SMOOTH, 0u);  // segmented
    EXPECT_NE(bar.style & WS_BORDER, 0u);
    EXPECT_EQ(bar.x, 17);
    EXPECT_EQ(bar.y, 40);
    EXPECT_EQ(bar.width, 312);
    EXPECT_EQ(bar.height, 14);
    // The cause, hidden below the button until a search that found nothing can say why.
    EXPECT_EQ(items[5].id, res::kSearchCause);
    EXPECT_EQ(items[5].style & WS_VISIBLE, 0u);
}

TEST(DialogTemplateTest, FormIsAChildWithHiddenButtonsAndSmoothBars) {
    std::uint32_t style = 0;
    std::string title, font;
    int points = 0;
    const auto items =
        ReadTemplate(BuildDialogTemplate(res::FormLayout()), style, title, font, points);
    EXPECT_NE(style & WS_CHILD, 0u);
    EXPECT_EQ(style & WS_CAPTION, 0u);
    EXPECT_EQ(font, "MS UI Gothic");
    EXPECT_EQ(points, 9);
    for (const ReadItem& item : items) {
        if (item.id == res::kRetryButton || item.id == res::kSpecialModeButton) {
            EXPECT_EQ(item.style & WS_VISIBLE, 0u) << item.id;
        } else {
            EXPECT_NE(item.style & WS_VISIBLE, 0u) << item.id;
        }
        if (item.id == res::kMainProgress || item.id == res::kSubProgress) {
            EXPECT_NE(item.style & PBS_SMOOTH, 0u);
        }
        if (item.id == res::kIpAddressEdit || item.id == res::kFirmwareInfoEdit) {
            EXPECT_EQ(item.windowClass, "#129");  // edit
            EXPECT_EQ(item.style & (ES_READONLY | ES_AUTOHSCROLL),
                      static_cast<DWORD>(ES_READONLY | ES_AUTOHSCROLL));
            EXPECT_EQ(item.style & WS_BORDER, 0u);
        }
    }
}

TEST(DialogTemplateTest, AboutBoxNamesItsIconByNumberAndShowsTextWithoutPrefix) {
    std::uint32_t style = 0;
    std::string title, font;
    int points = 0;
    const auto items =
        ReadTemplate(BuildDialogTemplate(res::AboutLayout()), style, title, font, points);
    EXPECT_EQ(title.rfind("バージョン情報", 0), 0u);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].windowClass, "#130");  // static
    EXPECT_NE(items[0].style & SS_ICON, 0u);
    EXPECT_EQ(items[0].title, "#128");
    EXPECT_EQ(items[0].id, -1);
    EXPECT_NE(items[1].style & SS_NOPREFIX, 0u);
    EXPECT_EQ(items[3].id, res::kAboutOk);
    EXPECT_EQ(items[3].style & 0x0F, static_cast<DWORD>(BS_DEFPUSHBUTTON));
}

}  // namespace
}  // namespace rlq::platform::win32
