// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "framework/rtl/SysUtils.h"

class TempFolderFixture {
public:
    TempFolderFixture()
    {
        std::string pattern = rtl::TempFolder() + "/rtl-test-XXXXXX";
        if (mkdtemp(pattern.data())) FPath = pattern;
    }
    ~TempFolderFixture()
    {
        std::error_code ec;
        if (!FPath.empty()) std::filesystem::remove_all(FPath, ec);
    }
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

    static void Put(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Get(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::string FPath;
};
