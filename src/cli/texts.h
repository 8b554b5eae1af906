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

// What a person or a script gave (an argument, a path, a JSON text or key), for a message: its
// control characters written \xNN, and every byte outside printable ASCII too when it is not
// UTF-8, so that a message never carries them to the terminal.
std::string Escaped(std::string_view utf8);
// Escaped and quoted: "text".
std::string QuotedInput(std::string_view utf8);

}  // namespace qv::cli
