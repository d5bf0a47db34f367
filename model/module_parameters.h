#pragma once
// The unit parameters of each DSP module class, one table a class: which
// field a command carries, its code, how its value travels, which channel
// numbers it names and the value the unit's block starts with. The
// download, the store program's resets, the parameter copy (binding groups,
// undo, templates), live control's reset to defaults and the attribute
// dialogs all read these tables, so a parameter is described once.
//
// The biquad sections of the equalizer, filter and crossover follow from
// several fields at once (frequency, gain, slope); each of those classes
// gives the rules of its sections beside its table.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "model/base_ari_module.h"
#include "model/filter_math.h"

namespace model {

// The parameter commands of a module, before the console frames them. A
// module is addressed by its execution order; float values travel as
// single-precision numbers.
class IParameterSink {
public:
    virtual ~IParameterSink() = default;
    virtual void SetI(int order, int code, int value) = 0;
    virtual void SetF(int order, int code, float value) = 0;
    virtual void SetII(int order, int code, int index, int value) = 0;
    virtual void SetIF(int order, int code, int index, float value) = 0;
    virtual void SetIIF(int order, int code, int a, int b, float value) = 0;
    virtual void SetFF(int order, int code, float a, float b) = 0;
    // One biquad section: b0 b1 b2, then a1 a2, under one index.
    virtual void Biquad(int order, int index, const BiquadCoeffs& section) = 0;
};

// How a held value goes on the wire.
enum class EParamEncoding {
    kInteger,        // switches, indices and counts as they are
    kLinear,         // a level in dB as 10^(dB / 20)
    kLin44,          // a level in dB as the linear gain x 44012
    kLin44Integer,   // the same, truncated to an integer (the dynamics' threshold)
    kSamples,        // a time in ms as samples at 48 kHz
    kEnvelopeTime,   // an attack or release in ms as the unit's envelope time
    kSweep,          // a frequency in Hz as the sweep's step count
    kSweepStepWidth, // a step-width list index as the width it stands for
    kReciprocal,     // a ratio as 1 / ratio
    kOscillator,     // a frequency in Hz as the oscillator's pair (2 cos w, sin w)
};

// The channel numbers a command names, and with them how often a
// parameter stands in a module.
enum class EChannelRule {
    kNone,           // once, no channel
    kUnitInput,      // once, the unit's input channel: the module id
    kUnitOutput,     // once, the unit's output channel: the module id less the eight inputs
    kPerInput,       // per input i, named i + 1
    kPerOutput,      // per output j, named j + 1
    kPerOutputInput, // per output j and, inside it, per input i: named j + 1, i + 1
};

// When a value counts as off its block's reset state for the download and
// the store program's resets.
enum class EOffReset {
    kDiffers,  // any value but the reset value
    kSwitched, // a switch: only the state other than its reset (1 - reset)
};

// A bit per variant (variants up to 63).
using VariantMask = std::uint64_t;
inline constexpr VariantMask kAllVariants = ~VariantMask{0};
constexpr VariantMask Variants(std::initializer_list<std::int32_t> variants) {
    VariantMask mask = 0;
    for (const std::int32_t v : variants)
        mask |= VariantMask{1} << v;
    return mask;
}
constexpr bool HasVariant(VariantMask mask, std::int32_t variant) {
    return variant >= 0 && variant < 64 && (mask >> variant & 1U) != 0;
}

struct ModuleParameter {
    const char* field = "";
    std::int32_t code = 0;
    EParamEncoding encoding = EParamEncoding::kInteger;
    EChannelRule channel = EChannelRule::kNone;
    // The field; `in` and `out` are the channel indices its rule walks
    // (0 where it walks none).
    double (*get)(const CBaseAriModule&, std::size_t in, std::size_t out) = nullptr;
    void (*set)(CBaseAriModule&, std::size_t in, std::size_t out, double) = nullptr;
    // The value the block starts with; `resetOf` for one that follows the
    // variant.
    double reset = 0.0;
    double (*resetOf)(std::int32_t variant) = nullptr;
    // The variants whose block has the parameter: downloaded, reset and
    // sent with a copy.
    VariantMask variants = kAllVariants;
    // Variants the download sends it in besides (0: none).
    VariantMask alsoDownloaded = 0;
    // Variants in which a copy takes the field without a command.
    VariantMask carried = 0;
    EOffReset offReset = EOffReset::kDiffers;
    // The download sends a switch that is on as 1, whatever it holds.
    bool downloadsOnAsOne = false;
    // The store program resets it once for every template that needs it,
    // not once in all.
    bool resetEachTemplate = false;

    double ResetValue(std::int32_t variant) const {
        return resetOf != nullptr ? resetOf(variant) : reset;
    }
};

// What the unit is told and what a copy takes of a class's biquad
// sections; null members for a class without sections.
struct SectionRules {
    void (*download)(const CBaseAriModule&, IParameterSink&) = nullptr;
    void (*reset)(const CBaseAriModule&, IParameterSink&) = nullptr;
    // `resetting`: a module put back to its defaults, where the unit wants
    // every section count before the sections they lay out.
    void (*copy)(const CBaseAriModule& source, CBaseAriModule& destination, IParameterSink* out,
                 bool resetting) = nullptr;
};

struct ModuleParameterTable {
    std::int32_t typeCode = 0;
    const char* className = "";
    bool (*isClass)(const CBaseAriModule&) = nullptr;
    // In the order a module is put back to its defaults.
    std::span<const ModuleParameter> parameters;
    // Positions in `parameters` where the download, or the copy, sends
    // them in another order; empty: the same.
    std::span<const std::uint8_t> downloadOrder;
    std::span<const std::uint8_t> copyOrder;
    // The inputs and outputs the per-channel parameters walk.
    std::size_t (*inputs)(const CBaseAriModule&) = nullptr;
    std::size_t (*outputs)(const CBaseAriModule&) = nullptr;
    // Copies the fields no command carries (counts first: they bound the
    // walks that follow).
    void (*carry)(const CBaseAriModule& source, CBaseAriModule& destination) = nullptr;
    SectionRules sections;
};

// Every class's table, by type code.
std::span<const ModuleParameterTable* const> ParameterTables();
// The table of a type code; null for one without a class.
const ModuleParameterTable* ParameterTableOf(std::int32_t typeCode);

// The download: the commands of every parameter off its reset state, in
// the unit's order. Nothing for a module not of its type code's class.
void WriteModuleParameters(const CBaseAriModule& module, IParameterSink& sink);

// The store program's resets: for every parameter off its reset state the
// command that puts it back. `each` takes those the unit wants once per
// template, `once` the others.
void WriteModuleResets(const CBaseAriModule& module, IParameterSink& once, IParameterSink& each);

// Every parameter of `source` that differs from `destination` is copied
// into it, and, when `out` is given, sent with its new value. `resetting`:
// `source` holds the defaults of the destination's variant, and the
// commands go in the order the unit is reset in. Both modules must be of
// the same type and variant; nothing happens otherwise.
void CopyModuleParameters(const CBaseAriModule& source, CBaseAriModule& destination,
                          IParameterSink* out, bool resetting = false);

// Sends `value` of `parameter` through the sink as its encoding and
// channel rule say, naming channels (from 0) `in` and `out` where the rule
// walks them. `module` gives the order and the unit channel.
void SendParameterValue(const ModuleParameter& parameter, const CBaseAriModule& module,
                        std::size_t in, std::size_t out, double value, IParameterSink& sink);

// The parameter of a class's table with this code; null when none.
const ModuleParameter* FindParameter(std::int32_t typeCode, std::int32_t code);

} // namespace model
