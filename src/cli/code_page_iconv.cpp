#include <errno.h>
#include <iconv.h>

#include <array>
#include <unordered_map>
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

  // Fails with `error` EILSEQ for a byte sequence that is no character, EINVAL for a cut one.
  std::optional<std::string> Convert(std::string_view in, int* error = nullptr) const {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    std::string out(in.size() * 4 + 16, '\0');
    char* in_p = const_cast<char*>(in.data());
    std::size_t in_left = in.size();
    char* out_p = out.data();
    std::size_t out_left = out.size();
    while (in_left > 0) {
      if (iconv(handle_, &in_p, &in_left, &out_p, &out_left) != static_cast<std::size_t>(-1))
        continue;
      if (errno != E2BIG) {
        if (error) *error = errno;
        return std::nullopt;
      }
      const std::size_t used = out.size() - out_left;
      out.resize(out.size() * 2);
      out_p = out.data() + used;
      out_left = out.size() - used;
    }
    // 1255 and 1258 hold back a letter until they know no accent follows: this lets it out.
    if (iconv(handle_, nullptr, nullptr, &out_p, &out_left) == static_cast<std::size_t>(-1)) {
      return std::nullopt;
    }
    out.resize(out.size() - out_left);
    return out;
  }

 private:
  iconv_t handle_;
};

// What iconv converts, in runs, with pieces of Windows' own spliced in between the runs.
class Spliced {
 public:
  explicit Spliced(const Iconv& iconv) : iconv_(iconv) {}

  // Bytes or a character for iconv, converted at the next piece or at the end.
  void Pend(std::string_view in) { pending_.append(in); }
  void Pend(char32_t c) { AppendUtf8(pending_, c); }
  // False when the run before the piece is not iconv's to convert.
  bool Splice(std::string_view piece) {
    if (!Flush()) return false;
    out_.append(piece);
    return true;
  }
  std::optional<std::string> Finish() {
    if (!Flush()) return std::nullopt;
    return std::move(out_);
  }

 private:
  bool Flush() {
    const std::optional<std::string> part = iconv_.Convert(pending_);
    pending_.clear();
    if (part) out_ += *part;
    return part.has_value();
  }

  const Iconv& iconv_;
  std::string out_;
  std::string pending_;
};

constexpr char32_t kNoCharacter = 0xFFFFFFFF;

// Where Windows' tables differ from iconv's. A byte Windows reads as a character that iconv does
// not know: the bytes 0x80-0x9F that a single-byte page leaves free stand for the control
// characters of the same number, and these.
struct ExtraByte {
  unsigned page;
  unsigned char byte;
  char32_t character;
};
constexpr ExtraByte kExtraBytes[] = {{1255, 0xCA, 0x05BA}};

// A character both tables have, for which Windows writes other bytes: Big5 spells four box
// drawing characters twice, and Windows writes the second spelling where iconv writes the first.
struct OtherSpelling {
  unsigned page;
  char32_t character;
  const char* bytes;
};
constexpr OtherSpelling kOtherSpellings[] = {{950, 0x2550, "\xF9\xF9"},
                                             {950, 0x255E, "\xF9\xE9"},
                                             {950, 0x2561, "\xF9\xEB"},
                                             {950, 0x256A, "\xF9\xEA"}};

// The double bytes Windows gives to the private use characters, U+E000 on, in their order: the
// user-defined areas of GBK and Big5, which iconv leaves undefined. GBK's last area is every cell
// it leaves free, in the order of their bytes.
struct UserRows {
  unsigned char first_lead, last_lead;
  bool low_trails;   // 0x40-0x7E, and 0x80-0xA0 where `high_trails` is false
  bool high_trails;  // 0xA1-0xFE
};

void AddCells(const UserRows& rows, std::vector<unsigned>& cells) {
  for (unsigned lead = rows.first_lead; lead <= rows.last_lead; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      const bool low = trail < 0xA1 && trail != 0x7F && (trail < 0x80 || !rows.high_trails);
      if ((low && rows.low_trails) || (trail >= 0xA1 && rows.high_trails)) {
        cells.push_back(lead << 8 | trail);
      }
    }
  }
}

