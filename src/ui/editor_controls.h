#pragma once
// The window classes of the editor's controls: the system's own, with the editor's procedure in
// front of each.
#include <windows.h>

#include "ui/editor_layout.h"

namespace qv::ui {

struct WindowClassAndStyle {
  const wchar_t* class_name;
  DWORD style;
  DWORD ex_style;
};

// The class and styles a control of `kind` is created with.
WindowClassAndStyle ClassAndStyle(ControlKind kind);

}  // namespace qv::ui
