#include "ui/Messages.h"

#include <windows.h>

#include "serverlist/ServerList.h"

namespace tolvane::ui {
namespace {

const std::wstring kGameNotFound = L"未发现游戏目录，请先运行一次暗黑破坏神II。";

// How to lift the limits of a list without the mark.
const std::wstring kSaveWithMark =
    L"（用记事本把 diablo.dat 另存为“带有 BOM 的 UTF-8”编码后，就可以使用任何字符。）";
// Why a UTF-8 list without the mark takes fewer characters.
const std::wstring kUnmarkedUtf8Rule =
    L"服务器列表文件是不带签名（BOM）的 UTF-8 "
    L"文件：名称和地址都不能含有双引号或换行符；每一行除英文字母、数字和"
    L"符号外只能用汉字、中文标点、全角字符和常用标点（如 ·、—、…、“”），并且至少要有一个汉字，"
    L"否则这一行会被当作本系统编码的文字读取。"
    L"请修改后再试。\n\n" +
    kSaveWithMark;
// Why a name or address in the code page would read as other text.
const std::wstring kReadsAsUtf8 =
    L"按本系统编码保存后，它的字节恰好也是 UTF-8 "
    L"文字，下次读取时会变成别的字。请改动其中的一个字后再试。\n\n" +
    kSaveWithMark;
// An edit left neither done nor undone.
const std::wstring kUnfinished =
    L"没有完成：服务器列表文件 diablo.dat 现在无法写入，新的列表留在临时文件 diablo.new 中。Tolvane "
    L"下次启动或操作列表时会根据这两个文件处理这次修改。";
const std::wstring kUnsettledList =
    L"服务器列表文件 diablo.dat 和临时文件 diablo.new 对不上（上次修改列表时没有完成）。"
    L"为免丢失服务器，在检查这两个文件之前不能";

// The system's own text for an error code, in its language, without the line
// end. A text with an insert ("%1 不是有效的 Win32 应用程序。") gets `subject`
// in its place.
std::wstring SystemErrorText(std::uint32_t code, const std::wstring& subject) {
    wchar_t buffer[512];
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                    0, buffer, sizeof buffer / sizeof buffer[0], nullptr);
    std::wstring text(buffer, length);
    for (std::size_t at = text.find(L"%1"); at != std::wstring::npos;
         at = text.find(L"%1", at + subject.size()))
        text.replace(at, 2, subject);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return text;
}

// Why the game did not start. The game-not-found text stays for what it says:
// no game key, or a key without its folder.
std::wstring WhyNotStarted(const LaunchResult& launch) {
    switch (launch.outcome) {
        case LaunchOutcome::NoFolder:
            return L"游戏目录“" + launch.folder +
                   L"”不存在。如果游戏已移到别处，请在新的位置运行一次暗黑破坏神II。";
        case LaunchOutcome::NoProgram:
            return L"游戏目录“" + launch.folder + L"”中既没有 d2load.exe，也没有 Diablo II.exe。";
        case LaunchOutcome::Refused: {
            std::wstring reason =
                SystemErrorText(launch.error, launch.program.substr(launch.program.rfind(L'\\') + 1));
            std::string code = std::to_string(launch.error);  // std::to_wstring needs more of msvcrt
            return L"Windows 无法运行“" + launch.program + L"”" + (reason.empty() ? L"" : L"：" + reason) +
                   L"（错误代码 " + std::wstring(code.begin(), code.end()) + L"）";
        }
        case LaunchOutcome::Started:
        case LaunchOutcome::NoGameKey:
        case LaunchOutcome::NoInstallPath:
            break;
    }
    return kGameNotFound;
}

}  // namespace

std::optional<Message> MessageFor(const ConnectResult& result, const std::wstring& server) {
    switch (result.outcome) {
        case ConnectOutcome::Registered:
            return Message{L"注册成功！", L"成功"};
        case ConnectOutcome::NothingSelected:
            return Message{L"请先在列表中选择要连接的服务器。", kErrorTitle};
        case ConnectOutcome::Failed: {
            // The gateway was set before the start was tried; the mark shows it, and so does the message.
            std::wstring why = WhyNotStarted(result.launch);
            if (result.gatewaySet)
                why = L"服务器已设为“" + server + L"”，但游戏没有启动。\n\n" + why;
            else if (why != kGameNotFound)
                why = L"游戏没有启动。\n\n" + why;
            return Message{why, L"失败"};
        }
        case ConnectOutcome::GatewayNotChanged:
            return Message{
                L"无法修改游戏的注册表设置，可能被安全软件拦截了。服务器没有切换。\n\n"
                L"请在安全软件中允许 Tolvane 修改注册表，然后再试一次。",
                L"失败"};
        case ConnectOutcome::ServerLeftList:
            return Message{L"服务器“" + server +
                               L"”已不在服务器列表文件中，服务器没有切换。\n\n"
                               L"列表已按文件现在的内容重新载入。",
                           L"失败"};
        case ConnectOutcome::ListFileFailed:
            return Message{L"服务器列表文件无法读取，它可能正被其他程序占用。服务器没有切换。", kErrorTitle};
        case ConnectOutcome::ListFileMissing:
            return Message{
                L"找不到服务器列表文件 diablo.dat，它可能已被删除、移走或改名。服务器没有切换。\n\n"
                L"请把它放回原来的文件夹；如果不再需要原来的列表，重新启动 Tolvane 会新建一个空的列表文件。",
                kErrorTitle};
        case ConnectOutcome::Started:
            break;
    }
    return std::nullopt;
}

