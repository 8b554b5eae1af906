#pragma once
// A single-line edit whose input limit counts bytes of the ANSI code page, the unit of the
// file's fields, instead of the system's UTF-16 units: typed characters, replacements and pastes
// that would go over it are cut at a whole character, with a beep.
#include <windows.h>

#include "ui/win/controls.h"

namespace qv::win {

class ByteLimitedEdit : public Edit {
 public:
  // 0 for no limit, which also lifts the system's default of 30,000 characters.
  void SetByteLimit(int bytes);

  // For the edit's window procedure, in front of `original`, the system's: true when the message
  // was answered here, with `result`.
  bool FilterInput(WNDPROC original, UINT message, WPARAM wparam, LPARAM lparam,
                   LRESULT& result) const;

 private:
  int limit_ = 0;
};

}  // namespace qv::win
