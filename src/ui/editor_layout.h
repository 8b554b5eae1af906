#pragma once
// The editor window's controls as laid out at 96 dpi: position within their container, tab order
// within it, caption entry, input limit.
#include <span>

namespace qv::ui {

enum ControlId : int {
  kPageControl1 = 100, kBtnSave, kButton2, kTabGame, kTabOther,
  kListBox1, kBtnAdd, kBtnDel, kLabel1, kEdName, kLabel4, kEdSource, kBitBtn1, kLabel5, kEdTarget,
  kBitBtn2, kHostLbl, kEdHost, kPortLbl, kEdPort, kUserLbl, kEdUser, kPassLbl, kEdPass, kInterLbl,
  kEdInter, kInterLbl1, kSpdLbl, kEdSpd, kListLbl,
  kControlIdEnd
};
inline constexpr int kControlIdBegin = kPageControl1;
inline constexpr int kControlCount = kControlIdEnd - kControlIdBegin;

inline constexpr int kClientWidth = 618;
inline constexpr int kClientHeight = 550;

// A name label shows nothing: it only gives the control after it a name for screen readers.
enum class ControlKind { kTabs, kPage, kListBox, kButton, kPictureButton, kLabel, kRightLabel,
                         kNameLabel, kEdit, kPasswordEdit };
enum class Container { kWindow, kPageControl, kTabGame, kTabOther };

struct ControlLayout {
  ControlId id;
  const wchar_t* name;
  ControlKind kind;
  Container container;
  // A label sizes itself to its text: `left` is its left edge, or for a right-aligned label its
  // right edge, and width and height are 0. Pages fill the tab control's display area.
  int left, top, width, height;
  int tab_order;              // within the container; -1 for controls that take no focus
  int caption;                // UiStrings entry, -1 for none
  const wchar_t* initial_text;
  int byte_limit;             // in bytes of the ANSI code page; 0 for none
};

std::span<const ControlLayout> EditorLayout();
const ControlLayout& LayoutOf(ControlId id);

// A label and the control it goes with: screen readers name an edit or a list after the label
// right before it, so each label is created just before its control; a note is created right
// after the control it explains.
struct LabelPlacement {
  ControlId label;
  ControlId control;
  bool before;
};
std::span<const LabelPlacement> LabelPlacements();

}  // namespace qv::ui
