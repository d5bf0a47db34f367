#pragma once
// Live control of a DSP sheet beside the copy of parameters: a module put
// back to the values it was built with, and the meter readings the unit
// answers the meter dialogs' get commands with.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "comm/dsp_console.h"
#include "model/base_ari_module.h"

namespace dsp_editor {

// A new module of the module's type and variant, built as the sheet builds
// one (same id and place): the holder of its reset values. Null for a type
// without a class.
std::unique_ptr<model::CBaseAriModule> DefaultModuleLike(const model::CBaseAriModule& module,
                                                         std::int32_t deviceModel);

// Gives `target` the parameters of a new module of its type and variant,
// queuing on the console's control queue, when `send` is set, the unit
// command of each changed one. The fields are those the copy of parameters
// carries (what undo and the binding groups put back), so a value the
// variant does not use, as a limiter's ratio, is kept. The commands come as
// the copy sends them, except that an input sends its gain index (104)
// before its phantom power (105), and a crossover sends the section count
// of every filter position in use (609) before any of their sections
// (607). False, with nothing changed, for a type without a class.
bool ResetParameters(model::CBaseAriModule& target, std::int32_t deviceModel, bool send,
                     comm::CDSPDlgShowCMD& console);

// The parts a meter reply names: "<get command> <reply>", as
// "*NyGET 7 106 2# *-23.5#".
struct MeterReading {
    std::int32_t order = 0;
    std::int32_t code = 0;
    // The get's channel; none when the get names none.
    std::optional<std::int32_t> channel;
    double dB = 0.0;
};

// The reading of a meter reply; none when the text has more than 20
// blank-separated parts, lacks the order, code or reply, or the reply is
// not a finite number framed by "*" and "#".
std::optional<MeterReading> ParseMeterReply(std::string_view text);

// The output of the module whose level the reading holds (from 0): the
// channel's for an input, router, mixer or crossover (0 when the get named
// none), else 0. None unless the code is the one the module's type reads
// its level back with; an output module reads nothing back.
std::optional<std::int32_t> MeterTap(const model::CBaseAriModule& module,
                                     const MeterReading& reading);

// The unit channel number (from 1) of an input module's tap `pin` (from 0):
// pin + 1, on device model 3 with the channels from 7 up traded within
// their odd/even pair.
std::int32_t MeterInputChannel(std::int32_t pin, std::int32_t deviceModel);

} // namespace dsp_editor
