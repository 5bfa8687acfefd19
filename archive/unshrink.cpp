#include "extract_state.h"
#include "vunzip.h"

namespace nubra {

int UnshrinkEntry(ExtractState&) { return ZIP_UNSUPPORTED_METHOD; }

} // namespace nubra
