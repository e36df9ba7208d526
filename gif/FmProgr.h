// Progress reports of the GIF codec's long loops.
#pragma once

namespace gif {

// Takes the fraction done, 0 (started) to 1 (finished).
using TProgressProc = void (*)(float Value);

// Called by the codec after rows and table resets; nullptr: no reports.
extern TProgressProc ProgressCallback;

}  // namespace gif
