#include "cli/texts.h"

#include "common/hex.h"

namespace qv::cli {
namespace {

void AppendEscaped(std::string& out, unsigned char c) {
  out += "\\x";
  AppendHexByte(out, c);
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
  std::string out;
  for (const char ch : text ? std::string_view(*text) : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 32 && c != 127 && (text || c < 128)) {
      out += ch;
    } else {
      AppendEscaped(out, c);
    }
  }
  return out;
}

std::string Quoted(std::string_view bytes, const CodePage& code_page) {
  return "\"" + Shown(bytes, code_page) + "\"";
}

}  // namespace qv::cli
