#include <errno.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "cli/code_page.h"

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

}  // namespace

struct CodePage::Converters {
  Converters(const std::string& name)
      : to_utf8("UTF-8", name.c_str()), from_utf8(name.c_str(), "UTF-8") {}
  Iconv to_utf8;
  Iconv from_utf8;
};

std::optional<CodePage> CodePage::Open(unsigned number) {
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
  std::optional<std::string> text = converters_->to_utf8.Convert(bytes);
  if (!text) return std::nullopt;
  const std::optional<std::string> back = converters_->from_utf8.Convert(*text);
  if (!back || *back != bytes) return std::nullopt;
  return text;
}

std::optional<std::string> CodePage::Encode(std::string_view utf8) const {
  std::optional<std::string> bytes = converters_->from_utf8.Convert(utf8);
  if (!bytes) return std::nullopt;
  const std::optional<std::string> back = converters_->to_utf8.Convert(*bytes);
  if (!back || *back != utf8) return std::nullopt;
  return bytes;
}

unsigned DefaultCodePage() { return 1252; }

}  // namespace qv::cli
