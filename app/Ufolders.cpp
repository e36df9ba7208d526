#include "app/Ufolders.h"

#include <initializer_list>

#include "forms/FrmfoldersLayout.h"

namespace app {

TFrmfolders::TFrmfolders(ui::TComponent* owner) : ui::TForm(owner)
{
    forms::ApplyDesign(*this, forms::FrmfoldersLayout());
    Bind(Lbltitle, "Lbltitle");
    Bind(RadSingle, "RadSingle");
    Bind(RadFolder, "RadFolder");
    Bind(LblSource, "LblSource");
    Bind(EdSource, "EdSource");
    Bind(BtnSource, "BtnSource");
    Bind(LblOutput, "LblOutput");
    Bind(EdOutput, "EdOutput");
    Bind(BtnOutput, "BtnOutput");
    Bind(ChkWebPage, "ChkWebPage");
    Bind(LblWeb, "LblWeb");
    Bind(EdWeb, "EdWeb");
    Bind(BtnWeb, "BtnWeb");
    Bind(BtnOk, "BtnOk");
    Bind(BtnCancel, "BtnCancel");
    Bind(DlgFolder, "DlgFolder");
    RadSingle->OnClick = [this](ui::TObject*) { EnableControls(); };
    RadFolder->OnClick = [this](ui::TObject*) { EnableControls(); };
    ChkWebPage->OnClick = [this](ui::TObject*) { EnableControls(); };
    BtnSource->OnClick = [this](ui::TObject*) { Browse(EdSource); };
    BtnOutput->OnClick = [this](ui::TObject*) { Browse(EdOutput); };
    BtnWeb->OnClick = [this](ui::TObject*) { Browse(EdWeb); };
    BtnOk->OnClick = [this](ui::TObject* s) { BtnOkClick(s); };
    SetChoice({});
    DoCreate();
}

void TFrmfolders::SetChoice(const TBatchFolders& folders)
{
    (folders.FolderMode ? RadFolder : RadSingle)->SetChecked(true);
    EdSource->SetCaption(folders.Source);
    EdOutput->SetCaption(folders.Output);
    EdWeb->SetCaption(folders.Web);
    ChkWebPage->SetChecked(folders.MakeWebPage);
    EnableControls();
}

TBatchFolders TFrmfolders::Choice() const
{
    return {.FolderMode = RadFolder->Checked(),
            .Source = BatchFolderPath(EdSource->Caption()),
            .Output = BatchFolderPath(EdOutput->Caption()),
            .Web = BatchFolderPath(EdWeb->Caption()),
            .MakeWebPage = ChkWebPage->Checked()};
}

void TFrmfolders::BtnOkClick(ui::TObject*)
{
    const String problem = BatchFoldersProblem(Choice());
    if (problem.empty()) return;
    // The window stays open until the folders can be used.
    SetModalResult(ui::mrNone);
    ui::MessageDlg(problem, ui::TMsgDlgType::mtWarning, ui::mbOK);
}

void TFrmfolders::Browse(ui::TEdit* edit)
{
    const String current = BatchFolderPath(edit->Caption());
    DlgFolder->SetInitialDir(current.empty() ? String() : rtl::ExcludeTrailingPathDelimiter(current));
    DlgFolder->SetFileName({});
    if (DlgFolder->Execute()) edit->SetCaption(BatchFolderPath(DlgFolder->FileName()));
}

void TFrmfolders::EnableControls()
{
    const bool folder = RadFolder->Checked();
    using Controls = std::initializer_list<ui::TControl*>;
    for (ui::TControl* c : Controls{LblSource, EdSource, BtnSource, LblOutput, EdOutput, BtnOutput, ChkWebPage})
        c->SetEnabled(folder);
    const bool web = folder && ChkWebPage->Checked();
    for (ui::TControl* c : Controls{LblWeb, EdWeb, BtnWeb}) c->SetEnabled(web);
}

}  // namespace app
