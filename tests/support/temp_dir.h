#pragma once
// A folder of its own under the system's temporary folder for one test,
// removed with everything in it when the test ends.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace test_support {

class CTempDir {
public:
    explicit CTempDir(const std::string& prefix = "ostrel-test")
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~CTempDir()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace test_support