std::vector<unsigned> GbkUserCells() {
  std::vector<unsigned> cells;
  for (const UserRows& rows : {UserRows{0xAA, 0xAF, false, true}, UserRows{0xF8, 0xFE, false, true},
                               UserRows{0xA1, 0xA7, true, false}}) {
    AddCells(rows, cells);
  }
  std::vector<bool> taken(0x10000);
  for (const unsigned cell : cells) taken[cell] = true;
  const Iconv to_utf8("UTF-8", "CP936");
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      const unsigned cell = lead << 8 | trail;
      const char bytes[] = {static_cast<char>(lead), static_cast<char>(trail)};
      if (trail != 0x7F && !taken[cell] && !to_utf8.Convert(std::string_view(bytes, 2))) {
        cells.push_back(cell);
      }
    }
  }
  return cells;
}

std::vector<unsigned> Big5UserCells() {
  std::vector<unsigned> cells;
  for (const UserRows& rows : {UserRows{0xFA, 0xFE, true, true}, UserRows{0x8E, 0xA0, true, true},
                               UserRows{0x81, 0x8D, true, true}, UserRows{0xC6, 0xC6, false, true},
                               UserRows{0xC7, 0xC8, true, true}}) {
    AddCells(rows, cells);
  }
  return cells;
}

// Worked out once per process: GBK's free cells take one conversion each.
const std::vector<unsigned>& UserCells(unsigned number) {
  static const std::vector<unsigned> none;
  if (number == 936) {
    static const std::vector<unsigned> gbk = GbkUserCells();
    return gbk;
  }
  if (number == 950) {
    static const std::vector<unsigned> big5 = Big5UserCells();
    return big5;
  }
  return none;
}

}  // namespace

struct CodePage::Converters {
  Converters(unsigned number, const std::string& name)
      : to_utf8("UTF-8", name.c_str()), from_utf8(name.c_str(), "UTF-8") {
    for (const OtherSpelling& s : kOtherSpellings) {
      if (s.page == number) other_spellings.emplace(s.character, s.bytes);
    }
  }

