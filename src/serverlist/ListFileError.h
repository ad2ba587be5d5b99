#pragma once

#include <stdexcept>
#include <string>

namespace tolvane {

enum class ListFileOperation {
    Open,
    Read,
    Write,
    Flush,
    Close,
    // An edit stopped with the list neither as before nor as after it, its
    // whole copy left in "diablo.new" for the next action to settle.
    Unfinished,
};

// A failure of the list file or of its temporary copy. Names the file and
// the operation; callers decide what the user sees.
class ListFileError : public std::runtime_error {
public:
    ListFileError(std::wstring fileName, ListFileOperation operation);

    const std::wstring& fileName() const { return fileName_; }
    ListFileOperation operation() const { return operation_; }

private:
    std::wstring fileName_;
    ListFileOperation operation_;
};

}  // namespace tolvane
