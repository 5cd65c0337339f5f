// A shortcut file read back: its target and working directory.
#pragma once

#include <string>

namespace test {

struct Link {
    std::wstring target;
    std::wstring directory;
};
Link ReadLink(const std::wstring& path);

}  // namespace test
