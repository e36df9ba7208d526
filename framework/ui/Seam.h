// The one seam through which everything reaches a person or the world outside the process.
// The real side uses Qt and the OS; tests install a scripted side.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "framework/rtl/SysUtils.h"

namespace ui {

using rtl::String;

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons of a message box (combinable) and the answers.
enum TMsgDlgButtons : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7, mrClose = 8 };

struct MessageRecord {
    TMsgDlgType Kind = TMsgDlgType::mtCustom;
    String Text;
    unsigned Buttons = mbOK;
    int Answer = mrOk;
};

class Seam {
public:
    virtual ~Seam() = default;
    // A modal message box; returns the button pressed (mrOk, mrYes, mrNo, ...).
    virtual int MessageBox(TMsgDlgType kind, const String& text, unsigned buttons) = 0;
};

// The seam in use (the real one unless a test installed another).
Seam& CurrentSeam();
void InstallSeam(Seam* seam);  // nullptr: back to the real seam

// Test side: records every message box and answers from a queue (mrOk / the first button when empty).
class ScriptedSeam : public Seam {
public:
    ScriptedSeam() { InstallSeam(this); }
    ~ScriptedSeam() override { InstallSeam(nullptr); }
    int MessageBox(TMsgDlgType kind, const String& text, unsigned buttons) override
    {
        int answer = mrOk;
        if (!Answers.empty()) {
            answer = Answers.front();
            Answers.pop_front();
        } else if (buttons & mbYes) {
            answer = mrYes;
        }
        Messages.push_back({kind, text, buttons, answer});
        return answer;
    }
    std::deque<int> Answers;
    std::vector<MessageRecord> Messages;
    std::vector<String> Texts() const
    {
        std::vector<String> t;
        for (auto& m : Messages) t.push_back(m.Text);
        return t;
    }
};

}  // namespace ui
