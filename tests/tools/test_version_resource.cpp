// The Windows binaries carry the version resource Windows shows in their properties,
// with the project's version.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {
std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// One string of the U.S. English, Unicode block; empty when missing.
std::string VersionString(const std::string& file, const char* key)
{
    const std::wstring path = Widen(file);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<char> info(size);
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, info.data())) {
        return "";
    }
    const std::wstring query = L"\\StringFileInfo\\040904B0\\" + Widen(key);
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0) {
        return "";
    }
    std::string text;
    for (UINT i = 0; i + 1 < length && value[i] != 0; ++i) {
        text += static_cast<char>(value[i]);
    }
    return text;
}
}  // namespace

TEST(VersionResource, DllAndHostCarryTheProjectVersion)
{
    for (const std::string& file : {std::string(RUCK_PLUGIN_PATH), std::string(RUCK_HOST_PATH)}) {
        EXPECT_EQ(VersionString(file, "ProductName"), "Ruckstone") << file;
        EXPECT_EQ(VersionString(file, "CompanyName"), "Tolvi") << file;
        EXPECT_EQ(VersionString(file, "FileVersion"), RUCK_PROJECT_VERSION) << file;
        EXPECT_EQ(VersionString(file, "ProductVersion"), RUCK_PROJECT_VERSION) << file;
        EXPECT_NE(VersionString(file, "FileDescription"), "") << file;
        EXPECT_NE(VersionString(file, "LegalCopyright").find("Tolvi"), std::string::npos) << file;
    }
    EXPECT_EQ(VersionString(RUCK_PLUGIN_PATH, "OriginalFilename"), "Ruckstone.dll");
    EXPECT_EQ(VersionString(RUCK_HOST_PATH, "OriginalFilename"), "ruckhost.exe");
}
