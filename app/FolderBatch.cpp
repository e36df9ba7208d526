#include "app/FolderBatch.h"

#include <algorithm>
#include <cstdlib>

#include "framework/rtl/Classes.h"

namespace app {

namespace {

constexpr const char* ConvertibleExtensions[] = {".JPG", ".ICO", ".BMP", ".EMF", ".TIF", ".GIF"};

constexpr const char* MsgNoSourceFolder = "Please choose the folder that holds the pictures to convert.";
constexpr const char* MsgNoOutputFolder = "Please choose the folder for the new pictures.";
constexpr const char* MsgNoWebFolder = "Please choose the folder for the web page, or turn the web page off.";
constexpr const char* MsgMissingFolder = "This folder does not exist: ";

String FolderProblem(const String& folder, const char* whenEmpty)
{
    if (folder.empty()) return whenEmpty;
    if (!rtl::DirectoryExists(folder)) return MsgMissingFolder + folder;
    return {};
}

}  // namespace

bool IsConvertibleFile(const String& name)
{
    const size_t dot = name.rfind('.');
    const String ext = dot == String::npos ? String() : rtl::UpperCase(name.substr(dot));
    return std::ranges::find(ConvertibleExtensions, ext) != std::end(ConvertibleExtensions);
}

std::vector<String> FindBatchFiles(const String& folder, const String& mask)
{
    return rtl::FindFiles(folder, mask);
}

int32_t ScaledLength(int32_t length, int percent)
{
    const long double scale = static_cast<long double>(percent) / 100.0L;
    return rtl::CheckedCast<int32_t>(rtl::Round(static_cast<long double>(length) * scale));
}

String BatchFolderPath(const String& text)
{
    String path = rtl::Trim(text);
    if (path.empty()) return path;
    if (path == "~" || path.starts_with("~/")) {
        const char* home = getenv("HOME");
        path = String(home ? home : "") + path.substr(1);
    }
    if (path[0] != rtl::PathDelim) path = rtl::IncludeTrailingPathDelimiter(rtl::GetCurrentDir()) + path;
    return rtl::IncludeTrailingPathDelimiter(path);
}

String BatchFoldersProblem(const TBatchFolders& folders)
{
    if (!folders.FolderMode) return {};
    String problem = FolderProblem(folders.Source, MsgNoSourceFolder);
    if (problem.empty()) problem = FolderProblem(folders.Output, MsgNoOutputFolder);
    if (problem.empty() && folders.MakeWebPage) problem = FolderProblem(folders.Web, MsgNoWebFolder);
    return problem;
}

bool CopyFileViaStream(const String& source, const String& dest)
{
    try {
        rtl::TMemoryStream bytes;
        bytes.LoadFromFile(source);
        bytes.SaveToFile(dest);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace app
