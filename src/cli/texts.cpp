#include "cli/texts.h"

#include "common/hex.h"
#include "common/utf8.h"

namespace qv::cli {
namespace {

void AppendEscaped(std::string& out, unsigned char c) {
  out += "\\x";
  AppendHexByte(out, c);
}

std::string EscapedAs(std::string_view text, bool utf8) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 32 && c != 127 && (utf8 || c < 128)) {
      out += ch;
    } else {
      AppendEscaped(out, c);
    }
  }
  return out;
}

}  // namespace

std::string ToHex(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) AppendHexByte(out, static_cast<unsigned char>(ch));
  return out;
}

std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigitValue(hex[i]), low = HexDigitValue(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
  }
  return out;
}

std::string Shown(std::string_view bytes, const CodePage& code_page) {
  const std::optional<std::string> text = code_page.Decode(bytes);
  return text ? EscapedAs(*text, true) : EscapedAs(bytes, false);
}

std::string Quoted(std::string_view bytes, const CodePage& code_page) {
  return "\"" + Shown(bytes, code_page) + "\"";
}

std::string Escaped(std::string_view utf8) {
  return EscapedAs(utf8, DecodeUtf8(utf8).has_value());
}

std::string QuotedInput(std::string_view utf8) { return "\"" + Escaped(utf8) + "\""; }

}  // namespace qv::cli
