#pragma once
// The editor window's controls, each once: where it lies at 96 dpi within its container, its tab
// order within it, its caption, the record field an edit shows and sets, the label that names it
// and the handlers of its events. The window creates, lays out, captions and dispatches by walking
// this table.
#include <optional>
#include <span>
#include <string>

#include "config/record_fields.h"
#include "i18n/ui_strings.h"

namespace qv::ui {

class TForm1;

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

// Why an edit's text was not applied: a UiStrings entry, and what it names (the characters the
// file cannot hold), empty for none.
struct Refusal {
  UiEntry entry;
  std::wstring detail;
};
using ApplyResult = std::optional<Refusal>;

using ClickHandler = void (TForm1::*)();
using ExitHandler = ApplyResult (TForm1::*)();
using KeyHandler = void (TForm1::*)(wchar_t& key);

// Where a label is created: screen readers name an edit or a list after the label right before
// it; a note comes right after the control it explains.
enum class LabelPlace { kNone, kBefore, kAfter };

struct ControlLayout {
  ControlId id;
  const wchar_t* name;
  ControlKind kind;
  Container container;
  // A label sizes itself to its text: `left` is its left edge, or for a right-aligned label its
  // right edge, and width and height are 0. Pages fill the tab control's display area.
  int left, top, width, height;
  int tab_order;              // within the container; -1 for controls that take no focus
  int caption;                // UiStrings entry; -1 for none, or a label's field's entry
  const wchar_t* initial_text;
  // An edit: the field it shows and sets, which gives its input limit.
  const RecordField* field;
  // A label: the control it names or explains, and on which side of it it is created.
  ControlId labels;
  LabelPlace place;
  ClickHandler on_click;      // a button's
  ExitHandler on_exit;        // an edit's, run when it loses the focus to another control
  KeyHandler on_key;          // an edit's typed characters; null where any may be typed
};

std::span<const ControlLayout> EditorLayout();
const ControlLayout& LayoutOf(ControlId id);
// The row of a control id a message names; null for an id that is no control of the window.
const ControlLayout* FindLayout(int id);
// The UiStrings entry `c` shows: its own, or for a label of an edit, its field's; -1 for none.
int CaptionOf(const ControlLayout& c);
// The bytes the edit takes, 0 for no limit: what its field's row says.
int InputLimitOf(const ControlLayout& c);
// Whether `c` is an edit of a field of `record`.
inline bool ShowsRecord(const ControlLayout& c, FieldRecord record) {
  return c.field && c.field->record == record;
}

}  // namespace qv::ui
