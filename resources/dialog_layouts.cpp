#include "resources/dialog_layouts.h"

#include "resources/resource_ids.h"

namespace rlq::res {
namespace {

using platform::ControlKind;
using platform::ControlLayout;
using platform::DialogKind;
using platform::DialogLayout;
using platform::kUnnamedControl;
namespace s = platform;

constexpr std::uint32_t kReadOnlyEdit = s::kVisible | s::kReadOnly | s::kAutoHScroll | s::kNoBorder;
constexpr std::uint32_t kBar = s::kVisible | s::kBorder;

const ControlLayout kFormControls[] = {
    {kFirmwareGroup, ControlKind::GroupBox, "ファームウェア情報", 4, 5, 198, 29, s::kVisible},
    {kFirmwareInfoEdit, ControlKind::Edit, "", 16, 18, 148, 12, kReadOnlyEdit},
    {kUnnamedControl, ControlKind::StaticText, "IPアドレス", 12, 40, 30, 8, s::kVisible},
    {kIpAddressEdit, ControlKind::Edit, "", 47, 40, 61, 12, kReadOnlyEdit},
    {kMainProgress, ControlKind::ProgressBar, "", 25, 53, 116, 14, kBar | s::kSmooth},
    {kMainLabel, ControlKind::StaticText, "Main", 7, 56, 15, 8, s::kVisible},
    {kSubProgress, ControlKind::ProgressBar, "", 25, 72, 116, 14, kBar | s::kSmooth},
    {kSubLabel, ControlKind::StaticText, "Sub", 7, 74, 12, 8, s::kVisible},
    {kMainVersionText, ControlKind::StaticText, "", 147, 56, 51, 8, s::kVisible},
    {kSubVersionText, ControlKind::StaticText, "", 147, 75, 51, 8, s::kVisible},
    {kRetryButton, ControlKind::PushButton, "再試行", 111, 37, 45, 14, s::kTabStop},
    {kSpecialModeButton, ControlKind::PushButton, "特殊モード", 157, 37, 45, 14, s::kTabStop},
};

const ControlLayout kSearchControls[] = {
    {kSearchCancelButton, ControlKind::PushButton, "キャンセル", 142, 62, 50, 14,
     s::kVisible | s::kTabStop},
    {kSearchLine1, ControlKind::StaticText, "1", 18, 6, 311, 8, s::kVisible},
    {kSearchLine2, ControlKind::StaticText, "2", 18, 17, 311, 8, s::kVisible},
    {kSearchLine3, ControlKind::StaticText, "3", 18, 28, 311, 8, s::kVisible},
    {kSearchProgress, ControlKind::ProgressBar, "", 17, 40, 312, 14, kBar | s::kSegmented},
    // Hidden until a search that found nothing can say why; the dialog grows to show it.
    {kSearchCause, ControlKind::StaticText, "", 18, 82, 311, 8, s::kNoPrefix},
};

const ControlLayout kAboutControls[] = {
    {kUnnamedControl, ControlKind::Icon, "128", 11, 8, 20, 20, s::kVisible},
    {kUnnamedControl, ControlKind::StaticText, "RLQ-610A firmware updater Version 1.34/1.06", 37,
     10, 145, 8, s::kVisible | s::kNoPrefix},
    {kUnnamedControl, ControlKind::StaticText, "Copyright (C) 2026 RLQ Updater Project", 37, 25,
     193, 8, s::kVisible},
    {kAboutOk, ControlKind::DefaultPushButton, "OK", 187, 7, 50, 16, s::kVisible | s::kTabStop},
};

const DialogLayout kForm{kFormDialog, DialogKind::ChildForm, "", 207,
                         90,          "MS UI Gothic",        9,  kFormControls};
const DialogLayout kSearch{kSearchDialog,
                           DialogKind::ModalPopup,
                           "アップデート対象を探しています。",
                           336,
                           83,
                           "MS Shell Dlg",
                           8,
                           kSearchControls};
const DialogLayout kAbout{kAboutDialog,
                          DialogKind::ModalPopup,
                          "バージョン情報 RLQ-610A firmware updater",
                          246,
                          56,
                          "MS UI Gothic",
                          9,
                          kAboutControls};

}  // namespace

const DialogLayout& FormLayout() {
    return kForm;
}
const DialogLayout& SearchLayout() {
    return kSearch;
}
const DialogLayout& AboutLayout() {
    return kAbout;
}

}  // namespace rlq::res
