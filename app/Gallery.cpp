#include "app/Gallery.h"

#include <cstring>
#include <functional>

#include "framework/rtl/Classes.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/Shell.h"

namespace app {

namespace {

constexpr const char* PageHead = "<HTML><HEAD><TITLE>My Pictures</TITLE></HEAD>";
constexpr const char* PageBody =
    "<BODY BGCOLOR=\"EEEEEE\" TEXT=\"#000000\" LINK=\"#000000\" vlink=\"#AA0055\" alink=\"#AA0055\"><br>";

constexpr const char* MainPageLines[] = {
    PageHead,
    PageBody,
    "<Center><br><br><br><br><br><Font Size=\"4\">Click the thumbnail images on your left</Font></Center>",
    "</BODY></HTML>",
};

constexpr const char* MenuPageHeadLines[] = {
    PageHead,
    PageBody,
    "<Font Size=\"3\"><Center><b>PICTURE MENU</b></Font><p>",
};
constexpr const char* MenuPageEnd = "</Center></BODY></HTML>";

constexpr const char* IndexPageLines[] = {
    PageHead,
    "<FRAMESET COLS=\"23,77\" framespacing=\"0\" frameborder=\"0\" border=\"0\"><FRAME NAME=\"menu\" "
    "SRC=\"menu.html\" SCROLLING=\"AUTO\" MARGINWIDTH=10 NORESIZE><FRAME NAME=\"main\" SRC=\"main.html\" "
    "SCROLLING=\"AUTO\" NORESIZE MARGINHEIGHT=2 MARGINWIDTH=20>",
    "</FRAMESET><NOFRAMES>Your browser does not support frames. Please download the latest browser "
    "version. </NOFRAMES></HTML>",
};

constexpr const char* ThumbMask = "T_*.JPG";
constexpr const char* LineEnd = "\r\n";

constexpr const char* MsgMenuFailed =
    "An error occurred while writing the html file. This may have happened if you have your browser open. "
    "Make sure you click the X in the upper right hand corner of your browser to close it, then try again.";
constexpr const char* MsgNoBrowser =
    "You cannot view this file because you do not have a default web browser setup. You can still view this "
    "file by opening your web browser and pointing to the file index.html which is located at ";

// A name as a relative address in a link or image: characters that would end the attribute, the
// line or the file name part of the address, the backslash (which browsers read as "/"), and
// every byte of 0x80 and above are written as %XX escapes, so the address is plain ASCII and
// means the same bytes whatever character set the browser reads the page in. Letters, digits
// and blanks stand as they are.
String LinkText(const String& name)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    String text;
    text.reserve(name.size());
    for (unsigned char ch : name) {
        if (ch < 0x20 || ch >= 0x7F || std::strchr("\"'<>&%#?\\", ch)) {
            text += '%';
            text += hex[ch >> 4];
            text += hex[ch & 15];
        } else {
            text += char(ch);
        }
    }
    return text;
}

// A page's text as it is written: every line ended by CR LF.
class PageText {
public:
    explicit PageText(rtl::TStream& out) : FOut(out) {}

    void WriteLine(const String& line)
    {
        const String text = line + LineEnd;
        FOut.WriteBuffer(text.data(), int64_t(text.size()));
    }

    template <size_t N>
    void WriteLines(const char* const (&lines)[N])
    {
        for (const char* line : lines) WriteLine(line);
    }

private:
    rtl::TStream& FOut;
};

// Writes a page anew through the safe routine, so a page that cannot be written leaves the old one
// whole. Any failure to create or write it is the run-time library's I/O error.
void WritePage(const String& path, const std::function<void(PageText&)>& write)
{
    try {
        rtl::SaveFileSafely(path, [&](rtl::TStream& out) {
            PageText page(out);
            write(page);
        });
    } catch (const rtl::EInOutError&) {
        throw;
    } catch (const rtl::Exception& e) {
        throw rtl::EInOutError(e.Message());
    }
}

}  // namespace

String FullSizeName(const String& thumbName)
{
    return FullSizePrefix + (thumbName.size() > 2 ? thumbName.substr(2) : String());
}

String MenuEntryLine(const String& thumbName)
{
    return "<a href=\"" + LinkText(FullSizeName(thumbName)) + "\" target=\"main\">" + "<img src=\"" +
           LinkText(thumbName) + "\"></a><br>";
}

void WriteMenuAndMainPages(const String& webFolder, const std::set<String>& keep)
{
    if (!keep.contains(webFolder + MainPageName))
        WritePage(webFolder + MainPageName, [](PageText& page) { page.WriteLines(MainPageLines); });
    if (keep.contains(webFolder + MenuPageName)) return;
    WritePage(webFolder + MenuPageName, [&](PageText& page) {
        page.WriteLines(MenuPageHeadLines);
        try {
            for (const String& thumb : rtl::FindFiles(webFolder, ThumbMask)) page.WriteLine(MenuEntryLine(thumb));
            page.WriteLine(MenuPageEnd);
        } catch (const std::exception&) {
            ui::MessageDlg(MsgMenuFailed, ui::TMsgDlgType::mtError, ui::mbOK);
        }
    });
}

void WriteIndexPage(const String& webFolder, const std::set<String>& keep)
{
    const String page = webFolder + IndexPageName;
    if (!keep.contains(page)) WritePage(page, [](PageText& text) { text.WriteLines(IndexPageLines); });
    if (ui::ShellExecute(nullptr, "open", page, "", "", ui::SW_SHOWMAXIMIZED) < 32)
        ui::ShowMessage(MsgNoBrowser + page);
}

}  // namespace app
