#include "attri_dialogs/attri_commands.h"

#include "model/value_encodings.h"

namespace attri_dialogs {

void CConsoleCommandSink::SendSetI(int order, int code, int value) {
    m_console.SendSetI(order, code, value, false);
}

void CConsoleCommandSink::SendSetII(int order, int code, int channel, int value) {
    m_console.SendSetII(order, code, channel, value, false);
}

void CConsoleCommandSink::SendSetIF(int order, int code, int channel, float value) {
    m_console.SendSetIF(order, code, channel, value, false);
}

void CConsoleCommandSink::SendSetF(int order, int code, float value) {
    m_console.SendSetF(order, code, value, false);
}

void CConsoleCommandSink::SendSetIFF(int order, int code, int index, float a, float b) {
    m_console.SendSetIFF(order, code, index, a, b, false);
}

void CConsoleCommandSink::SendSetIFFF(int order, int code, int index, float a, float b, float c) {
    m_console.SendSetIFFF(order, code, index, a, b, c, false);
}

void CConsoleCommandSink::SendSetIIF(int order, int code, int a, int b, float value) {
    m_console.SendSetIIF(order, code, a, b, value, false);
}

void CConsoleCommandSink::SendGet(int order, int code) {
    m_console.SendGet(order, code);
}

void CConsoleCommandSink::SendGetChannel(int order, int code, int channel) {
    m_console.SendGetChannel(order, code, channel);
}

void CConsoleCommandSink::SendSetFF(int order, int code, float a, float b) {
    m_console.SendSetFF(order, code, a, b, false);
}

std::variant<std::int32_t, float> EncodeValue(EValueEncoding encoding, double value) {
    switch (encoding) {
    case EValueEncoding::kInteger:
        return model::TruncateToInt32(value);
    case EValueEncoding::kLinear:
        return static_cast<float>(model::LinFromDb(value));
    case EValueEncoding::kLin44:
        return static_cast<float>(model::Lin44FromDb(value));
    case EValueEncoding::kSamples:
        return model::SamplesFromMs(value);
    case EValueEncoding::kTime:
        return model::EnvelopeTimeFromMs(value);
    case EValueEncoding::kSweep:
        return model::SweepFromHz(value);
    }
    return model::TruncateToInt32(value);
}

namespace {

std::int32_t AsInteger(const std::variant<std::int32_t, float>& value) {
    if (const auto* integer = std::get_if<std::int32_t>(&value))
        return *integer;
    return model::TruncateToInt32(std::get<float>(value));
}

float AsFloat(const std::variant<std::int32_t, float>& value) {
    if (const auto* real = std::get_if<float>(&value))
        return *real;
    return static_cast<float>(std::get<std::int32_t>(value));
}

} // namespace

void SendParameter(IAttriCommandSink& sink, EBuilder builder, EValueEncoding encoding, int order,
                   int code, int channel, double value) {
    const std::variant<std::int32_t, float> encoded = EncodeValue(encoding, value);
    switch (builder) {
    case EBuilder::kSetI:
        sink.SendSetI(order, code, AsInteger(encoded));
        break;
    case EBuilder::kSetII:
        sink.SendSetII(order, code, channel, AsInteger(encoded));
        break;
    case EBuilder::kSetIF:
        sink.SendSetIF(order, code, channel, AsFloat(encoded));
        break;
    case EBuilder::kSetF:
        sink.SendSetF(order, code, AsFloat(encoded));
        break;
    }
}

} // namespace attri_dialogs
