// The converter's results window: one line for every file a saver wrote or kept, and a status line.
#pragma once

#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace app {

using rtl::String;

class TFrmresults : public ui::TForm {
public:
    explicit TFrmresults(ui::TComponent* owner);

    ui::TLabel* Label1 = nullptr;
    ui::TListBox* ListBox1 = nullptr;
    ui::TLabel* Lblstatus = nullptr;
    ui::TBitBtn* BitBtn1 = nullptr;

    void AddLine(const String& line) { ListBox1->Items().Add(line); }
    void Clear() { ListBox1->Items().Clear(); }
    int LineCount() const { return ListBox1->Items().Count(); }
    void SetStatus(const String& text, gfx::TColor color);
};

}  // namespace app
