#pragma once
// The configuration as JSON for scripts:
//   {"code_page": 1252,
//    "settings": {"host": "...", "port": 891, "user": "...", "password": "...",
//                 "interval": 60, "speed_limit": 0},
//    "tasks": [{"name": "...", "source": "...", "target": "..."}, ...]}
// A text that does not decode in the code page is written {"bytes": "<hex>"}, and read back the
// same way, so an export imports back to the same bytes whatever the names hold.
#include <string>
#include <string_view>
#include <vector>

#include "cli/code_page.h"
#include "config/document.h"

namespace qv::cli {

// With `hide_secrets` a password that is set is left out, so that an import of what was shown
// keeps the password it finds.
std::string ExportJson(const ConfigDocument& doc, const CodePage& code_page, bool hide_secrets);

struct ImportResult {
  enum class Kind { kApplied, kBadInput, kRefused };
  Kind kind = Kind::kBadInput;
  std::string error;               // UTF-8, when not applied
  std::vector<std::string> notes;  // what the editor's rules changed on the way in
  bool changed = false;            // the document's bytes differ from before
};

// Makes `doc` hold what the JSON describes, through the editor's rules: a setting or a task field
// is set only where it differs; tasks are matched to the existing ones by name, so unchanged
// tasks keep their records as they are; new tasks are added with `stem` as the editor adds them.
// A changed name is refused as the editor refuses it (empty, or another task's name). Anything
// else wrong with the JSON is bad input. Unless applied, `doc` is left exactly as it was.
ImportResult ImportJson(std::string_view json, ConfigDocument& doc, const CodePage& code_page,
                        std::string_view stem);

}  // namespace qv::cli
