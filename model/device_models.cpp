#include "model/device_models.h"

#include "model/program_settings.h"

namespace model {

std::string_view ModelName(std::int32_t model) {
    if (model < 0 || model >= static_cast<std::int32_t>(kModelCount))
        return {};
    return g_szModelName[static_cast<std::size_t>(model)].text;
}

std::array<COLORREF, 4> ReadDeviceColours(std::int32_t model, COLORREF back) {
    return ReadDeviceColours(*ProgramSettings(), model, back);
}

std::array<COLORREF, 4> ReadDeviceColours(const CProgramSettings& settings, std::int32_t model,
                                          COLORREF back) {
    const CDeviceColourScheme& scheme = settings.DeviceColours(model);
    std::array<COLORREF, 4> colours{};
    colours[1] = scheme.fore;
    colours[0] = scheme.back.value_or(back);
    colours[3] = scheme.title;
    colours[2] = scheme.other;
    return colours;
}

} // namespace model
