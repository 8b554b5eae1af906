#include "ui/editor_layout.h"

#include <array>

#include "config/records.h"
#include "i18n/ui_strings.h"

namespace qv::ui {
namespace {

using K = ControlKind;
using C = Container;

constexpr int kHostLimit = static_cast<int>(SettingsRecord::kHostCapacity);
constexpr int kUserLimit = static_cast<int>(SettingsRecord::kUserCapacity);
constexpr int kPasswordLimit = static_cast<int>(SettingsRecord::kPasswordCapacity);
// The port has five digits at most; the other two numbers take any text up to this length.
constexpr int kPortLimit = 5;
constexpr int kNumberLimit = 31;

constexpr std::array<ControlLayout, kControlCount> kLayout{{
    {kPageControl1, L"PageControl1", K::kTabs, C::kWindow, 8, 8, 601, 489, 0, -1, L"", 0},
    {kBtnSave, L"btnSave", K::kButton, C::kWindow, 152, 512, 75, 25, 1, kUiSave, L"", 0},
    {kButton2, L"Button2", K::kButton, C::kWindow, 352, 512, 75, 25, 2, kUiExit, L"", 0},
    {kTabGame, L"tabGame", K::kPage, C::kPageControl, 0, 0, 0, 0, -1, kUiTabTask, L"", 0},
    {kTabOther, L"tabOther", K::kPage, C::kPageControl, 0, 0, 0, 0, -1, kUiTabOther, L"", 0},
    {kListBox1, L"ListBox1", K::kListBox, C::kTabGame, 8, 8, 217, 417, 0, -1, L"", 0},
    {kBtnAdd, L"btnAdd", K::kButton, C::kTabGame, 24, 432, 75, 25, 1, kUiAdd, L"", 0},
    {kBtnDel, L"btnDel", K::kButton, C::kTabGame, 128, 432, 75, 25, 2, kUiDel, L"", 0},
    {kLabel1, L"Label1", K::kLabel, C::kTabGame, 232, 8, 0, 0, -1, kUiNameLabel, L"", 0},
    {kEdName, L"edName", K::kEdit, C::kTabGame, 232, 24, 249, 21, 7, -1, L"", 0},
    {kLabel4, L"Label4", K::kLabel, C::kTabGame, 232, 56, 0, 0, -1, kUiSourceLabel, L"", 0},
    {kEdSource, L"edSource", K::kEdit, C::kTabGame, 232, 72, 321, 21, 3, -1, L"", 0},
    {kBitBtn1, L"BitBtn1", K::kPictureButton, C::kTabGame, 554, 71, 28, 25, 5, -1, L"", 0},
    {kLabel5, L"Label5", K::kLabel, C::kTabGame, 232, 104, 0, 0, -1, kUiTargetLabel, L"", 0},
    {kEdTarget, L"edTarget", K::kEdit, C::kTabGame, 232, 120, 321, 21, 4, -1, L"", 0},
    {kBitBtn2, L"BitBtn2", K::kPictureButton, C::kTabGame, 554, 119, 28, 25, 6, -1, L"", 0},
    {kHostLbl, L"HostLBL", K::kRightLabel, C::kTabOther, 112, 11, 0, 0, -1, kUiHostLabel, L"", 0},
    {kEdHost, L"edHost", K::kEdit, C::kTabOther, 120, 8, 249, 21, 0, -1, L"", kHostLimit},
    {kPortLbl, L"PortLBL", K::kRightLabel, C::kTabOther, 112, 43, 0, 0, -1, kUiPortLabel, L"", 0},
    {kEdPort, L"edPort", K::kEdit, C::kTabOther, 120, 40, 113, 21, 3, -1, L"891", kPortLimit},
    {kUserLbl, L"UserLBL", K::kRightLabel, C::kTabOther, 112, 75, 0, 0, -1, kUiUserLabel, L"", 0},
    {kEdUser, L"edUser", K::kEdit, C::kTabOther, 120, 72, 249, 21, 1, -1, L"", kUserLimit},
    {kPassLbl, L"PassLBL", K::kRightLabel, C::kTabOther, 112, 107, 0, 0, -1, kUiPassLabel, L"", 0},
    {kEdPass, L"edPass", K::kPasswordEdit, C::kTabOther, 120, 104, 249, 21, 2, -1, L"",
     kPasswordLimit},
    {kInterLbl, L"interLBL", K::kRightLabel, C::kTabOther, 112, 139, 0, 0, -1, kUiIntervalLabel,
     L"", 0},
    {kEdInter, L"edInter", K::kEdit, C::kTabOther, 120, 136, 81, 21, 4, -1, L"60", kNumberLimit},
    {kInterLbl1, L"interLBL1", K::kLabel, C::kTabOther, 206, 139, 0, 0, -1, kUiIntervalNote, L"",
     0},
    {kSpdLbl, L"spdLBL", K::kRightLabel, C::kTabOther, 112, 171, 0, 0, -1, kUiSpeedLabel, L"", 0},
    {kEdSpd, L"edSpd", K::kEdit, C::kTabOther, 120, 168, 81, 21, 5, -1, L"0", kNumberLimit},
    {kListLbl, L"ListLBL", K::kNameLabel, C::kTabGame, 8, 8, 0, 0, -1, kUiTabTask, L"", 0},
}};

constexpr LabelPlacement kLabelPlacements[] = {
    {kListLbl, kListBox1, true}, {kLabel1, kEdName, true},   {kLabel4, kEdSource, true},
    {kLabel5, kEdTarget, true},  {kHostLbl, kEdHost, true},  {kPortLbl, kEdPort, true},
    {kUserLbl, kEdUser, true},   {kPassLbl, kEdPass, true},  {kInterLbl, kEdInter, true},
    {kInterLbl1, kEdInter, false}, {kSpdLbl, kEdSpd, true},
};

constexpr bool IndexedById() {
  for (int i = 0; i < kControlCount; ++i) {
    if (kLayout[static_cast<std::size_t>(i)].id != kControlIdBegin + i) return false;
  }
  return true;
}
static_assert(IndexedById(), "the layout lists every control once, in the order of its id");

}  // namespace

std::span<const ControlLayout> EditorLayout() { return kLayout; }

std::span<const LabelPlacement> LabelPlacements() { return kLabelPlacements; }

const ControlLayout& LayoutOf(ControlId id) {
  return kLayout[static_cast<std::size_t>(id - kControlIdBegin)];
}

}  // namespace qv::ui
