#include "app/FolderBatch.h"

#include <algorithm>

#include "framework/rtl/Classes.h"

namespace app {

namespace {
constexpr const char* ConvertibleExtensions[] = {".JPG", ".ICO", ".BMP", ".EMF", ".TIF", ".GIF"};
}

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
