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
    // Finishing a removal that stopped midway, when the list holds NUL bytes
    // that "diablo.new" does not account for: both stay as they are.
    Recover,
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
