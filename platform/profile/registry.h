#pragma once
// A small file-backed stand-in for the registry values the program keeps
// (the configuration password, the framework profile): string values
// addressed by hive, key path and value name, kept in one ini-style file.
// Key paths and value names compare without regard to case, as the
// registry's do; values keep every character, including leading and
// trailing blanks, quotes and line breaks.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform::profile {

enum class hive { local_machine, current_user };

class registry_store_t {
public:
    explicit registry_store_t(std::filesystem::path file);

    std::optional<std::string> get(hive h, std::string_view key_path,
                                   std::string_view value_name) const;
    bool set(hive h, std::string_view key_path, std::string_view value_name,
             std::string_view value);
    bool erase_value(hive h, std::string_view key_path, std::string_view value_name);
    bool erase_key(hive h, std::string_view key_path);

private:
    std::filesystem::path file_;
};

} // namespace platform::profile
