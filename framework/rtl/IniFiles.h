// Ini files with the profile semantics: sections and keys compared without case, the file read
// anew on every call and created on the first write (its folder must exist).
#pragma once

#include "framework/rtl/SysUtils.h"

namespace rtl {

class TIniFile {
public:
    explicit TIniFile(String fileName) : FFileName(std::move(fileName)) {}
    const String& FileName() const { return FFileName; }

    String ReadString(const String& section, const String& key, const String& def) const;
    // The default for a missing file, section or key and for text that is not a number.
    int ReadInteger(const String& section, const String& key, int def) const;
    // EIniFileException "Unable to write to %s" when the file cannot be written.
    void WriteString(const String& section, const String& key, const String& value);
    void WriteInteger(const String& section, const String& key, int value);

private:
    String FFileName;
};

}  // namespace rtl
