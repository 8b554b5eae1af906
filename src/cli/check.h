#pragma once
// What `qvconf check` finds in a configuration: one line per problem, naming the task.
#include <string>
#include <vector>

#include "cli/code_page.h"
#include "config/config_file.h"
#include "config/document.h"

namespace qv::cli {

// `doc` is what the loader made of the file and `facts` what it met on the way. The records keep
// their bytes as read, so a length byte above its field's capacity is still visible in them.
std::vector<std::string> CheckConfig(const ConfigDocument& doc, const ImageReport& facts,
                                     const CodePage& code_page);

}  // namespace qv::cli
