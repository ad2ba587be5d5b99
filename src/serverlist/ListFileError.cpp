#include "serverlist/ListFileError.h"

namespace tolvane {
namespace {

const char* OperationText(ListFileOperation operation) {
    switch (operation) {
        case ListFileOperation::Open:
            return "cannot open";
        case ListFileOperation::Read:
            return "cannot read";
        case ListFileOperation::Write:
            return "cannot write";
        case ListFileOperation::Flush:
            return "cannot flush to disk";
        case ListFileOperation::Close:
            return "cannot close";
        case ListFileOperation::Unfinished:
            return "an edit is left unfinished";
    }
    return "failed";
}

// what() stays plain ASCII so any log or debugger shows it; the file names in
// use are ASCII anyway.
std::string Message(const std::wstring& fileName, ListFileOperation operation) {
    std::string text = "list file \"";
    for (wchar_t c : fileName) text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    text += "\": ";
    text += OperationText(operation);
    return text;
}

}  // namespace

ListFileError::ListFileError(std::wstring fileName, ListFileOperation operation)
    : std::runtime_error(Message(fileName, operation)),
      fileName_(std::move(fileName)),
      operation_(operation) {}

}  // namespace tolvane
