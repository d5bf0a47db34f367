#pragma once
// A pop-up slider that remembers where it was moved and how often hidden.
#include <cstdint>
#include <vector>

#include "attri_dialogs/attri_controller.h"

namespace attri_test {

class RecordingSlider final : public attri_dialogs::IPopupSlider {
public:
    void SetValue(std::int32_t p) override { positions.push_back(p); }
    void Hide() override { ++hides; }

    std::vector<std::int32_t> positions;
    int hides = 0;
};

} // namespace attri_test
