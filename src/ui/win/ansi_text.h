#pragma once
// The windows' texts convert through the one Windows text header; this name stays only until the
// last window file includes that header itself.
#include "common/win_text.h"
