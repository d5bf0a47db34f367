#pragma once
// How the attribute dialogs reach the unit: the command builders they call,
// with the module's execution order first and the parameter code second,
// and the device encodings of the values they hold. Settings go on the
// console's control queue, the meter's reads on its get queue.
#include <cstdint>
#include <variant>

#include "comm/dsp_console.h"

namespace attri_dialogs {

// The builders the dialogs use, as the console formats them.
class IAttriCommandSink {
public:
    virtual ~IAttriCommandSink() = default;
    // "*SET order code value "
    virtual void SendSetI(int order, int code, int value) = 0;
    // "*SET order code channel value ", the channel traded within its pair
    // where the unit's wiring wants it
    virtual void SendSetII(int order, int code, int channel, int value) = 0;
    // "*SET order code channel value" with the value printed as "%e"
    virtual void SendSetIF(int order, int code, int channel, float value) = 0;
    // "*SET order code value" with the value printed as "%e"
    virtual void SendSetF(int order, int code, float value) = 0;
    // "*SET order code index a b" with the values printed as "%e"
    virtual void SendSetIFF(int order, int code, int index, float a, float b) = 0;
    // "*SET order code index a b c" with the values printed as "%e"
    virtual void SendSetIFFF(int order, int code, int index, float a, float b, float c) = 0;
    // "*SET order code a b value" with the value printed as "%e"
    virtual void SendSetIIF(int order, int code, int a, int b, float value) = 0;
    // "*GET order code " and "*GET order code channel ", on the get queue
    virtual void SendGet(int order, int code) = 0;
    virtual void SendGetChannel(int order, int code, int channel) = 0;
    // "*SET order code a b" with both values printed as "%e"
    virtual void SendSetFF(int order, int code, float a, float b) = 0;
};

// The sink of a view's console: its control queue.
class CConsoleCommandSink final : public IAttriCommandSink {
public:
    explicit CConsoleCommandSink(comm::CDSPDlgShowCMD& console) : m_console(console) {}
    void SendSetI(int order, int code, int value) override;
    void SendSetII(int order, int code, int channel, int value) override;
    void SendSetIF(int order, int code, int channel, float value) override;
    void SendSetF(int order, int code, float value) override;
    void SendSetIFF(int order, int code, int index, float a, float b) override;
    void SendSetIFFF(int order, int code, int index, float a, float b, float c) override;
    void SendSetIIF(int order, int code, int a, int b, float value) override;
    void SendGet(int order, int code) override;
    void SendGetChannel(int order, int code, int channel) override;
    void SendSetFF(int order, int code, float a, float b) override;

private:
    comm::CDSPDlgShowCMD& m_console;
};

// How a held value goes on the wire.
enum class EValueEncoding {
    kInteger, // switches 0 or 1, list positions as their index
    kLinear,  // a level in dB as 10^(dB / 20)
    kLin44,   // a level in dB as the linear gain x 44012
    kSamples, // a delay in ms as samples at 48 kHz
    kTime,    // an attack or release in ms as the unit's envelope time
    kSweep,   // a frequency in Hz as the sweep's step count
};

// The builder a parameter is sent with.
enum class EBuilder { kSetI, kSetII, kSetIF, kSetF };

// The device value of `value`: an integer for the integer encodings, a
// single-precision number for the others.
std::variant<std::int32_t, float> EncodeValue(EValueEncoding encoding, double value);

// Sends `value` in its encoding through the builder, with `channel` for the
// builders that carry one.
void SendParameter(IAttriCommandSink& sink, EBuilder builder, EValueEncoding encoding, int order,
                   int code, int channel, double value);

} // namespace attri_dialogs
