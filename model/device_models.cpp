#include "model/device_models.h"

#include "model/program_folder.h"
#include "platform/profile/profile.h"

namespace model {

std::string_view ModelName(std::int32_t model) {
    if (model < 0 || model >= static_cast<std::int32_t>(kModelCount))
        return {};
    return g_szModelName[static_cast<std::size_t>(model)].text;
}

std::array<COLORREF, 4> ReadDeviceColours(std::int32_t model, COLORREF back) {
    const platform::profile::ini_file_t ini(ProgramIniPath());
    const std::string name(ModelName(model));
    const auto read = [&](const char* key, COLORREF def) {
        return static_cast<COLORREF>(
            ini.read_int("ColorScheme", name + key, static_cast<int>(def)));
    };
    std::array<COLORREF, 4> colours{};
    colours[1] = read("Fore", 0);
    colours[0] = read("Back", back);
    colours[3] = read("Title", 0);
    colours[2] = read("Other", 0);
    return colours;
}

} // namespace model
