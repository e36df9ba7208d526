#include "gif/FmCanSav.h"

#include <cmath>

#include "framework/rtl/SysUtils.h"

namespace gif {

TCanSaveDialog* CanSaveDialog = nullptr;

namespace {

constexpr int YesResult = 1;     // OK
constexpr int NoResult = 3;      // the dialog's give-up answer
constexpr int LabelMargin = 30;  // client area right of the label's end

gfx::TFont SystemFont(const gfx::TFont& base)
{
    gfx::TFont f = base;
    f.Name = "System";
    f.Height = -12;
    return f;
}

// 34 x 34, 256 colours: a black exclamation point on a yellow disc.
gfx::TBitmap WarningBitmap()
{
    constexpr int size = 34;
    gfx::TBitmap b(size, size, gfx::TPixelFormat::pfDevice);
    const double centre = (size - 1) / 2.0, radius = 16.5;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double d = std::hypot(x - centre, y - centre);
            gfx::TColor c = gfx::RGB(192, 192, 192);
            if (d <= radius) c = d > radius - 1.2 ? gfx::RGB(128, 128, 0) : gfx::RGB(255, 255, 0);
            bool bar = x >= 15 && x <= 18 && y >= 6 && y <= 21;
            bool dot = x >= 15 && x <= 18 && y >= 24 && y <= 27;
            if (bar || dot) c = gfx::clBlack;
            b.SetPixel(x, y, c);
        }
    b.SetPixelFormat(gfx::TPixelFormat::pf8bit);
    return b;
}

}  // namespace

TCanSaveDialog::TCanSaveDialog(ui::TComponent* AOwner) : ui::TForm(AOwner)
{
    SetName("CanSaveDialog");
    SetCaption("Save");
    SetBorderStyle(ui::TFormBorderStyle::bsDialog);
    SetPosition(ui::TPosition::poScreenCenter);
    gfx::TFont font = Font();
    font.Name = "MS Sans Serif";
    font.Height = -11;
    SetFont(font);
    SetClientSize(268, 147);

    Image1 = new ui::TImage(this);
    Image1->SetName("Image1");
    Image1->SetParent(this);
    Image1->SetAutoSize(true);
    Image1->SetBounds(20, 20, 34, 34);
    gfx::TBitmap warning = WarningBitmap();
    Image1->Picture().SetGraphic(&warning);

    FilenameLabel = new ui::TLabel(this);
    FilenameLabel->SetName("FilenameLabel");
    FilenameLabel->SetParent(this);
    FilenameLabel->SetFont(SystemFont(Font()));
    FilenameLabel->SetBounds(65, 13, 0, 0);
    FilenameLabel->SetCaption("filename already exists.");

    Label2 = new ui::TLabel(this);
    Label2->SetName("Label2");
    Label2->SetParent(this);
    Label2->SetFont(SystemFont(Font()));
    Label2->SetBounds(65, 33, 0, 0);
    Label2->SetCaption("Do you want to replace it?");

    auto button = [this](const char* name, const char* caption, int left, int top, int width, int modalResult,
                         int tabOrder) {
        auto* b = new ui::TButton(this);
        b->SetName(name);
        b->SetParent(this);
        b->SetFont(SystemFont(Font()));
        b->SetBounds(left, top, width, 28);
        b->SetCaption(caption);
        b->SetModalResult(modalResult);
        b->SetTabOrder(tabOrder);
        return b;
    };
    Button1 = button("Button1", "&Yes", 78, 72, 61, YesResult, 2);
    Button3 = button("Button3", "&No", 154, 72, 61, NoResult, 1);
    SaveAsButton = button("SaveAsButton", "&Change filename", 78, 111, 137, 0, 0);
    SaveAsButton->OnClick = [this](ui::TObject* sender) { SaveAsButtonClick(sender); };

    SaveDialog = new ui::TSaveDialog(this);
    SaveDialog->SetName("SaveDialog");
    SaveDialog->SetOptions(ui::ofOverwritePrompt | ui::ofHideReadOnly | ui::ofPathMustExist);
    DoCreate();
}

bool TCanSaveDialog::Execute(const rtl::String& AFilename)
{
    Filename = AFilename;
    if (!rtl::FileExists(AFilename)) return true;
    FilenameLabel->SetCaption(AFilename + " already exists.");
    SetClientWidth(FilenameLabel->Left() + FilenameLabel->Width() + LabelMargin);
    SaveDialog->SetFileName(AFilename);
    if (ShowModal() != YesResult) {
        Filename = AFilename;
        return false;
    }
    Filename = SaveDialog->FileName();
    return true;
}

void TCanSaveDialog::SaveAsButtonClick(ui::TObject* Sender)
{
    SaveDialog->SetFileName(Filename);
    if (SaveDialog->Execute()) {
        SetModalResult(YesResult);
        Filename = SaveDialog->FileName();
    } else {
        SetModalResult(NoResult);
    }
}

void InitFmCanSav()
{
    if (!CanSaveDialog) CanSaveDialog = new TCanSaveDialog(nullptr);
}

void DoneFmCanSav()
{
    delete CanSaveDialog;
    CanSaveDialog = nullptr;
}

}  // namespace gif
