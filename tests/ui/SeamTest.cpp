// The seam's scripted side: message answers, modal showing with an action, queued dialogs, the
// default exception handler, the message loop and queued events.
#include <gtest/gtest.h>

#include <optional>

#include "framework/ui/Application.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/Forms.h"
#include "framework/ui/Shell.h"
#include "framework/ui/StdCtrls.h"

namespace {

using namespace ui;

TEST(Seam, MessageBoxesAnsweredFromTheQueue)
{
    ScriptedSeam seam;
    seam.Answers = {mrNo};
    EXPECT_EQ(MessageDlg("Replace?", TMsgDlgType::mtConfirmation, mbYes | mbNo), mrNo);
    EXPECT_EQ(MessageDlg("Again?", TMsgDlgType::mtConfirmation, mbYes | mbNo), mrYes);  // empty: Yes
    ShowMessage("Done");
    ASSERT_EQ(seam.Messages.size(), 3u);
    EXPECT_EQ(seam.Messages[0].Kind, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(seam.Messages[2].Buttons, unsigned(mbOK));
    EXPECT_EQ(seam.Texts(), (std::vector<String>{"Replace?", "Again?", "Done"}));
}

TEST(Seam, NestedScriptedSeamsRestoreTheOuterOne)
{
    ScriptedSeam outer;
    {
        ScriptedSeam inner;
        ShowMessage("inner");
        EXPECT_EQ(inner.Messages.size(), 1u);
    }
    ShowMessage("outer");
    EXPECT_EQ(outer.Texts(), (std::vector<String>{"outer"}));
}

// A small dialog: an OK button with a modal result, a bar, a close query.
struct Dialog : TForm {
    explicit Dialog(TComponent* owner) : TForm(owner)
    {
        SetName("Dialog");
        Ok = new TButton(this);
        Ok->SetParent(this);
        Ok->SetModalResult(mrOk);
        Bar = new TScrollBar(this);
        Bar->SetParent(this);
        Bar->SetParams(1, 1, 100);
        DoCreate();
    }
    TButton* Ok;
    TScrollBar* Bar;
};

TEST(ShowModal, TheActionDrivesTheWindowAndItsResultReturns)
{
    ScriptedSeam seam;
    Dialog dlg(nullptr);
    int quality = 0;
    dlg.Bar->OnChange = [&](TObject*) { quality = dlg.Bar->Position(); };
    seam.OnShowModal = [&](TForm& f) {
        EXPECT_EQ(&f, &dlg);
        EXPECT_TRUE(f.Visible());
        EXPECT_TRUE(f.Modal());
        dlg.Bar->SetPosition(60);
        dlg.Ok->Click();
    };
    EXPECT_EQ(dlg.ShowModal(), mrOk);
    EXPECT_EQ(quality, 60);
    EXPECT_FALSE(dlg.Visible());
    EXPECT_FALSE(dlg.Modal());
    EXPECT_EQ(seam.ModalShown, (std::vector<String>{"Dialog"}));
}

TEST(ShowModal, CloseGivesCancelAndWithoutAnActionTheWindowIsClosed)
{
    ScriptedSeam seam;
    Dialog dlg(nullptr);
    int closes = 0;
    dlg.OnClose = [&](TObject*, TCloseAction& a) { ++closes; EXPECT_EQ(a, TCloseAction::caHide); };
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    seam.OnShowModal = [](TForm& f) { f.Close(); };
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    seam.OnShowModal = [](TForm& f) {
        f.SetModalResult(mrYes);
        f.Close();  // a result already set stays
    };
    EXPECT_EQ(dlg.ShowModal(), mrYes);
    EXPECT_EQ(closes, 3);
}

TEST(ShowModal, CloseQueryCanRefuse)
{
    ScriptedSeam seam;
    Dialog dlg(nullptr);
    dlg.OnCloseQuery = [](TObject*, bool& can) { can = false; };
    seam.OnShowModal = [](TForm& f) { f.Close(); };
    EXPECT_EQ(dlg.ShowModal(), mrNone);
}

TEST(ShowModal, AVisibleWindowCannotBeShownModally)
{
    ScriptedSeam seam;
    Dialog dlg(nullptr);
    dlg.Show();
    EXPECT_THROW(dlg.ShowModal(), rtl::EInvalidOperation);
}

TEST(ShowModal, NestedShowings)
{
    ScriptedSeam seam;
    Dialog outer(nullptr), inner(nullptr);
    inner.SetName("Inner");
    std::vector<String> order;
    seam.OnShowModal = [&](TForm& f) {
        order.push_back(f.Name());
        if (&f == &outer) {
            EXPECT_EQ(inner.ShowModal(), mrOk);
        }
        static_cast<Dialog&>(f).Ok->Click();
    };
    EXPECT_EQ(outer.ShowModal(), mrOk);
    EXPECT_EQ(order, (std::vector<String>{"Dialog", "Inner"}));
}

TEST(DefaultExceptionHandler, AnExceptionInAClickIsShownAndTheProgramGoesOn)
{
    ScriptedSeam seam;
    TForm form(nullptr);
    auto* b = new TButton(&form);
    int after = 0;
    b->OnClick = [](TObject*) { throw rtl::Exception("Unknown picture file extension (.txt)"); };
    b->Click();
    auto* c = new TButton(&form);
    c->OnClick = [&](TObject*) {
        ++after;
        throw std::runtime_error("plain failure");
    };
    c->Click();
    auto* d = new TButton(&form);
    d->OnClick = [](TObject*) { throw rtl::ERangeError(); };
    d->Click();
    auto* e = new TButton(&form);
    e->OnClick = [](TObject*) { throw std::bad_alloc(); };
    e->Click();
    ASSERT_EQ(seam.Messages.size(), 4u);
    EXPECT_EQ(seam.Messages[0].Kind, TMsgDlgType::mtError);
    EXPECT_EQ(seam.Texts(), (std::vector<String>{"Unknown picture file extension (.txt)", "plain failure",
                                                 "Range check error", "Out of memory"}));
    EXPECT_EQ(after, 1);
}

TEST(DefaultExceptionHandler, AnExceptionInOnCreateIsShownAndTheWindowExists)
{
    ScriptedSeam seam;
    struct Failing : TForm {
        explicit Failing(TComponent* o) : TForm(o)
        {
            OnCreate = [](TObject*) { throw rtl::EIniFileException("Unable to write to /x/qorin7.ini"); };
            DoCreate();
        }
    };
    Failing f(nullptr);
    EXPECT_EQ(seam.Texts(), (std::vector<String>{"Unable to write to /x/qorin7.ini"}));
}

TEST(FileDialogs, AnswersFromTheQueueAndTheDialogsSettings)
{
    ScriptedSeam seam;
    TForm form(nullptr);
    TOpenDialog open(&form);
    open.SetFilter("All Web Images (*.*)|*.JPG;*.GIF;*.BMP|Jpeg (*.JPG)|*.JPG");
    open.SetInitialDir("/pictures/");
    seam.Files = {std::string("/pictures/sun.jpg"), std::nullopt};
    EXPECT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName(), "/pictures/sun.jpg");
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.FileName(), "/pictures/sun.jpg");  // a cancel changes nothing
    EXPECT_FALSE(open.Execute());                       // nothing queued: cancel
    ASSERT_EQ(seam.Dialogs.size(), 3u);
    EXPECT_EQ(seam.Dialogs[0].InitialDir, "/pictures/");
    EXPECT_FALSE(seam.Dialogs[0].Save);
    auto entries = open.FilterEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Description, "All Web Images (*.*)");
    EXPECT_EQ(entries[0].Patterns, "*.JPG;*.GIF;*.BMP");
}