// The add window's refusals all carry the error title; the window stays open.
std::optional<Message> MessageFor(AddOutcome outcome) {
    switch (outcome) {
        case AddOutcome::NameMissing:
            return Message{L"请输入服务器名称", kErrorTitle};
        case AddOutcome::AddressMissing:
            return Message{L"请输入服务器IP地址", kErrorTitle};
        case AddOutcome::NameNotStorable:
            return Message{L"服务器名称不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。",
                           kErrorTitle};
        case AddOutcome::NameReadsAsUtf8:
            return Message{L"这个服务器名称不能保存：" + kReadsAsUtf8, kErrorTitle};
        case AddOutcome::NameNotStorableInUnicode:
            return Message{L"服务器名称不能含有双引号或换行符，请修改后再试。", kErrorTitle};
        case AddOutcome::NameNotStorableInUnmarkedUtf8:
            return Message{L"这个服务器名称不能这样保存：" + kUnmarkedUtf8Rule, kErrorTitle};
        case AddOutcome::AddressNotStorable:
            return Message{L"服务器IP地址不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。",
                           kErrorTitle};
        case AddOutcome::AddressReadsAsUtf8:
            return Message{L"这个服务器IP地址不能保存：" + kReadsAsUtf8, kErrorTitle};
        case AddOutcome::AddressNotStorableInUnmarkedUtf8:
            return Message{L"这个服务器IP地址不能这样保存：" + kUnmarkedUtf8Rule, kErrorTitle};
        case AddOutcome::Conflict:
            return Message{L"有相同的服务器名或是IP已经存在", kErrorTitle};
        case AddOutcome::ListFileFailed:
            return Message{L"服务器列表文件无法读写，服务器没有添加。", kErrorTitle};
        case AddOutcome::Unfinished:
            return Message{L"新增" + kUnfinished, kErrorTitle};
        case AddOutcome::ListUnsettled:
            return Message{L"服务器没有添加：" + kUnsettledList + L"新增服务器（见启动时的提示）。",
                           kErrorTitle};
        case AddOutcome::Added:
            break;
    }
    return std::nullopt;
}

std::optional<Message> MessageFor(DeleteOutcome outcome) {
    switch (outcome) {
        case DeleteOutcome::Protected:
            return Message{L"此项不能删除！", L"失败"};
        case DeleteOutcome::ListFileFailed:
            return Message{L"删除失败：服务器列表文件无法读写。列表显示的是文件现在的内容。", kErrorTitle};
        case DeleteOutcome::ListUnreadable:
            return Message{
                L"删除失败：服务器列表文件无法读写，现在也无法读取，所以列表中暂时只显示“官方战网”。"
                L"请关闭正在使用这个文件的程序，然后重新启动 Tolvane。",
                kErrorTitle};
        case DeleteOutcome::Unfinished:
            return Message{L"删除" + kUnfinished + L"在此之前，列表显示的是 diablo.dat 现在能读出的内容。",
                           kErrorTitle};
        case DeleteOutcome::ListUnsettled:
            return Message{L"删除失败：" + kUnsettledList + L"删除服务器（见启动时的提示）。", kErrorTitle};
        case DeleteOutcome::NothingSelected:
            return Message{L"请先在列表中选择要删除的服务器。", kErrorTitle};
        case DeleteOutcome::Declined:
        case DeleteOutcome::Removed:
            break;
    }
    return std::nullopt;
}

std::optional<Message> MessageFor(const StartupList& start) {
    const std::wstring in = L"文件夹“" + start.folder + L"”中的";
    const std::wstring file =
        (start.file == kTemporaryListFileName ? L"服务器列表的临时文件 " : L"服务器列表文件 ") + start.file;
    switch (start.problem) {
        case ListProblem::CannotCreate:
            return Message{
                L"无法创建" + in + file +
                    L"，这个文件夹或它所在的磁盘可能是只读的。\n\n"
                    L"请从可以写入的文件夹启动 Tolvane（例如把它放到“文档”里的一个文件夹中再运行）。"
                    L"在此之前，新增的服务器无法保存。",
                kErrorTitle};
        case ListProblem::CannotRead:
            return Message{L"无法读取" + in + file +
                               L"，它可能正被其他程序占用。\n\n"
                               L"请关闭正在使用这个文件的程序，然后重新启动 Tolvane。",
                           kErrorTitle};
        case ListProblem::NotAFile:
            return Message{in + L" diablo.dat 是一个文件夹，不是服务器列表文件。\n\n"
                                L"请把这个文件夹改名或移走，然后重新启动 Tolvane。",
                           kErrorTitle};
        case ListProblem::Unsettled:
            return Message{
                in + L"服务器列表文件 diablo.dat 和同一文件夹中的临时文件 diablo.new 对不上："
                     L"上次新增或删除服务器时没有完成（可能是断电或程序被强行关闭），Tolvane "
                     L"无法判断哪一个是完整的列表。"
                     L"两个文件都保持原样。\n\n"
                     L"请用记事本打开这两个文件对照：把只在 diablo.new 中有的服务器复制到 diablo.dat，"
                     L"删掉 diablo.dat 中残缺或错乱的行，保存后删除 diablo.new。在此之前，列表只显示 "
                     L"diablo.dat 中能读出的服务器，不能新增或删除服务器。",
                kErrorTitle};
        case ListProblem::None:
            break;
    }
    return std::nullopt;
}

}  // namespace tolvane::ui
