#include "dsp_editor/parameter_templates.h"

#include <algorithm>
#include <system_error>

#include "model/ari_classes.h"
#include "model/sheet_classes.h"
#include "platform/app_paths/app_paths.h"
#include "platform/archive/archive.h"
#include "platform/archive/file.h"
#include "resources/message_ids.h"

namespace dsp_editor {

namespace fs = std::filesystem;
namespace pa = platform::archive;

namespace {

constexpr std::string_view kParameterTemplateFolderName = "AttriModules";

} // namespace

fs::path ParameterTemplateFolder() {
    const fs::path program = platform::app_paths::ProgramFolder();
    return platform::app_paths::FindNoCase(program, kParameterTemplateFolderName)
        .value_or(program / kParameterTemplateFolderName);
}

std::string ParameterTemplateFileName(const model::CBaseAriModule& module, std::string_view name) {
    return std::string(model::AriTypeName(module.m_typeCode)) + std::to_string(module.m_subType) +
           "_" + std::string(name) + ".amu";
}

std::vector<std::uint8_t> StoreParameterTemplate(std::string_view name,
                                                 model::CBaseAriModule& module) {
    pa::archive_t ar;
    ar << kAmuTag << name << kAmuVersion << module.m_typeCode << module.m_subType;
    module.Serialize(ar);
    return ar.TakeBytes();
}

LoadedAmu LoadParameterTemplate(std::span<const std::uint8_t> bytes, std::int32_t type,
                                std::int32_t variant,
                                std::optional<std::string_view> expectedName) {
    LoadedAmu loaded;
    const auto fail = [&](int message) {
        loaded.problem = message;
        loaded.module.reset();
        return std::move(loaded);
    };
    try {
        pa::archive_t ar(bytes, model::SheetClasses());
        std::string tag;
        std::int32_t version = 0, storedType = 0, storedVariant = 0;
        ar >> tag >> loaded.name;
        if (tag != kAmuTag || (expectedName && loaded.name != *expectedName))
            return fail(resources::kMsgAmuBadFormat);
        ar >> version;
        if (version != 1 && version != 2)
            return fail(resources::kMsgAmuBadVersion);
        ar >> storedType >> storedVariant;
        if (storedType != type || storedVariant != variant)
            return fail(resources::kMsgAmuBadType);
        loaded.module = model::CreateAriModule(type);
        if (!loaded.module)
            return fail(resources::kMsgAmuCreateFailed);
        // No class tag gives the module's own part its schema: the version
        // of the file does.
        ar.SetObjectSchema(static_cast<std::uint32_t>(version));
        loaded.module->Serialize(ar);
        // A module of the class that claims another variant would copy
        // parameters it does not have.
        if (loaded.module->m_typeCode != type || loaded.module->m_subType != variant)
            return fail(resources::kMsgAmuBadFormat);
    } catch (const pa::archive_error&) {
        return fail(resources::kMsgAmuBadFormat);
    }
    return loaded;
}

std::vector<ParameterTemplateRow> ListParameterTemplates(const fs::path& folder, std::int32_t type,
                                                         std::int32_t variant) {
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error))
            files.push_back(it->path());
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });

    std::vector<ParameterTemplateRow> rows;
    for (const fs::path& file : files) {
        std::vector<std::uint8_t> bytes;
        try {
            bytes = pa::read_file(file);
        } catch (const std::system_error&) {
            continue;
        }
        LoadedAmu loaded = LoadParameterTemplate(bytes, type, variant);
        if (loaded.problem == 0)
            rows.push_back({std::move(loaded.name), file});
    }
    return rows;
}

} // namespace dsp_editor
