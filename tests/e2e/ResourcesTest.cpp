// What Tolvane.exe carries besides code, read from the file as Windows reads it: a manifest the
// toolchain could silently leave out, version texts that could make Windows take it for an
// installer, and the icon.
#include <cwctype>

#include "E2eTest.h"

namespace tolvane::e2e {
namespace {

// Common controls 6 and per-monitor DPI awareness; no requested execution level, so Windows
// redirects writes in protected folders (the game's, under Program Files) as it does for the game;
// no UTF-8 code page (the list file and the registry texts stay in the ANSI code page). No installer
// word in the file name or the version texts, which would make Windows ask to elevate it. A 32 x 32
// and a 16 x 16 icon of 16 colours each.
TEST(ResourcesTest, ManifestVersionAndIcon) {
    std::wstring path = FromUnixPath(TOLVANE_EXE);
    HMODULE exe =
        ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe, nullptr);
    auto resource = [&](const wchar_t* type) {
        HRSRC found = ::FindResourceW(exe, MAKEINTRESOURCEW(1), type);
        return found ? std::string(static_cast<const char*>(::LockResource(::LoadResource(exe, found))),
                                   ::SizeofResource(exe, found))
                     : std::string();
    };
    std::string manifest = resource(MAKEINTRESOURCEW(24));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_EQ(manifest.find("<requestedExecutionLevel"), std::string::npos);
    EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos);

    std::string version = resource(RT_VERSION);
    std::wstring texts(reinterpret_cast<const wchar_t*>(version.data()), version.size() / sizeof(wchar_t));
    EXPECT_NE(texts.find(L"Tolvane 战网服务器切换工具"), std::wstring::npos);
    texts += path.substr(path.rfind(L'\\'));
    for (wchar_t& c : texts) c = static_cast<wchar_t>(std::towlower(c));
    for (const wchar_t* word : {L"instal", L"setup", L"update", L"patch"})
        EXPECT_EQ(texts.find(word), std::wstring::npos) << ::testing::PrintToString(std::wstring(word));

    std::string group =
        resource(RT_GROUP_ICON);  // a 6-byte header, then 14 bytes per image: size, -, colours
    std::vector<std::pair<int, int>> images;
    for (std::size_t at = 6; at + 14 <= group.size(); at += 14)
        images.emplace_back(static_cast<unsigned char>(group[at]), static_cast<unsigned char>(group[at + 2]));
    EXPECT_EQ(images, (std::vector<std::pair<int, int>>{{32, 16}, {16, 16}}));
    ::FreeLibrary(exe);
}

}  // namespace
}  // namespace tolvane::e2e
