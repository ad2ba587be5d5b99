// What Tolvane.exe carries besides code: version information, the icon,
// the picture and the manifest, read from the file as Windows reads them.
#include <string>
#include <utility>
#include <vector>

#include "Driver.h"

namespace tolvane::e2e {
namespace {

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = ::LoadLibraryExW(FromUnixPath(TOLVANE_EXE).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_) ::FreeLibrary(module_);
    }
    std::string Resource(const wchar_t* type, const wchar_t* name) const {
        HRSRC found = ::FindResourceW(module_, name, type);
        if (!found) return {};
        const char* data = static_cast<const char*>(::LockResource(::LoadResource(module_, found)));
        return std::string(data, ::SizeofResource(module_, found));
    }

    HMODULE module_ = nullptr;
};

// Product name and both versions as users see them in the file's properties.
TEST_F(ResourcesTest, VersionInformationNamesTheProductAndVersion) {
    std::wstring path = FromUnixPath(TOLVANE_EXE);
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    auto value = [&](const wchar_t* name) {
        wchar_t* text = nullptr;
        UINT length = 0;
        std::wstring query = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
        if (!::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length))
            return std::wstring();
        return std::wstring(text, length > 0 ? length - 1 : 0);
    };
    EXPECT_EQ(value(L"ProductName"), L"Tolvane");
    EXPECT_EQ(value(L"FileVersion"), L"1.02");
    EXPECT_EQ(value(L"ProductVersion"), L"1.02");
    EXPECT_EQ(value(L"OriginalFilename"), L"Tolvane.exe");
    // Chinese text survives the resource compiler as Chinese.
    EXPECT_NE(value(L"FileDescription").find(L"服务器"), std::wstring::npos);
}

// The icon group holds a 32 x 32 and a 16 x 16 image of 16 colours each.
TEST_F(ResourcesTest, IconHasBothSizesInSixteenColours) {
    std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
    ASSERT_GE(group.size(), 6u);
    unsigned count = static_cast<unsigned char>(group[4]);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    std::vector<std::pair<int, int>> images;  // (size, colours)
    for (unsigned i = 0; i < count; ++i) {
        const char* entry = group.data() + 6 + 14 * i;
        images.emplace_back(static_cast<unsigned char>(entry[0]), static_cast<unsigned char>(entry[2]));
    }
    EXPECT_EQ(images, (std::vector<std::pair<int, int>>{{32, 16}, {16, 16}}));
}

// Common controls 6, per-monitor DPI awareness, no elevation, and no UTF-8
// code page: the list file and the registry texts stay in the ANSI code page.
TEST_F(ResourcesTest, ManifestAsksForControlsSixAndDpiAwareness) {
    std::string manifest = Resource(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("asInvoker"), std::string::npos);
    EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos);
}

}  // namespace
}  // namespace tolvane::e2e
