#include "ui/SystemLibrary.h"

#include <string>

namespace tolvane::ui {

FARPROC SystemFunction(const wchar_t* dllName, const char* functionName) {
    wchar_t directory[MAX_PATH];
    UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path = std::wstring(directory, length) + L"\\" + dllName;
    // Stays loaded for the life of the process, like a static import would.
    HMODULE module = ::LoadLibraryW(path.c_str());
    return module ? ::GetProcAddress(module, functionName) : nullptr;
}

}  // namespace tolvane::ui
