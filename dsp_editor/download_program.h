#pragma once
// The download program of a DSP sheet: the unit's text commands that reset
// it, create every processing block in execution order, wire the blocks,
// set every parameter that differs from its block's reset state, switch on
// the meter taps, end the program and start it.
//
// The program is written into a sink. The view's console is one (each
// command queued as it comes); the template store keeps its program aside
// until it is whole.
#include <string_view>

#include "comm/dsp_console.h"
#include "model/base_ari_module.h"
#include "model/filter_math.h"
#include "model/module_parameters.h"

namespace dsp_editor {

class CZoDSPDoc;

// The command forms of a program, before the maker prefix and framing: the
// parameter commands, and the program's own. A block is addressed by its
// execution order.
class IProgramSink : public model::IParameterSink {
public:
    virtual void Text(std::string_view text) = 0;
    virtual void MDU(int type, int order, int variant) = 0;
    virtual void ILK(int toOrder, int toPin, int fromOrder, int fromPin) = 0;
};

// Hands every command to a console's builders, for its store queue
// (`store`) or its control and get queues; Sent then hears of each, with
// the number of value parts of a parameter command (0 for another), so a
// sink that keeps the commands aside can take what was just queued.
class CConsoleBuilderSink : public IProgramSink {
public:
    void Text(std::string_view text) override;
    void MDU(int type, int order, int variant) override;
    void ILK(int toOrder, int toPin, int fromOrder, int fromPin) override;
    void SetI(int order, int code, int value) override;
    void SetF(int order, int code, float value) override;
    void SetII(int order, int code, int index, int value) override;
    void SetIF(int order, int code, int index, float value) override;
    void SetIIF(int order, int code, int a, int b, float value) override;
    void SetFF(int order, int code, float a, float b) override;
    void Biquad(int order, int index, const model::BiquadCoeffs& section) override;

protected:
    // The console is only stored here: a derived sink may own it.
    CConsoleBuilderSink(comm::CDSPDlgShowCMD& console, bool store)
        : m_console(console), m_store(store) {}
    virtual void Sent(int /*values*/) {}

private:
    comm::CDSPDlgShowCMD& m_console;
    bool m_store;
};

// Queues every command on a console's store queue (`store`) or its control
// and get queues, through the console's builders.
class CConsoleSink final : public CConsoleBuilderSink {
public:
    CConsoleSink(comm::CDSPDlgShowCMD& console, bool store) : CConsoleBuilderSink(console, store) {}
};

// The block type and variant the unit creates for a module: equalizers,
// filters and crossovers all run as biquad chains (type 6) whose variant is
// their section count (the graphic equalizers', the low- and high-pass
// filters' and the shelves' fixed ones, the others' own).
struct UnitBlock {
    int type = 0;
    int variant = 0;
    friend bool operator==(const UnitBlock&, const UnitBlock&) = default;
};
UnitBlock UnitBlockOf(const model::CBaseAriModule& module);

// The parameter commands of one module that differ from the reset state of
// its block, in the unit's order; input, output, text and meter modules'
// channels as the unit numbers them. Text and meter modules send none.
// The module's parameter table says which and how.
void WriteParameters(const model::CBaseAriModule& module, model::IParameterSink& sink);

// The tap commands of a meter module: one per linked input channel, on the
// module feeding it (none for an output, text or meter module, or a feeder
// the sheet lacks).
void WriteMeterTaps(const CZoDSPDoc& doc, const model::CBaseAriModule& meter, IProgramSink& sink);

enum class EProgramResult {
    Built,
    OrderNotSet, // nothing written
    BadLink,     // a link names a module the sheet lacks; written up to it
};
// The whole program of the sheet, whose execution order must be assigned.
EProgramResult WriteDownloadProgram(const CZoDSPDoc& doc, IProgramSink& sink);

} // namespace dsp_editor
