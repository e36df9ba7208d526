// The application object and the screen cursor.
#pragma once

#include "framework/rtl/SysUtils.h"

namespace ui {

enum TCursor : int { crDefault = 0, crArrow = -2, crHourGlass = -11, crHandPoint = -21 };

class TScreen {
public:
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);
private:
    TCursor FCursor = crDefault;
};
TScreen& Screen();

// Lets pending GUI events run; does nothing when no GUI runs (benchmarks, fuzzers).
void ProcessMessages();

}  // namespace ui
