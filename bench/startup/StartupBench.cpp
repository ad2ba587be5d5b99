// Measures how long Tolvane takes from process start until its main window is
// visible with the whole list in it, against a minimal raw Win32 program that
// does the same work, for list files of 0 and 10,000 records. Prints medians,
// minima, their ratios and the exe's size. A benchmark, not a test: it prints
// figures and judges nothing but whether each run completed.
//
//   StartupBench.exe <Tolvane.exe> <baseline.exe> <scratch folder> [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kTolvaneCaption = L"TolvaneV1.2";
constexpr const wchar_t* kBaselineCaption = L"Startup baseline";
constexpr const wchar_t* kListFileName = L"diablo.dat";
constexpr int kDefaultRuns = 7;
constexpr DWORD kRunTimeoutMs = 30000;
constexpr DWORD kSettleMs = 300;

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
        std::swprintf(line, 96, L"\"服务器 %05d\",\"10.%d.%d.%d\"\r\n", i, i / 65536, (i / 256) % 256,
                      i % 256);
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
        double ms = 1000.0 * static_cast<double>(now.QuadPart - begin.QuadPart) /
                    static_cast<double>(frequency.QuadPart);
        if (WindowReady(process.dwProcessId, program.caption, records + 1)) {
            ::QueryPerformanceCounter(&now);
            elapsed = 1000.0 * static_cast<double>(now.QuadPart - begin.QuadPart) /
                      static_cast<double>(frequency.QuadPart);
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

// The exe's size on disk, the figure a download is judged by.
void ReportExe(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        std::printf("exe: cannot read %s\n", Narrow(path).c_str());
        return;
    }
    std::printf("exe: %s, %lu bytes\n", Narrow(path).c_str(), static_cast<unsigned long>(data.nFileSizeLow));
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
    std::printf("\nstart-up: process start -> main window visible with its list filled, %d runs each\n",
                runs);
    std::printf("(the minimum is shown too: other load on the machine only ever adds time)\n");
    std::printf("%8s %14s %14s %8s %12s %12s %8s\n", "records", "Tolvane median", "baseline med.", "ratio",
                "Tolvane min", "baseline min", "ratio");
    bool allRan = true;
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
        std::printf("%8d %14.1f %14.1f %8.2f %12.1f %12.1f %8.2f\n", records, Median(tolvaneMs),
                    Median(baselineMs), ratio, tolvaneMin, baselineMin, tolvaneMin / baselineMin);
        PrintSamples(tolvane.label, tolvaneMs);
        PrintSamples(baseline.label, baselineMs);
    }
    return allRan ? 0 : 1;
}
