// Measures how long Tolvane takes from process start until its main window is
// visible with the whole list in it, against a minimal raw Win32 program that
// does the same work, for list files of 0 and 10,000 records. Prints medians,
// the ratio, and the exe's size and imported DLLs. A benchmark, not a test:
// it prints figures and judges nothing but whether each run completed.
//
//   StartupBench.exe <Tolvane.exe> <baseline.exe> <scratch folder> [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kTolvaneCaption = L"TolvaneV1.2";
constexpr const wchar_t* kBaselineCaption = L"Startup baseline";
constexpr const wchar_t* kListFileName = L"diablo.dat";
constexpr int kDefaultRuns = 7;
constexpr DWORD kRunTimeoutMs = 30000;
constexpr DWORD kSettleMs = 300;
constexpr double kRatioTarget = 1.3;
constexpr long long kSizeTargetBytes = 400 * 1024;

struct Program {
    std::wstring path;
    const wchar_t* caption;
    const char* label;
};

std::string Narrow(const std::wstring& text) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    if (size > 1) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

// Writes `records` records in the list file's own form, names and addresses
// converted to the ANSI code page as Tolvane stores them.
bool WriteListFile(const std::wstring& folder, int records) {
    std::string bytes;
    for (int i = 1; i <= records; ++i) {
        wchar_t line[96];
        std::swprintf(line, 96, L"\"服务器 %05d\",\"10.%d.%d.%d\"\r\n", i, i / 65536, (i / 256) % 256, i % 256);
        int length = static_cast<int>(std::wcslen(line));
        int size = ::WideCharToMultiByte(CP_ACP, 0, line, length, nullptr, 0, nullptr, nullptr);
        std::size_t at = bytes.size();
        bytes.resize(at + static_cast<std::size_t>(size));
        ::WideCharToMultiByte(CP_ACP, 0, line, length, &bytes[at], size, nullptr, nullptr);
    }
    ::CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\" + kListFileName;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

struct WindowSearch {
    DWORD processId;
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    wchar_t caption[64];
    if (processId == search->processId && ::IsWindowVisible(window) &&
        ::GetWindowTextW(window, caption, 64) > 0 && std::wcscmp(caption, search->caption) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchListBox(HWND window, LPARAM param) {
    wchar_t className[16];
    if (::GetClassNameW(window, className, 16) > 0 && ::lstrcmpiW(className, L"ListBox") == 0) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

// True once the program's window is visible and its list box holds
// `expectedItems` items.
bool WindowReady(DWORD processId, const wchar_t* caption, LRESULT expectedItems) {
    WindowSearch search{processId, caption, nullptr};
    ::EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return false;
    HWND list = nullptr;
    ::EnumChildWindows(search.found, MatchListBox, reinterpret_cast<LPARAM>(&list));
    DWORD_PTR count = 0;
    return list && ::SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, kRunTimeoutMs, &count) &&
           static_cast<LRESULT>(count) == expectedItems;
}

// One start: milliseconds until ready, or a negative value on failure.
double TimeOneStart(const Program& program, const std::wstring& folder, int records) {
    std::wstring commandLine = L"\"" + program.path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER frequency, begin, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&begin);
    if (!::CreateProcessW(program.path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &process)) {
        return -1;
    }
    double elapsed = -1;
    for (;;) {
        ::QueryPerformanceCounter(&now);
        double ms = 1000.0 * static_cast<double>(now.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
        if (WindowReady(process.dwProcessId, program.caption, records + 1)) {
            ::QueryPerformanceCounter(&now);
            elapsed = 1000.0 * static_cast<double>(now.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
            break;
        }
        if (ms > kRunTimeoutMs || ::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
        ::Sleep(1);
    }
    ::TerminateProcess(process.hProcess, 0);
    ::WaitForSingleObject(process.hProcess, 5000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    // Lets the desktop finish tearing the window down, so the next start does
    // not pay for it.
    ::Sleep(kSettleMs);
    return elapsed;
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    std::size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

void PrintSamples(const char* label, const std::vector<double>& samples) {
    std::printf("    %-8s", label);
    for (double sample : samples) std::printf(" %7.1f", sample);
    std::printf("  ms\n");
}

// The PE file's imported DLL names, read from its import directory. Every
// offset is checked against the file, which is only data here.
class PeImports {
public:
    explicit PeImports(std::vector<unsigned char> image) : image_(std::move(image)) {}

    bool Read(std::vector<std::string>& names) {
        DWORD peOffset = 0;
        if (!Copy(0x3C, &peOffset, sizeof peOffset)) return false;
        DWORD signature = 0;
        IMAGE_FILE_HEADER file{};
        if (!Copy(peOffset, &signature, sizeof signature) || signature != IMAGE_NT_SIGNATURE ||
            !Copy(peOffset + 4, &file, sizeof file)) {
            return false;
        }
        std::size_t optional = peOffset + 4 + sizeof file;
        IMAGE_OPTIONAL_HEADER32 header{};
        if (!Copy(optional, &header, sizeof header) || header.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) return false;
        sections_ = optional + file.SizeOfOptionalHeader;
        sectionCount_ = file.NumberOfSections;
        DWORD rva = header.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        for (std::size_t at = Offset(rva); at != 0; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            IMAGE_IMPORT_DESCRIPTOR descriptor{};
            if (!Copy(at, &descriptor, sizeof descriptor)) return false;
            if (descriptor.Name == 0) return true;
            std::size_t name = Offset(descriptor.Name);
            if (name == 0) return false;
            std::size_t end = name;
            while (end < image_.size() && image_[end] != 0) ++end;
            if (end == image_.size()) return false;
            names.emplace_back(image_.begin() + static_cast<std::ptrdiff_t>(name),
                               image_.begin() + static_cast<std::ptrdiff_t>(end));
        }
        return rva == 0;
    }

private:
    bool Copy(std::size_t at, void* out, std::size_t size) const {
        if (at > image_.size() || size > image_.size() - at) return false;
        std::memcpy(out, image_.data() + at, size);
        return true;
    }

    // File offset of a relative virtual address, or 0 when no section holds it.
    std::size_t Offset(DWORD rva) const {
        for (std::size_t i = 0; i < sectionCount_; ++i) {
            IMAGE_SECTION_HEADER section{};
            if (!Copy(sections_ + i * sizeof section, &section, sizeof section)) return 0;
            DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size) {
                return section.PointerToRawData + (rva - section.VirtualAddress);
            }
        }
        return 0;
    }

    std::vector<unsigned char> image_;
    std::size_t sections_ = 0;
    std::size_t sectionCount_ = 0;
};

bool IsSystemDll(std::string name) {
    static const char* const kSystem[] = {"kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll",
                                          "comctl32.dll", "shell32.dll",  "ole32.dll",    "oleaut32.dll",
                                          "msvcrt.dll",   "shlwapi.dll",  "comdlg32.dll", "uxtheme.dll",
                                          "version.dll",  "ntdll.dll",    "msimg32.dll",  "imm32.dll"};
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return std::find_if(std::begin(kSystem), std::end(kSystem), [&](const char* s) { return name == s; }) !=
           std::end(kSystem);
}

void ReportExe(const std::wstring& path) {
    std::vector<unsigned char> image;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        LARGE_INTEGER size{};
        ::GetFileSizeEx(file, &size);
        image.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        if (!::ReadFile(file, image.data(), static_cast<DWORD>(image.size()), &got, nullptr) || got != image.size()) {
            image.clear();
        }
        ::CloseHandle(file);
    }
    if (image.empty()) {
        std::printf("exe: cannot read %s\n", Narrow(path).c_str());
        return;
    }
    long long bytes = static_cast<long long>(image.size());
    std::printf("exe: %s\n  size %lld bytes (%.1f KiB), target <= %lld KiB: %s\n", Narrow(path).c_str(), bytes,
                bytes / 1024.0, kSizeTargetBytes / 1024, bytes <= kSizeTargetBytes ? "met" : "MISSED");
    std::vector<std::string> dlls;
    PeImports imports(std::move(image));
    if (!imports.Read(dlls)) {
        std::printf("  import table unreadable\n");
        return;
    }
    bool systemOnly = true;
    std::printf("  imports:");
    for (const std::string& dll : dlls) {
        bool system = IsSystemDll(dll);
        systemOnly = systemOnly && system;
        std::printf(" %s%s", dll.c_str(), system ? "" : " (NOT A SYSTEM DLL)");
    }
    std::printf("\n  system DLLs only: %s\n", systemOnly ? "yes" : "NO");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: StartupBench <Tolvane.exe> <baseline.exe> <scratch folder> [runs]\n");
        return 2;
    }
    const Program tolvane{argv[1], kTolvaneCaption, "Tolvane"};
    const Program baseline{argv[2], kBaselineCaption, "baseline"};
    const std::wstring scratch = argv[3];
    const int runs = argc > 4 ? std::max(5, _wtoi(argv[4])) : kDefaultRuns;

    ReportExe(tolvane.path);
    std::printf("\nstart-up: process start -> main window visible with its list filled, %d runs each\n", runs);
    std::printf("(the minimum is shown too: other load on the machine only ever adds time)\n");
    std::printf("%8s %14s %14s %8s %12s %12s %8s\n", "records", "Tolvane median", "baseline med.", "ratio",
                "Tolvane min", "baseline min", "ratio");
    bool allRan = true;
    double ratioAtLargest = 0;
    for (int records : {0, 10000}) {
        std::wstring folder = scratch + L"\\list-" + std::to_wstring(records);
        if (!WriteListFile(folder, records)) {
            std::printf("cannot write the list file in %s\n", Narrow(folder).c_str());
            return 1;
        }
        // One unmeasured start each, so both pay the same cold-cache costs.
        TimeOneStart(tolvane, folder, records);
        TimeOneStart(baseline, folder, records);
        std::vector<double> tolvaneMs, baselineMs;
        for (int i = 0; i < runs; ++i) {
            // Interleaved, so drift in the machine's load hits both alike.
            tolvaneMs.push_back(TimeOneStart(tolvane, folder, records));
            baselineMs.push_back(TimeOneStart(baseline, folder, records));
        }
        bool ran = std::none_of(tolvaneMs.begin(), tolvaneMs.end(), [](double ms) { return ms < 0; }) &&
                   std::none_of(baselineMs.begin(), baselineMs.end(), [](double ms) { return ms < 0; });
        if (!ran) {
            std::printf("%8d  a run did not reach a filled, visible window within %lu ms\n", records,
                        static_cast<unsigned long>(kRunTimeoutMs));
            PrintSamples(tolvane.label, tolvaneMs);
            PrintSamples(baseline.label, baselineMs);
            allRan = false;
            continue;
        }
        double ratio = Median(tolvaneMs) / Median(baselineMs);
        double tolvaneMin = *std::min_element(tolvaneMs.begin(), tolvaneMs.end());
        double baselineMin = *std::min_element(baselineMs.begin(), baselineMs.end());
        std::printf("%8d %14.1f %14.1f %8.2f %12.1f %12.1f %8.2f\n", records, Median(tolvaneMs), Median(baselineMs),
                    ratio, tolvaneMin, baselineMin, tolvaneMin / baselineMin);
        PrintSamples(tolvane.label, tolvaneMs);
        PrintSamples(baseline.label, baselineMs);
        ratioAtLargest = ratio;
    }
    if (allRan) {
        std::printf("ratio of medians at 10,000 records %.2f, target <= %.1f: %s\n", ratioAtLargest, kRatioTarget,
                    ratioAtLargest <= kRatioTarget ? "met" : "MISSED");
    }
    return allRan ? 0 : 1;
}
