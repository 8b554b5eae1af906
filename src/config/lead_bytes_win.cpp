#include <windows.h>

#include "config/task_names.h"

namespace qv {

LeadBytes SystemLeadBytes(unsigned code_page) {
  LeadBytes lead;
  CPINFO info{};
  if (!GetCPInfo(code_page, &info)) return lead;
  for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] != 0 || info.LeadByte[i + 1] != 0);
       i += 2) {
    lead.Add(info.LeadByte[i], info.LeadByte[i + 1]);
  }
  return lead;
}

}  // namespace qv
