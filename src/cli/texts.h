#pragma once
// Texts of the file on their way to a person or a script, and back.
#include <optional>
#include <string>
#include <string_view>

#include "cli/code_page.h"

namespace qv::cli {

std::string ToHex(std::string_view bytes);
// None unless `hex` is an even number of hexadecimal digits (either case).
std::optional<std::string> FromHex(std::string_view hex);

// For a table or a message: the text in UTF-8 when it decodes, with control characters written
// \xNN; otherwise every byte outside printable ASCII written \xNN, so nothing is hidden.
std::string Shown(std::string_view bytes, const CodePage& code_page);

// Quoted for a message: "name".
std::string Quoted(std::string_view bytes, const CodePage& code_page);

}  // namespace qv::cli
