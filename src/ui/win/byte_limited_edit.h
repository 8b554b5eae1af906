#pragma once
// A single-line edit whose input limit counts bytes of the ANSI code page, the unit of the
// file's fields, instead of the system's UTF-16 units: typed characters, replacements and pastes
// that would go over it are cut at a whole character, with a beep. The edit is a window class of
// its own, the system's edit with the limit's procedure in front, so it keeps its limit whoever
// creates it and whatever its owner does with its messages.
#include <windows.h>

#include "ui/win/controls.h"

namespace qv::win {

class ByteLimitedEdit : public Edit {
 public:
  using Edit::Edit;

  // The class to create the edit with, registered on first use; a window class that puts its
  // own procedure in front takes this one as its base.
  static const wchar_t* ClassName();
  // 0 for no limit, which also lifts the system's default of 30,000 characters.
  void SetByteLimit(int bytes) const;
};

}  // namespace qv::win
