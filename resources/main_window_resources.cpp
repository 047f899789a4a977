#include "resources/main_window_resources.h"

#include "resources/resource_ids.h"

namespace rlq::res {
namespace {

using platform::Accelerator;
using platform::AcceleratorKey;
using platform::kAlt;
using platform::kCtrl;
using platform::kNoModifier;
using platform::kShift;
using platform::MenuItem;
using platform::MenuLayout;

const MenuItem kFileItems[] = {{"アプリケーションの終了(&X)", kCmdAppExit}};
const MenuItem kHelpItems[] = {{"バージョン情報(&A)...", kCmdAppAbout},
                               {"実行ログのフォルダーを開く(&L)", kCmdShowRecords}};
const MenuLayout kMenu[] = {{"ファイル(&F)", kFileItems}, {"ヘルプ(&H)", kHelpItems}};

const Accelerator kAccelerators[] = {
    {kCtrl, AcceleratorKey::N, kCmdFileNew},
    {kCtrl, AcceleratorKey::O, kCmdFileOpen},
    {kCtrl, AcceleratorKey::S, kCmdFileSave},
    {kCtrl, AcceleratorKey::Z, kCmdEditUndo},
    {kAlt, AcceleratorKey::Backspace, kCmdEditUndo},
    {kCtrl, AcceleratorKey::X, kCmdEditCut},
    {kShift, AcceleratorKey::Delete, kCmdEditCut},
    {kCtrl, AcceleratorKey::C, kCmdEditCopy},
    {kCtrl, AcceleratorKey::Insert, kCmdEditCopy},
    {kCtrl, AcceleratorKey::V, kCmdEditPaste},
    {kShift, AcceleratorKey::Insert, kCmdEditPaste},
    {kNoModifier, AcceleratorKey::F6, kCmdNextPane},
    {kShift, AcceleratorKey::F6, kCmdPrevPane},
};

}  // namespace

std::span<const MenuLayout> MainMenu() {
    return kMenu;
}
std::span<const Accelerator> MainAccelerators() {
    return kAccelerators;
}

}  // namespace rlq::res
