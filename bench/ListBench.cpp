// Prints the median time of each list operation for lists of 1,000, 10,000
// and 100,000 records with Chinese and ASCII names, and the time per record,
// which stays flat while the cost grows linearly with the list.
//
// On Windows the list lives in a fresh folder under %TEMP%; natively the
// in-memory host stands in for the file system (its code page conversion
// goes through iconv).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "serverlist/ServerList.h"
#include "serverlist/ServerListFile.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/Win32HostServices.h"
#else
#include "MemoryHostServices.h"
#endif

namespace {

using namespace tolvane;

#ifdef _WIN32
// A scratch working directory, emptied and removed at the end.
class Scratch {
public:
    Scratch() {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        ::GetCurrentDirectoryW(MAX_PATH, previous_);
        path_ = std::wstring(temp) + L"tolvane-bench-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(path_.c_str(), nullptr);
        ::SetCurrentDirectoryW(path_.c_str());
    }
    ~Scratch() {
        ::DeleteFileW(kListFileName);
        ::DeleteFileW(kTemporaryListFileName);
        ::SetCurrentDirectoryW(previous_);
        ::RemoveDirectoryW(path_.c_str());
    }
    HostServices& host() { return host_; }

private:
    Win32HostServices host_;
    wchar_t previous_[MAX_PATH];
    std::wstring path_;
};
#else
class Scratch {
public:
    HostServices& host() { return host_; }

private:
    testing::MemoryHostServices host_;
};
#endif

std::wstring Name(int i) { return (i % 2 ? L"服务器" : L"Server ") + std::to_wstring(i); }

std::wstring Address(int i) {
    return L"10." + std::to_wstring(i >> 16) + L"." + std::to_wstring((i >> 8) & 255) + L"." +
           std::to_wstring(i & 255);
}

double MedianMs(int runs, const std::function<void()>& operation, const std::function<void()>& restore = {}) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        operation();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (restore) restore();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    std::printf("%8s %12s %12s %12s %12s   (median ms; ns per record)\n", "records", "load", "find last",
                "add", "remove");
    for (int records : {1000, 10000, 100000}) {
        Scratch scratch;
        HostServices& host = scratch.host();
        ServerListFile file(host);
        file.OpenForWriting(kListFileName);
        for (int i = 0; i < records; ++i) file.WriteEntry({Name(i), Address(i)});
        file.Close();

        ServerList list(host);
        const int runs = records >= 100000 ? 7 : 15;
        const std::wstring middle = Name(records / 2);
        int appended = 0;
        // An add reads the whole list for clashes before it appends.
        auto add = [&](const std::wstring& name, const std::wstring& address) {
            if (list.AppendEntry({name, address}).conflict) std::abort();
        };
        double ms[4] = {
            MedianMs(runs,
                     [&] {
                         list.EnsureListFile();
                         if (list.LoadNames().size() != static_cast<std::size_t>(records)) std::abort();
                     }),
            MedianMs(runs, [&] { list.FindAddress(Name(records - 1)); }),
            MedianMs(runs,
                     [&] {
                         ++appended,
                             add(L"追加 " + std::to_wstring(appended), L"x" + std::to_wstring(appended));
                     }),
            MedianMs(
                runs, [&] { list.RemoveEntries(middle); }, [&] { add(middle, Address(records / 2)); }),
        };
        std::printf("%8d", records);
        for (double value : ms) std::printf(" %12.2f", value);
        std::printf("\n%8s", "");
        for (double value : ms) std::printf(" %12.0f", value * 1e6 / records);
        std::printf("\n");
    }
    return 0;
}
