#pragma once
// A DSP sheet for the template preview's tests: real module and link
// objects kept by id. The highest issued id follows the modules added; ids
// without a module may lie below it, as after a deletion.
#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/ari_delay.h"
#include "model/base_link.h"
#include "shell/template_preview.h"

namespace preview_test {

class CPreviewSheet final : public shell::IPreviewSheet {
public:
    std::int32_t HighestModuleId() const override { return highest; }
    model::CBaseAriModule* ModuleById(std::int32_t id) const override {
        const auto it = modules.find(id);
        return it == modules.end() ? nullptr : it->second.get();
    }
    int LinkCount() const override { return static_cast<int>(links.size()); }
    model::CBaseLink* LinkAt(int index) const override {
        return links.at(static_cast<std::size_t>(index)).get();
    }
    platform::gdi::Size SheetSize() const override { return size; }

    // A delay module named `name` with its body's top-left corner at (x, y);
    // its body is 100 x 50.
    model::CAriDelay& AddDelay(std::int32_t id, std::int32_t x, std::int32_t y,
                               const std::string& name) {
        auto module = std::make_unique<model::CAriDelay>(id, 1, x, y);
        module->m_displayName = name;
        model::CAriDelay& added = *module;
        modules[id] = std::move(module);
        highest = std::max(highest, id);
        return added;
    }

    std::int32_t highest = 0;
    std::map<std::int32_t, std::unique_ptr<model::CBaseAriModule>> modules;
    std::vector<std::unique_ptr<model::CBaseLink>> links;
    platform::gdi::Size size{1500, 1000};
};

} // namespace preview_test
