#include "attri_dialogs/slider_scale.h"

#include "model/value_encodings.h"

namespace attri_dialogs {

double SliderLevel(std::int32_t position) {
    return position * 0.1 - 100.0;
}

std::int32_t SliderPosition(double dB) {
    return 1000 - model::TruncateToInt32(-10.0 * dB);
}

} // namespace attri_dialogs