TEST(FileDialogs, DefaultExtensionAndOptions)
{
    ScriptedSeam seam;
    TForm form(nullptr);
    TSaveDialog save(&form);
    save.SetDefaultExt("JPG");
    seam.Files = {std::string("/tmp/sunset"), std::string("/tmp/a.b.png")};
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName(), "/tmp/sunset.JPG");
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName(), "/tmp/a.b.png");
    EXPECT_TRUE(seam.Messages.empty());

    // A missing folder is refused and asked again; an existing file is asked about.
    save.SetOptions(ofPathMustExist | ofOverwritePrompt);
    String existing = rtl::TempFolder() + "/ui_seam_exists.bmp";
    { rtl::TMemoryStream m; m.SaveToFile(existing); }
    seam.Files = {std::string("/no/such/folder/x.bmp"), existing, existing};
    seam.Answers = {mrOk, mrNo, mrYes};
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName(), existing);
    ASSERT_EQ(seam.Messages.size(), 3u);
    EXPECT_NE(seam.Messages[0].Text.find("/no/such/folder/x.bmp"), String::npos);
    EXPECT_EQ(seam.Messages[1].Buttons, unsigned(mbYes | mbNo));
    rtl::DeleteFile(existing);
}

TEST(MessageLoop, RunsUntilTheMainFormCloses)
{
    ScriptedSeam seam;
    TApplication& app = Application();
    TForm* previous = app.MainForm();
    TForm main(nullptr);
    app.SetMainForm(&main);
    bool ran = false;
    seam.OnRun = [&](TApplication& a) {
        EXPECT_TRUE(main.Visible());
        ran = true;
        main.Close();
        EXPECT_TRUE(a.Terminated());
    };
    app.Run();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(main.Visible());
    app.SetMainForm(previous);
}

TEST(MessageLoop, QueuedEventsRunInProcessMessages)
{
    ScriptedSeam seam;
    int ran = 0;
    QueueEvent([&] { ++ran; });
    QueueEvent([&] { throw rtl::Exception("queued failure"); });
    ProcessMessages();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(seam.Texts(), (std::vector<String>{"queued failure"}));
}

TEST(Folders, ScriptedOrFromTheEnvironment)
{
    ScriptedSeam seam;
    EXPECT_EQ(WindowsDirectory(), "/usr/bin");
    seam.WindowsDir = "/tmp/fakewin";
    EXPECT_EQ(WindowsDirectory(), "/tmp/fakewin");

    const char* home = getenv("HOME");
    const char* xdg = getenv("XDG_CONFIG_HOME");
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    String savedHome = home ? home : "", savedXdg = xdg ? xdg : "", savedRuntime = runtime ? runtime : "";
    setenv("HOME", "/home/someone/", 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(AppDataFolder(), "/home/someone/.config");
    setenv("XDG_CONFIG_HOME", "/xdg/conf", 1);
    EXPECT_EQ(AppDataFolder(), "/xdg/conf");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
    EXPECT_EQ(AppDataFolder(), "/home/someone/.config");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    // Without a home: the private runtime folder, never the shared temporary one.
    setenv("XDG_RUNTIME_DIR", "/run/user/1000/", 1);
    EXPECT_EQ(AppDataFolder(), "/run/user/1000");
    setenv("XDG_RUNTIME_DIR", "run", 1);  // not absolute: ignored
    EXPECT_EQ(AppDataFolder(), "");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(AppDataFolder(), "");
    seam.AppData = "/scripted";
    EXPECT_EQ(AppDataFolder(), "/scripted");
    if (home) setenv("HOME", savedHome.c_str(), 1);
    if (xdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    if (runtime) setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
}

}  // namespace
