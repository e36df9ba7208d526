#include "app/Project.h"

#include <malloc.h>

#include "app/Uadjust.h"
#include "app/Ucompress.h"
#include "app/Ufirst.h"
#include "forms/Bitmaps.h"
#include "framework/graphics/Formats.h"
#include "framework/ui/Application.h"
#include "gif/GifUnit.h"

namespace app {

namespace {
bool gUnitsReady = false;
}

void InitUnits()
{
    if (gUnitsReady) return;
    gUnitsReady = true;
    // Every selection and split allocates and frees picture-sized buffers. Kept in the heap for
    // reuse instead of being handed back to the system each time, they are not faulted in anew
    // for every picture, which costs more than decoding it on a virtual machine.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    gfx::RegisterBuiltInPictureFormats();
    gfx::RegisterJpegFormat();
    gif::InitGifUnit();
    gfx::RegisterPngFormat();
}

void DoneUnits()
{
    if (!gUnitsReady) return;
    gUnitsReady = false;
    gif::DoneGifUnit();
}

void CreateAutoForms()
{
    ui::TApplication& application = ui::Application();
    application.SetTitle("Quadrell Image Splitter");
    application.SetIcon(forms::ProgramIcon());
    application.CreateForm(FrmFirst);
    application.CreateForm(Frmadjust);
    application.CreateForm(frmcomp);
}

int RunProgram()
{
    InitUnits();
    ui::Application().Initialize();
    // Qt's application object resets the locale; the user's own is set after it.
    rtl::InitLocale();
    CreateAutoForms();
    ui::Application().Run();
    DoneUnits();
    return 0;
}

}  // namespace app
