#include <errno.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "cli/code_page.h"
#include "common/utf8.h"

namespace qv::cli {
namespace {

std::vector<std::string> IconvNames(unsigned number) {
  std::vector<std::string> names{"CP" + std::to_string(number)};
  if (number == 936) names.push_back("GBK");
  if (number == 950) names.push_back("BIG5");
  return names;
}

class Iconv {
 public:
  Iconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(handle_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  std::optional<std::string> Convert(std::string_view in) const {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    std::string out(in.size() * 4 + 16, '\0');
    char* in_p = const_cast<char*>(in.data());
    std::size_t in_left = in.size();
    char* out_p = out.data();
    std::size_t out_left = out.size();
    while (in_left > 0) {
      if (iconv(handle_, &in_p, &in_left, &out_p, &out_left) != static_cast<std::size_t>(-1))
        continue;
      if (errno != E2BIG) return std::nullopt;  // EILSEQ, or EINVAL for a cut sequence
      const std::size_t used = out.size() - out_left;
      out.resize(out.size() * 2);
      out_p = out.data() + used;
      out_left = out.size() - used;
    }
    // Stateful encodings end with a reset sequence; ours have none, but ask anyway.
    if (iconv(handle_, nullptr, nullptr, &out_p, &out_left) == static_cast<std::size_t>(-1)) {
      return std::nullopt;
    }
    out.resize(out.size() - out_left);
    return out;
  }

 private:
  iconv_t handle_;
};

// Windows' table for code page 1252 above 0x7F: 0x80-0x9F below, every other byte is the code
// point of the same number. iconv leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined; Windows maps
// them to the control characters of the same number, and a file may hold them.
constexpr char16_t kCp1252From80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string Decode1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? char32_t{kCp1252From80[b - 0x80]} : char32_t{b});
  }
  return out;
}

std::optional<std::string> Encode1252(std::string_view utf8) {
  const std::optional<std::u32string> text = DecodeUtf8(utf8);
  if (!text) return std::nullopt;
  std::string out;
  out.reserve(text->size());
  for (const char32_t c : *text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
      continue;
    }
    int found = -1;
    for (int i = 0; i < 32 && found < 0; ++i) {
      if (kCp1252From80[i] == c) found = i;
    }
    if (found < 0) return std::nullopt;
    out += static_cast<char>(0x80 + found);
  }
  return out;
}

}  // namespace

struct CodePage::Converters {
  Converters(const std::string& name)
      : to_utf8("UTF-8", name.c_str()), from_utf8(name.c_str(), "UTF-8") {}
  Iconv to_utf8;
  Iconv from_utf8;
};

std::optional<CodePage> CodePage::Open(unsigned number) {
  if (number == 1252) {
    CodePage page;
    page.number_ = number;
    return page;
  }
  for (const std::string& name : IconvNames(number)) {
    auto converters = std::make_shared<Converters>(name);
    if (converters->to_utf8.ok() && converters->from_utf8.ok()) {
      CodePage page;
      page.number_ = number;
      page.converters_ = std::move(converters);
      return page;
    }
  }
  return std::nullopt;
}

std::optional<std::string> CodePage::Decode(std::string_view bytes) const {
  if (number_ == 1252) return Decode1252(bytes);
  std::optional<std::string> text = converters_->to_utf8.Convert(bytes);
  if (!text) return std::nullopt;
  const std::optional<std::string> back = converters_->from_utf8.Convert(*text);
  if (!back || *back != bytes) return std::nullopt;
  return text;
}

std::optional<std::string> CodePage::Encode(std::string_view utf8) const {
  if (number_ == 1252) return Encode1252(utf8);
  std::optional<std::string> bytes = converters_->from_utf8.Convert(utf8);
  if (!bytes) return std::nullopt;
  const std::optional<std::string> back = converters_->to_utf8.Convert(*bytes);
  if (!back || *back != utf8) return std::nullopt;
  return bytes;
}

LeadBytes CodePage::lead_bytes() const { return LeadBytes::ForCodePage(number_); }

unsigned DefaultCodePage() { return 1252; }

}  // namespace qv::cli
