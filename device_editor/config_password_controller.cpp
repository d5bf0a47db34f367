#include "device_editor/config_password_controller.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "model/messages.h"
#include "platform/profile/registry.h"
#include "resources/message_ids.h"

namespace device_editor {

namespace {

using platform::profile::hive;

// The registry's default value, under the name .reg files give it.
constexpr std::string_view kDefaultValueName = "@";

// The store holds the password: it is made private before the password
// goes in, whoever made it first (the profile writer keeps a file's mode
// when it rewrites it).
void MakePrivate(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    ::fchmod(fd, 0600);
    ::close(fd);
}

} // namespace

std::size_t Utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

CConfigPasswordController::CConfigPasswordController(std::filesystem::path storeFile)
    : m_storeFile(std::move(storeFile)) {}

bool CConfigPasswordController::Read(std::string& password) const {
    const std::optional<std::string> stored =
        platform::profile::registry_store_t(m_storeFile)
            .get(hive::local_machine, kConfigPassKey, kDefaultValueName);
    password = stored.value_or("");
    return stored.has_value();
}

bool CConfigPasswordController::Write(std::string_view password) {
    MakePrivate(m_storeFile);
    return platform::profile::registry_store_t(m_storeFile)
        .set(hive::local_machine, kConfigPassKey, kDefaultValueName, password);
}

int CConfigPasswordController::Check(std::string_view entered) const {
    if (entered == kMasterPassword)
        return 0;
    std::string stored;
    const int message = !Read(stored)       ? resources::kMsgPasswordReadFailed
                        : entered != stored ? resources::kMsgPasswordWrong
                                            : 0;
    if (message != 0)
        model::ShowMessage(message);
    return message;
}

CConfigPasswordController::ChangeResult
CConfigPasswordController::Change(std::string_view oldPassword, std::string_view newPassword,
                                  std::string_view confirmation) {
    ChangeResult result;
    std::string stored;
    if (!Read(stored))
        result = {resources::kMsgPasswordReadFailed, EField::Old};
    else if (oldPassword != stored)
        result = {resources::kMsgPasswordWrong, EField::Old};
    else if (Utf8Length(newPassword) > kMaxPasswordLength)
        result = {resources::kMsgPasswordTooLong, EField::New};
    else if (newPassword != confirmation)
        result = {resources::kMsgPasswordMismatch, EField::New};
    else if (!Write(newPassword))
        result = {resources::kMsgPasswordWriteFailed, EField::None};
    else
        result = {resources::kMsgPasswordChanged, EField::None, true};
    model::ShowMessage(result.message);
    return result;
}

} // namespace device_editor
