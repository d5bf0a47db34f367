#include "device_editor/amplifier_readings.h"

#include <cmath>
#include <cstdlib>

#include "model/device_models.h"
#include "model/device_qovg.h"
#include "model/messages.h"
#include "platform/text/format.h"

namespace device_editor {

using platform::text::format;

namespace amplifier {

namespace {

constexpr int kScaleMarks = 7;

} // namespace

double FullScale(int k) {
    return model::CDeviceQOVG::kFullScale[RecordIndex(k)];
}

std::string ShowValue(int raw, int k, bool rawDisplay) {
    if (rawDisplay)
        return format("%d", raw);
    return format("%.1f", raw * FullScale(k) / kRawFullScale);
}

std::string ShowReading(int raw, int k, bool rawDisplay) {
    return raw < 0 ? std::string() : ShowValue(raw, k, rawDisplay);
}

int StoreValue(double typed, int k, bool rawDisplay) {
    const double raw = rawDisplay ? typed : typed * kRawFullScale / FullScale(k);
    return static_cast<int>(std::lround(raw));
}

std::string ScaleLabels(const model::CDeviceQOVG& unit, int k) {
    const bool raw = unit.m_rawDisplay[RecordIndex(k)] != 0;
    // The current and voltage scales are not linear: their marks are fixed.
    using marks_t = std::array<const char*, kScaleMarks>;
    marks_t fixed{};
    if (k == 0)
        fixed = raw ? marks_t{"1023", "869", "647", "358", "136", "68", "0"}
                    : marks_t{"15.0", "12.8", "9.5", "5.2", "2.0", "1.0", "0.0"};
    else if (k == 1)
        fixed = raw ? marks_t{"1023", "792", "358", "230", "102", "51", "0"}
                    : marks_t{"100.0", "77.5", "35.0", "22.5", "10.0", "5.0", "0.0"};
    std::string text;
    for (int j = 0; j < kScaleMarks; ++j) {
        std::string mark;
        if (k < 2) {
            mark = fixed[static_cast<std::size_t>(j)];
        } else {
            const double upper = unit.m_scaleUpper[RecordIndex(k)];
            const double lower = unit.m_scaleLower[RecordIndex(k)];
            const double value = upper - j * (upper - lower) / (kScaleMarks - 1);
            mark = raw ? format("%d", static_cast<int>(std::lround(value)))
                       : format("%.1f", value * FullScale(k) / kRawFullScale);
        }
        if (!text.empty())
            text += "\n\n";
        text += mark;
    }
    return text;
}

int ReadingBarPosition(int k, int raw) {
    if (raw < 0)
        return 1;
    double position = raw + 1.0;
    if (k == 0)
        position = raw < 136 ? 2.25 * raw + 1 : (raw - 136) * 0.8076923 + 307.9;
    else if (k == 1)
        position = raw < 102.3 ? 3.0 * raw + 1 : (raw - 102.3) * 0.7777778 + 307.9;
    return static_cast<int>(std::lround(position));
}

int VolumeBarPosition(float dB) {
    if (std::isnan(dB))
        return 1;
    return static_cast<int>(std::lround(1211.0 + 10.0 * (static_cast<double>(dB) - 21.0)));
}

std::string ShowVolume(float dB) {
    return std::isnan(dB) ? std::string() : format("%.1f", static_cast<double>(dB));
}

int SliderPosition(float dB) {
    return static_cast<int>(std::lround(1.0 - 10.0 * static_cast<double>(dB)));
}

float SliderGain(int position) {
    return static_cast<float>((1 - position) / 10.0);
}

std::size_t RecordIndex(int k) {
    return static_cast<std::size_t>(AnalogIndex(k));
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

double Decimal(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

std::string UnitTitle(int id, const model::CDeviceQOVG& unit) {
    return model::FormatMessage(id, model::ModelName(unit.m_typeCode), unit.m_name, unit.m_mac);
}

} // namespace amplifier

} // namespace device_editor
