#include "config/task_names.h"

#include "config/records.h"

namespace qv {

LeadBytes LeadBytes::ForCodePage(unsigned code_page) {
  LeadBytes lead;
  switch (code_page) {
    case 932:
      lead.Add(0x81, 0x9F);
      lead.Add(0xE0, 0xFC);
      break;
    case 936:
    case 949:
    case 950:
      lead.Add(0x81, 0xFE);
      break;
    default:
      break;
  }
  return lead;
}

void LeadBytes::Add(unsigned char first, unsigned char last) {
  for (unsigned b = first; b <= last; ++b) lead_.set(b);
}

std::string FoldedTaskName(std::string_view name, const LeadBytes& lead) {
  std::string folded(name);
  for (std::size_t i = 0; i < folded.size(); ++i) {
    const auto c = static_cast<unsigned char>(folded[i]);
    if (lead.IsLead(c)) {
      ++i;  // the second byte is part of the character, whatever it spells in ASCII
    } else if (c >= 'a' && c <= 'z') {
      folded[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return folded;
}

std::string_view StoredTaskName(std::string_view text) {
  return text.substr(0, TaskRecord::kNameCapacity);
}

bool EndsInHalfCharacter(std::string_view text, const LeadBytes& lead) {
  bool half = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    half = lead.IsLead(static_cast<unsigned char>(text[i])) && i + 1 == text.size();
    if (lead.IsLead(static_cast<unsigned char>(text[i]))) ++i;
  }
  return half;
}

}  // namespace qv
