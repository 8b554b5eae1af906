#include "platform/drive_path.h"

namespace qv {

bool IsDriveLetterPath(std::wstring_view path) { return path.size() >= 2 && path[1] == L':'; }

}  // namespace qv
