#pragma once
// The file keeps texts as bytes of an ANSI code page; the command line and JSON speak UTF-8.
// A conversion either round-trips exactly or fails: a name that does not decode is kept as bytes
// by the caller rather than being changed on its way through.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "config/task_names.h"

namespace qv::cli {

class CodePage {
 public:
  // None when the platform cannot convert that code page.
  static std::optional<CodePage> Open(unsigned number);

  unsigned number() const { return number_; }
  // UTF-8 for `bytes`, or none when they are not a text of this code page that encodes back to
  // the very same bytes.
  std::optional<std::string> Decode(std::string_view bytes) const;
  // The code page's bytes for `utf8`, or none when it is not valid UTF-8 or has a character the
  // code page cannot spell exactly.
  std::optional<std::string> Encode(std::string_view utf8) const;

  // The bytes that start a double-byte character in this code page.
  LeadBytes lead_bytes() const;

  struct Converters;

 private:
  unsigned number_ = 0;
  std::shared_ptr<Converters> converters_;
};

// The system's ANSI code page on Windows; 1252 elsewhere.
unsigned DefaultCodePage();

}  // namespace qv::cli
