#pragma once
#include "tests/support/scoped_env.h"
// Temporary folders, files and environment for the shell's tests.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace shell_test {

// A fresh folder, removed with everything in it at the end of the scope.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

using test_support::ScopedEnv;

void WriteFile(const std::filesystem::path& file, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& file);

// A pack holding every built-in text as it is, in pack form.
std::string CompletePack();
// A built-in text in pack form: its control characters and '\' escaped.
std::string PackText(std::string_view text);

} // namespace shell_test
