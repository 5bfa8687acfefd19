#include "extract_state.h"
#include "vunzip.h"

namespace nubra {

int ExplodeEntry(ExtractState&) { return ZIP_UNSUPPORTED_METHOD; }

} // namespace nubra
