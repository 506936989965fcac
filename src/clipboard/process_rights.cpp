#include "clipboard/process_rights.h"

namespace quistrel {

bool UseReadingProcess(const ProcessRights& rights, bool underWine) {
  if (underWine) return true;
  return rights.elevated == false && rights.integrityLevel && *rights.integrityLevel <= kMediumIntegrity;
}

}  // namespace quistrel
