#pragma once
// How task names compare. The file holds names as bytes of an ANSI code page; in the double-byte
// code pages the second byte of a character may be any byte from 0x40 up, letters included, so
// folding letter case must step over it or two different Chinese characters become one name.
#include <bitset>
#include <string>
#include <string_view>

namespace qv {

class LeadBytes {
 public:
  // A single-byte code page: no lead bytes.
  LeadBytes() = default;
  // The lead bytes of the double-byte code pages 932, 936, 949 and 950; none for any other.
  static LeadBytes ForCodePage(unsigned code_page);

  void Add(unsigned char first, unsigned char last);
  bool IsLead(unsigned char byte) const { return lead_[byte]; }
  bool operator==(const LeadBytes&) const = default;

 private:
  std::bitset<256> lead_;
};

#ifdef _WIN32
// The lead bytes the system gives for a code page; 0 is the system's ANSI code page.
LeadBytes SystemLeadBytes(unsigned code_page = 0);
#endif

// The name with ASCII letters a-z folded to A-Z, each double-byte character left as it is. Two
// names are the same name when these are equal.
std::string FoldedTaskName(std::string_view name, const LeadBytes& lead);

// The name the file will hold for `text`: its first 31 bytes, as the name field is cut.
std::string_view StoredTaskName(std::string_view text);

// True when the text's last byte is a lead byte without the byte that should follow it: what
// cutting by bytes does to a double-byte character that straddles the limit.
bool EndsInHalfCharacter(std::string_view text, const LeadBytes& lead);

}  // namespace qv
