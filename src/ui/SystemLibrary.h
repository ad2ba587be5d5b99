#pragma once

#include <windows.h>

namespace tolvane::ui {

// An entry point of a system DLL that older Windows versions may lack, or
// null. The DLL is loaded from the system directory by its full path, never
// through the search path.
FARPROC SystemFunction(const wchar_t* dllName, const char* functionName);

template <typename Function>
Function SystemFunctionAs(const wchar_t* dllName, const char* functionName) {
    // Through void(*)() so the compiler accepts the change of function type.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(SystemFunction(dllName, functionName)));
}

}  // namespace tolvane::ui
