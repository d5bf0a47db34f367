#pragma once
// The password that guards the units' stored hardware configuration, and the
// logic of its two dialogs: the prompt before the hardware dialog opens and
// the change of the stored password.
//
// The stored password is the default value of HKEY_LOCAL_MACHINE
// "SOFTWARE\Ostrel\ConfigPass" in the program's registry store; the shell
// writes its initial password there at every start. A fixed master password
// opens the prompt as well but is never stored and never accepted as the old
// password. Passwords compare exactly and are read whole.
#include <filesystem>
#include <string>
#include <string_view>

namespace device_editor {

inline constexpr std::string_view kConfigPassKey = "SOFTWARE\\Ostrel\\ConfigPass";
inline constexpr std::string_view kMasterPassword = "KW702815936";
// Characters (not bytes) a new password may have.
inline constexpr std::size_t kMaxPasswordLength = 20;

class CConfigPasswordController {
public:
    // The registry store file (Registry.ini in the program folder); created
    // readable by its owner alone when a write makes it.
    explicit CConfigPasswordController(std::filesystem::path storeFile);

    // The stored password; false when the key or its value is missing.
    bool Read(std::string& password) const;
    bool Write(std::string_view password);

    // The prompt's OK: 0 accepted, else the id of the message it showed
    // (the focus then goes to the password box).
    int Check(std::string_view entered) const;

    // The change dialog's box a failed change puts the focus on.
    enum class EField { None, Old, New };
    struct ChangeResult {
        int message = 0; // shown in every case
        EField focus = EField::None;
        bool changed = false;
    };
    // The change dialog's "修改": each check in turn, then the write. Shows
    // its message through model::ShowMessage.
    ChangeResult Change(std::string_view oldPassword, std::string_view newPassword,
                        std::string_view confirmation);

private:
    std::filesystem::path m_storeFile;
};

// Number of characters of UTF-8 text (a byte that starts no sequence counts
// as one).
std::size_t Utf8Length(std::string_view text);

} // namespace device_editor
