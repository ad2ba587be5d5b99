// What Tolvane.exe carries besides code, read from the file as Windows reads
// it: a manifest the toolchain could silently leave out, and an icon with the
// caption's small image.
#include "Driver.h"

namespace tolvane::e2e {
namespace {

// Common controls 6, per-monitor DPI awareness, no elevation, and no UTF-8
// code page (the list file and the registry texts stay in the ANSI code page);
// a 32 x 32 and a 16 x 16 icon of 16 colours each.
TEST(ResourcesTest, ManifestAndIcon) {
    std::wstring path = FromUnixPath(TOLVANE_EXE);
    HMODULE module =
        ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    auto resource = [&](const wchar_t* type) {
        HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), type);
        if (!found) return std::string();
        return std::string(static_cast<const char*>(::LockResource(::LoadResource(module, found))),
                           ::SizeofResource(module, found));
    };
    std::string manifest = resource(MAKEINTRESOURCEW(24));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("asInvoker"), std::string::npos);
    EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos);

    std::string group = resource(RT_GROUP_ICON);  // a 6-byte header, then 14 bytes per image
    std::vector<std::pair<int, int>> images;      // (size, colours)
    for (std::size_t entry = 6; entry + 14 <= group.size(); entry += 14)
        images.emplace_back(static_cast<unsigned char>(group[entry]),
                            static_cast<unsigned char>(group[entry + 2]));
    EXPECT_EQ(images, (std::vector<std::pair<int, int>>{{32, 16}, {16, 16}}));
    ::FreeLibrary(module);
}

}  // namespace
}  // namespace tolvane::e2e