  void ReadUserCells(unsigned number) {
    const std::vector<unsigned>& cells = UserCells(number);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const auto c = static_cast<char32_t>(0xE000 + i);
      user_cells.emplace(cells[i], c);
      other_spellings.emplace(
          c, std::string{static_cast<char>(cells[i] >> 8), static_cast<char>(cells[i] & 0xFF)});
    }
  }

  // Builds the byte table of a single-byte page; false for a page of more bytes per character.
  // Each byte is converted alone, as Windows converts it: iconv would also make one accented
  // letter of a letter and the accent byte after it (1255, 1258), which Windows leaves as two.
  bool ReadSingleBytes(unsigned number) {
    for (unsigned b = 0; b < 256; ++b) {
      int error = 0;
      const std::optional<std::string> text =
          to_utf8.Convert(std::string(1, static_cast<char>(b)), &error);
      if (!text && error == EINVAL) return false;  // a lead byte: the page has double bytes
      const std::optional<std::u32string> points = text ? DecodeUtf8(*text) : std::nullopt;
      char32_t c = points && points->size() == 1 ? (*points)[0] : kNoCharacter;
      if (c == kNoCharacter && b >= 0x80 && b < 0xA0) c = b;
      for (const ExtraByte& extra : kExtraBytes) {
        if (extra.page == number && extra.byte == b) c = extra.character;
      }
      bytes[b] = c;
      if (c != kNoCharacter) characters.emplace(c, static_cast<char>(b));
    }
    single_byte = true;
    return true;
  }

  std::optional<std::string> DecodeSingleBytes(std::string_view in) const {
    std::string out;
    out.reserve(in.size() * 2);
    for (const char ch : in) {
      const char32_t c = bytes[static_cast<unsigned char>(ch)];
      if (c == kNoCharacter) return std::nullopt;
      AppendUtf8(out, c);
    }
    return out;
  }

  std::optional<std::string> EncodeSingleBytes(std::string_view utf8) const {
    const std::optional<std::u32string> text = DecodeUtf8(utf8);
    if (!text) return std::nullopt;
    std::string out;
    out.reserve(text->size());
    for (const char32_t c : *text) {
      const auto found = characters.find(c);
      if (found == characters.end()) return std::nullopt;
      out += found->second;
    }
    return out;
  }

  // iconv's bytes, with Windows' spelling put in where the two differ.
  std::optional<std::string> EncodeMultiBytes(std::string_view utf8) const {
    if (other_spellings.empty()) return from_utf8.Convert(utf8);
    const std::optional<std::u32string> text = DecodeUtf8(utf8);
    if (!text) return std::nullopt;
    Spliced out(from_utf8);
    for (const char32_t c : *text) {
      const auto other = other_spellings.find(c);
      if (other == other_spellings.end()) {
        out.Pend(c);
      } else if (!out.Splice(other->second)) {
        return std::nullopt;
      }
    }
    return out.Finish();
  }

  // iconv's characters, with Windows' in the user-defined areas.
  std::optional<std::string> DecodeMultiBytes(std::string_view in) const {
    if (user_cells.empty()) return to_utf8.Convert(in);
    Spliced out(to_utf8);
    std::string character;
    for (std::size_t i = 0; i < in.size();) {
      const auto lead = static_cast<unsigned char>(in[i]);
      const std::size_t size = lead >= 0x81 && lead <= 0xFE && i + 1 < in.size() ? 2 : 1;
      if (size == 2) {
        const auto found = user_cells.find(lead << 8 | static_cast<unsigned char>(in[i + 1]));
        if (found != user_cells.end()) {
          character.clear();
          AppendUtf8(character, found->second);
          if (!out.Splice(character)) return std::nullopt;
          i += 2;
          continue;
        }
      }
      out.Pend(in.substr(i, size));
      i += size;
    }
    return out.Finish();
  }

  std::optional<std::string> ToText(std::string_view in) const {
    return single_byte ? DecodeSingleBytes(in) : DecodeMultiBytes(in);
  }
  std::optional<std::string> ToBytes(std::string_view utf8) const {
    return single_byte ? EncodeSingleBytes(utf8) : EncodeMultiBytes(utf8);
  }

  Iconv to_utf8;
  Iconv from_utf8;
  bool single_byte = false;
  std::array<char32_t, 256> bytes{};
  std::unordered_map<char32_t, char> characters;
  std::unordered_map<char32_t, std::string> other_spellings;
  std::unordered_map<unsigned, char32_t> user_cells;
};

std::optional<CodePage> CodePage::Open(unsigned number) {
  for (const std::string& name : IconvNames(number)) {
    auto converters = std::make_shared<Converters>(number, name);
    if (!converters->to_utf8.ok() || !converters->from_utf8.ok()) continue;
    if (!converters->ReadSingleBytes(number)) converters->ReadUserCells(number);
    CodePage page;
    page.number_ = number;
    page.converters_ = std::move(converters);
    return page;
  }
  return std::nullopt;
}

std::optional<std::string> CodePage::Decode(std::string_view bytes) const {
  std::optional<std::string> text = converters_->ToText(bytes);
  if (!text) return std::nullopt;
  const std::optional<std::string> back = converters_->ToBytes(*text);
  if (!back || *back != bytes) return std::nullopt;
  return text;
}

std::optional<std::string> CodePage::Encode(std::string_view utf8) const {
  std::optional<std::string> bytes = converters_->ToBytes(utf8);
  if (!bytes) return std::nullopt;
  const std::optional<std::string> back = converters_->ToText(*bytes);
  if (!back || *back != utf8) return std::nullopt;
  return bytes;
}

LeadBytes CodePage::lead_bytes() const { return LeadBytes::ForCodePage(number_); }

unsigned DefaultCodePage() { return 1252; }

}  // namespace qv::cli
