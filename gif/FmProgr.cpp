#include "gif/FmProgr.h"

namespace gif {

TProgressProc ProgressCallback = nullptr;

}  // namespace gif
