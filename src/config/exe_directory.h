#pragma once
// The running executable's directory, with its trailing backslash; set once at start-up before
// any window exists (Windows only).
#include <string>

namespace qv {

void InitExeDirectory();
const std::wstring& ExeDirectory();

}  // namespace qv
