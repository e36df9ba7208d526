// The real side of the seam: Qt and the operating system.
#include <cstdio>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "framework/ui/Application.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/Forms.h"
#include "framework/ui/QtBridge.h"
#include "framework/ui/RealSide.h"

namespace ui {
namespace {

QString CaptionFor(TMsgDlgType kind)
{
    switch (kind) {
    case TMsgDlgType::mtWarning: return QStringLiteral("Warning");
    case TMsgDlgType::mtInformation: return QStringLiteral("Information");
    case TMsgDlgType::mtConfirmation: return QStringLiteral("Confirm");
    // Plain messages and the default exception handler's errors carry the application's title.
    default: return Q(Application().Title());
    }
}

QMessageBox::Icon IconFor(TMsgDlgType kind)
{
    switch (kind) {
    case TMsgDlgType::mtWarning: return QMessageBox::Warning;
    case TMsgDlgType::mtError: return QMessageBox::Critical;
    case TMsgDlgType::mtInformation: return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
    default: return QMessageBox::NoIcon;
    }
}

// Qt's name filter for one entry: "Description (patterns)", patterns in both cases so that a
// Linux file system shows "sun.jpg" for "*.JPG".
QString QtFilter(const TOpenDialog::FilterEntry& e)
{
    QStringList pats;
    for (const QString& p : Q(e.Patterns).split(';', Qt::SkipEmptyParts)) {
        QString t = p.trimmed();
        if (!pats.contains(t)) pats << t;
        if (!pats.contains(t.toLower())) pats << t.toLower();
        if (!pats.contains(t.toUpper())) pats << t.toUpper();
    }
    return Q(e.Description) + " (" + pats.join(' ') + ")";
}

class QtSeam : public Seam {
public:
    int MessageBox(TMsgDlgType kind, const String& text, unsigned buttons) override
    {
        if (!GuiRunning()) {
            std::fprintf(stderr, "%s\n", text.c_str());
            return (buttons & mbYes) ? mrYes : mrOk;
        }
        QMessageBox box(IconFor(kind), CaptionFor(kind), Q(text), QMessageBox::NoButton, ActiveWindowWidget());
        struct B { unsigned bit; QMessageBox::StandardButton std; int answer; };
        const B all[] = {{mbYes, QMessageBox::Yes, mrYes}, {mbNo, QMessageBox::No, mrNo},
                         {mbOK, QMessageBox::Ok, mrOk}, {mbCancel, QMessageBox::Cancel, mrCancel}};
        QMessageBox::StandardButtons set;
        for (const B& b : all)
            if (buttons & b.bit) set |= b.std;
        if (!set) set = QMessageBox::Ok;
        box.setStandardButtons(set);
        bool busy = QGuiApplication::overrideCursor() != nullptr;
        if (busy) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        int r = box.exec();
        if (busy) QGuiApplication::restoreOverrideCursor();
        for (const B& b : all)
            if (r == b.std) return b.answer;
        return (buttons & mbCancel) ? mrCancel : (buttons & mbNo) ? mrNo : mrOk;
    }

    int ShowModal(TForm& form) override { return form.RunModalLoop(); }

    bool FileDialog(const TOpenDialog& d, String& name, int& filterIndex) override
    {
        if (!GuiRunning()) return false;
        QFileDialog dlg(ActiveWindowWidget(), Q(d.Title()));
        dlg.setAcceptMode(d.IsSaveDialog() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg.setFileMode((d.Options() & ofFileMustExist) && !d.IsSaveDialog() ? QFileDialog::ExistingFile
                                                                            : QFileDialog::AnyFile);
        // The overwrite question is asked by TOpenDialog itself, the same on both sides.
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        // The filters show their own descriptions only, not the pattern lists Qt would add.
        dlg.setOption(QFileDialog::HideNameFilterDetails, true);
        if (d.Options() & ofPickFolder) {
            dlg.setFileMode(QFileDialog::Directory);
            dlg.setOption(QFileDialog::ShowDirsOnly, true);
        }
        const std::vector<TOpenDialog::FilterEntry> entries = d.FilterEntries();
        QStringList filters;
        for (const auto& e : entries) filters << QtFilter(e);
        if (!filters.isEmpty()) {
            dlg.setNameFilters(filters);
            int index = d.FilterIndex() - 1;
            if (index >= 0 && index < filters.size()) dlg.selectNameFilter(filters[index]);
        }
        QString dir = Q(d.InitialDir());
        if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::currentPath();
        dlg.setDirectory(dir);
        if (!d.FileName().empty()) dlg.selectFile(Q(d.FileName()));
        // Every showing starts with the keyboard in the file-name field, its text selected, as the
        // first does, whatever the dialog preselects in its list.
        QTimer::singleShot(0, &dlg, [&dlg] {
            if (auto* edit = dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                edit->setFocus(Qt::OtherFocusReason);
                edit->selectAll();
            }
        });
        if (dlg.exec() != QDialog::Accepted) return false;
        QStringList files = dlg.selectedFiles();
        if (files.isEmpty()) return false;
        name = S(files.first());
        // The filter chosen, named in full or (details hidden) by its description.
        const QString chosen = dlg.selectedNameFilter();
        for (qsizetype i = 0; i < filters.size(); ++i)
            if (chosen == filters[i] || chosen == Q(entries[size_t(i)].Description)) {
                filterIndex = int(i) + 1;
                break;
            }
        return true;
    }

    void RunMessageLoop(TApplication& app) override
    {
        TForm* main = app.MainForm();
        if (!main) return;
        main->Show();
        if (GuiRunning() && !app.Terminated() && main->Visible()) QApplication::exec();
    }

    int ShellExecute(const String& verb, const String& file, const String& params, const String& dir,
                     int showCmd) override
    {
        return RealShellExecute(verb, file, params, dir, showCmd);
    }

    PrinterDevice& Printer() override { return RealPrinter(); }

    bool SetClipboard(const gfx::TBitmap& bitmap) override
    {
        if (!GuiRunning()) return false;
        QClipboard* cb = QGuiApplication::clipboard();
        if (!cb) return false;
        cb->setImage(ToQImage(bitmap));
        return true;
    }

    String AppDataFolder() override { return RealAppDataFolder(); }
    String WindowsDirectory() override { return "/usr/bin"; }
};

}  // namespace

Seam& RealSeam()
{
    static QtSeam* real = new QtSeam;  // lives until the process ends
    return *real;
}

}  // namespace ui
