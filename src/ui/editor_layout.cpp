#include "ui/editor_layout.h"

#include <array>

#include "ui/editor_window.h"

namespace qv::ui {
namespace {

using K = ControlKind;
using C = Container;

struct Box {
  int left, top, width, height;
};

constexpr ControlLayout Control(ControlId id, const wchar_t* name, ControlKind kind,
                                Container container, Box box, int tab_order, int caption) {
  return {id,        name,       kind,      container, box.left,      box.top,
          box.width, box.height, tab_order, caption,   L"",           nullptr,
          kControlIdEnd, LabelPlace::kNone, nullptr, nullptr, nullptr};
}

constexpr ControlLayout Button(ControlId id, const wchar_t* name, ControlKind kind,
                               Container container, Box box, int tab_order, int caption,
                               ClickHandler on_click) {
  ControlLayout c = Control(id, name, kind, container, box, tab_order, caption);
  c.on_click = on_click;
  return c;
}

// A label sized to its text at `left` (its right edge when right-aligned), naming `labels`; its
// caption is that control's field's entry unless it has one of its own.
constexpr ControlLayout Label(ControlId id, const wchar_t* name, ControlKind kind,
                              Container container, int left, int top, ControlId labels,
                              LabelPlace place = LabelPlace::kBefore, int caption = -1) {
  ControlLayout c = Control(id, name, kind, container, {left, top, 0, 0}, -1, caption);
  c.labels = labels;
  c.place = place;
  return c;
}

constexpr ControlLayout Edit(ControlId id, const wchar_t* name, ControlKind kind,
                             Container container, Box box, int tab_order,
                             const RecordField& field, const wchar_t* initial_text,
                             ExitHandler on_exit, KeyHandler on_key) {
  ControlLayout c = Control(id, name, kind, container, box, tab_order, -1);
  c.initial_text = initial_text;
  c.field = &field;
  c.on_exit = on_exit;
  c.on_key = on_key;
  return c;
}

constexpr const RecordField& kHostField = Field(FieldId::kHost);
constexpr const RecordField& kPortField = Field(FieldId::kPort);
constexpr const RecordField& kUserField = Field(FieldId::kUser);
constexpr const RecordField& kPasswordField = Field(FieldId::kPassword);
constexpr const RecordField& kIntervalField = Field(FieldId::kInterval);
constexpr const RecordField& kSpeedField = Field(FieldId::kSpeedLimit);
constexpr const RecordField& kNameField = Field(FieldId::kName);
constexpr const RecordField& kSourceField = Field(FieldId::kSource);
constexpr const RecordField& kTargetField = Field(FieldId::kTarget);

// config/ cannot name the string tables, so its rows hold the label entries as numbers.
static_assert(kHostField.ui_entry == kUiHostLabel && kPortField.ui_entry == kUiPortLabel &&
                  kUserField.ui_entry == kUiUserLabel && kPasswordField.ui_entry == kUiPassLabel &&
                  kIntervalField.ui_entry == kUiIntervalLabel &&
                  kSpeedField.ui_entry == kUiSpeedLabel && kNameField.ui_entry == kUiNameLabel &&
                  kSourceField.ui_entry == kUiSourceLabel &&
                  kTargetField.ui_entry == kUiTargetLabel,
              "each field's label entry is its label's string");

constexpr bool IndexedById(std::span<const ControlLayout> layout) {
  if (layout.size() != kControlCount) return false;
  for (int i = 0; i < kControlCount; ++i) {
    if (layout[static_cast<std::size_t>(i)].id != kControlIdBegin + i) return false;
  }
  return true;
}

// An edit has a key filter exactly where its field's rule drops a typed key.
constexpr bool KeyFiltersFollowTheFields(std::span<const ControlLayout> layout) {
  for (const ControlLayout& c : layout) {
    if (c.field && (c.on_key != nullptr) != c.field->drops_typed_blank) return false;
  }
  return true;
}

}  // namespace

std::span<const ControlLayout> EditorLayout() {
  using F = TForm1;
  static constexpr std::array<ControlLayout, kControlCount> kLayout{{
      Control(kPageControl1, L"PageControl1", K::kTabs, C::kWindow, {8, 8, 601, 489}, 0, -1),
      Button(kBtnSave, L"btnSave", K::kButton, C::kWindow, {152, 512, 75, 25}, 1, kUiSave,
             &F::btnSaveClick),
      Button(kButton2, L"Button2", K::kButton, C::kWindow, {352, 512, 75, 25}, 2, kUiExit,
             &F::Button2Click),
      Control(kTabGame, L"tabGame", K::kPage, C::kPageControl, {}, -1, kUiTabTask),
      Control(kTabOther, L"tabOther", K::kPage, C::kPageControl, {}, -1, kUiTabOther),
      Control(kListBox1, L"ListBox1", K::kListBox, C::kTabGame, {8, 8, 217, 417}, 0, -1),
      Button(kBtnAdd, L"btnAdd", K::kButton, C::kTabGame, {24, 432, 75, 25}, 1, kUiAdd,
             &F::btnAddClick),
      Button(kBtnDel, L"btnDel", K::kButton, C::kTabGame, {128, 432, 75, 25}, 2, kUiDel,
             &F::btnDelClick),
      Label(kLabel1, L"Label1", K::kLabel, C::kTabGame, 232, 8, kEdName),
      Edit(kEdName, L"edName", K::kEdit, C::kTabGame, {232, 24, 249, 21}, 7, kNameField, L"",
           &F::edNameExit, &F::edNameKeyPress),
      Label(kLabel4, L"Label4", K::kLabel, C::kTabGame, 232, 56, kEdSource),
      Edit(kEdSource, L"edSource", K::kEdit, C::kTabGame, {232, 72, 321, 21}, 3, kSourceField,
           L"", &F::edSourceExit, nullptr),
      Button(kBitBtn1, L"BitBtn1", K::kPictureButton, C::kTabGame, {554, 71, 28, 25}, 5, -1,
             &F::BitBtn1Click),
      Label(kLabel5, L"Label5", K::kLabel, C::kTabGame, 232, 104, kEdTarget),
      Edit(kEdTarget, L"edTarget", K::kEdit, C::kTabGame, {232, 120, 321, 21}, 4, kTargetField,
           L"", &F::edTargetExit, nullptr),
      Button(kBitBtn2, L"BitBtn2", K::kPictureButton, C::kTabGame, {554, 119, 28, 25}, 6, -1,
             &F::BitBtn2Click),
      Label(kHostLbl, L"HostLBL", K::kRightLabel, C::kTabOther, 112, 11, kEdHost),
      Edit(kEdHost, L"edHost", K::kEdit, C::kTabOther, {120, 8, 249, 21}, 0, kHostField, L"",
           &F::edHostExit, &F::edHostKeyPress),
      Label(kPortLbl, L"PortLBL", K::kRightLabel, C::kTabOther, 112, 43, kEdPort),
      Edit(kEdPort, L"edPort", K::kEdit, C::kTabOther, {120, 40, 113, 21}, 3, kPortField, L"891",
           &F::edPortExit, &F::edPortKeyPress),
      Label(kUserLbl, L"UserLBL", K::kRightLabel, C::kTabOther, 112, 75, kEdUser),
      Edit(kEdUser, L"edUser", K::kEdit, C::kTabOther, {120, 72, 249, 21}, 1, kUserField, L"",
           &F::edUserExit, &F::edUserKeyPress),
      Label(kPassLbl, L"PassLBL", K::kRightLabel, C::kTabOther, 112, 107, kEdPass),
      Edit(kEdPass, L"edPass", K::kPasswordEdit, C::kTabOther, {120, 104, 249, 21}, 2,
           kPasswordField, L"", &F::edPassExit, nullptr),
      Label(kInterLbl, L"interLBL", K::kRightLabel, C::kTabOther, 112, 139, kEdInter),
      Edit(kEdInter, L"edInter", K::kEdit, C::kTabOther, {120, 136, 81, 21}, 4, kIntervalField,
           L"60", &F::edInterExit, &F::edInterKeyPress),
      Label(kInterLbl1, L"interLBL1", K::kLabel, C::kTabOther, 206, 139, kEdInter,
            LabelPlace::kAfter, kUiIntervalNote),
      Label(kSpdLbl, L"spdLBL", K::kRightLabel, C::kTabOther, 112, 171, kEdSpd),
      Edit(kEdSpd, L"edSpd", K::kEdit, C::kTabOther, {120, 168, 81, 21}, 5, kSpeedField, L"0",
           &F::edSpdExit, &F::edSpdKeyPress),
      Label(kListLbl, L"ListLBL", K::kNameLabel, C::kTabGame, 8, 8, kListBox1,
            LabelPlace::kBefore, kUiTabTask),
  }};
  static_assert(IndexedById(kLayout), "every control once, in the order of its id");
  static_assert(KeyFiltersFollowTheFields(kLayout));
  return kLayout;
}

const ControlLayout& LayoutOf(ControlId id) {
  return EditorLayout()[static_cast<std::size_t>(id - kControlIdBegin)];
}

const ControlLayout* FindLayout(int id) {
  if (id < kControlIdBegin || id >= kControlIdEnd) return nullptr;
  return &LayoutOf(static_cast<ControlId>(id));
}

int CaptionOf(const ControlLayout& c) {
  if (c.caption >= 0 || c.labels == kControlIdEnd) return c.caption;
  const RecordField* field = LayoutOf(c.labels).field;
  return field ? field->ui_entry : -1;
}

int InputLimitOf(const ControlLayout& c) {
  return c.field ? static_cast<int>(c.field->input_limit) : 0;
}

}  // namespace qv::ui
