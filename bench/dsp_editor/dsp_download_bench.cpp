// The download program of a full-size sheet queued on the view's console
// against the least the same work can cost: formatting the same command
// texts and appending them to a list, measured in the same run.
//
// The sheet holds as many processing modules of every type as the unit's
// budget lets pass, chained from input 1, with every parameter of every
// module (the sixteen channels' too) off its reset state and a meter
// tapping four of them.
//
// Usage: dsp_download_bench [--rounds N]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/dsp_editor/bench_timing.h"
#include "dsp_editor/download_program.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "dsp_editor/zo_dsp_view.h"
#include "model/ari_crossover.h"
#include "model/ari_delay.h"
#include "model/ari_dynamic.h"
#include "model/ari_equalizer.h"
#include "model/ari_filter.h"
#include "model/ari_generator.h"
#include "model/ari_input.h"
#include "model/ari_mixer.h"
#include "model/ari_output.h"
#include "model/ari_router.h"
#include "model/program_settings.h"
#include "model/recording_messages.h"
#include "platform/text/format.h"

namespace {

namespace de = dsp_editor;
using model::CBaseAriModule;

class BenchFrame final : public de::IDspMainFrame {
public:
    std::string NewSheetMac() const override { return "00602b0a0b0c"; }
    std::int32_t NewSheetModel() const override { return 1; }
    std::string DeviceDocumentPath() const override { return {}; }
};

constexpr int kSteepest = 11; // "BW 48": four sections

void OffReset(CBaseAriModule& module) {
    if (auto* m = dynamic_cast<model::CAriInput*>(&module)) {
        m->m_mute = m->m_invert = m->m_phantom = 1;
        m->m_level = -6.0;
        m->m_micGainIndex = 2;
    } else if (auto* m = dynamic_cast<model::CAriOutput*>(&module)) {
        m->m_mute = m->m_invert = 1;
        m->m_level = -3.0;
    } else if (auto* m = dynamic_cast<model::CAriDelay*>(&module)) {
        m->m_bypass = 1;
        m->m_delay = m->m_maxDelay / 2;
    } else if (auto* m = dynamic_cast<model::CAriRouter*>(&module)) {
        for (std::size_t j = 0; j < static_cast<std::size_t>(m->m_routeCount); ++j)
            m->m_selectedInput[j] = 2;
    } else if (auto* m = dynamic_cast<model::CAriMixer*>(&module)) {
        m->m_inputMute.fill(1);
        m->m_inputLevel.fill(-6.0);
        m->m_outputMute.fill(1);
        m->m_outputLevel.fill(-6.0);
        m->m_columnMask.fill(0xF);
        for (auto& column : m->m_crossPoint)
            column.fill(-12.0);
    } else if (auto* m = dynamic_cast<model::CAriDynamic*>(&module)) {
        m->m_bypass = 1;
        m->m_targetOrDepth = -50.0;
        m->m_levelerGain = -10.0;
        m->m_attack = 5.0;
        m->m_release = 300.0;
        m->m_threshold = -20.0;
        m->m_ratio = 3.0;
    } else if (auto* m = dynamic_cast<model::CAriGenerator*>(&module)) {
        m->m_mode = 0;
        m->m_mute = 1;
        m->m_level = -10.0;
        m->m_frequency = 440.0;
        m->m_sweepStart = 100.0;
        m->m_sweepStop = 10000.0;
        m->m_stepWidthIndex = 3;
        m->m_step = 20;
    } else if (auto* m = dynamic_cast<model::CAriEqualizer*>(&module)) {
        m->m_bypass = 1;
        for (std::int32_t b = 0; b < m->m_bandCount; ++b) {
            m->m_gain[static_cast<std::size_t>(b)] = 3.0;
            m->CalcBandCoeffs(b);
        }
    } else if (auto* m = dynamic_cast<model::CAriFilter*>(&module)) {
        m->m_bypass = 1;
        if (m->m_subType <= model::CAriFilter::kHighPass) {
            m->CalcCoeffs(kSteepest, 2000.0, 0.0);
            m->m_filterType = kSteepest;
        } else {
            m->CalcCoeffs(0, 500.0, 6.0);
            m->m_gain = 6.0;
        }
    } else if (auto* m = dynamic_cast<model::CAriCrossover*>(&module)) {
        m->m_inputMute = 1;
        m->m_inputLevel = -2.0;
        m->m_outputMute.fill(1);
        m->m_outputInvert.fill(1);
        m->m_outputLevel.fill(-4.0);
        for (std::int32_t p = 0; p < m->m_sectionCount; ++p) {
            m->CalcSectionCoeffs(p, kSteepest, 300.0 * (p + 1));
            m->m_filterType[static_cast<std::size_t>(p)] = kSteepest;
        }
    }
}

// Adds modules of every type in turn, each fed by the one before, until
// the budget refuses one; the meter taps the first four as they come (its
// taps take time of their own).
void FillSheet(de::CZoDSPDoc& doc) {
    struct kind_t {
        std::int32_t type, variant;
    };
    const kind_t kinds[] = {{3, 2}, {4, 1},  {5, 3},  {7, 1},  {7, 2},  {7, 4},  {7, 5},
                            {8, 1}, {9, 10}, {9, 53}, {10, 1}, {10, 4}, {11, 20}};
    const auto connect = [&doc](std::int32_t to, std::int32_t toPin, const CBaseAriModule& from) {
        doc.AttachLinkPins(*doc.AddLink(0, 0, 0, 0, to, toPin, from.m_id, from.m_inputCount));
    };
    const std::int32_t meter = doc.AddModule(model::kAriMeter, 3, 900, 20, 1)->m_id;
    const CBaseAriModule* feeder = doc.GetModuleById(1);
    for (std::size_t k = 0;; ++k) {
        const kind_t& kind = kinds[k % std::size(kinds)];
        CBaseAriModule* module = doc.AddModule(kind.type, kind.variant, 300, 20, 1);
        if (module->m_inputCount > 0)
            connect(module->m_id, 0, *feeder);
        if (k < 4)
            connect(meter, static_cast<std::int32_t>(k), *module);
        if (doc.CheckResources() == 0) {
            // Its links are the last ones drawn.
            for (std::size_t n = doc.Links().size(); n-- > 0;) {
                const model::CBaseLink& link = *doc.Links()[n];
                if (link.m_sourceModule != module->m_id && link.m_destModule != module->m_id)
                    break;
                doc.TakeLink(link.m_id);
            }
            doc.TakeModule(module->m_id);
            break;
        }
        OffReset(*module);
        feeder = module;
    }
    connect(9, 0, *feeder);
    for (std::int32_t i = 1; i <= 16; ++i)
        OffReset(*doc.GetModuleById(i));
}

// Keeps each command as it was asked for, to be formatted again.
class RecordingSink final : public de::IProgramSink {
public:
    struct Call {
        std::string format; // the command as the console leaves it
        int ints = 0, floats = 0;
        int i[4] = {};
        float f[3] = {};
    };

    void Text(std::string_view text) override {
        calls.push_back({"*Ny" + std::string(text) + "#"});
    }
    void MDU(int type, int order, int variant) override {
        calls.push_back({"*NyMDU %d %d %d#", 3, 0, {type, order, variant}});
    }
    void ILK(int toOrder, int toPin, int fromOrder, int fromPin) override {
        calls.push_back({"*NyILK %d %d %d %d#", 4, 0, {toOrder, toPin, fromOrder, fromPin}});
    }
    void SetI(int order, int code, int value) override {
        calls.push_back({"*NySET %d %d %d#", 3, 0, {order, code, value}});
    }
    void SetF(int order, int code, float value) override {
        calls.push_back({"*NySET %d %d %e#", 2, 1, {order, code}, {value}});
    }
    void SetII(int order, int code, int index, int value) override {
        calls.push_back({"*NySET %d %d %d %d#", 4, 0, {order, code, index, value}});
    }
    void SetIF(int order, int code, int index, float value) override {
        calls.push_back({"*NySET %d %d %d %e#", 3, 1, {order, code, index}, {value}});
    }
    void SetIIF(int order, int code, int a, int b, float value) override {
        calls.push_back({"*NySET %d %d %d %d %e#", 4, 1, {order, code, a, b}, {value}});
    }
    void SetFF(int order, int code, float a, float b) override {
        calls.push_back({"*NySET %d %d %e %e#", 2, 2, {order, code}, {a, b}});
    }
    void Biquad(int order, int index, const model::BiquadCoeffs& s) override {
        calls.push_back(
            {"*NySET %d %d %d %e %e %e#",
             3,
             3,
             {order, 607, index},
             {static_cast<float>(s.b0), static_cast<float>(s.b1), static_cast<float>(s.b2)}});
        calls.push_back({"*NySET %d %d %d %e %e#",
                         3,
                         2,
                         {order, 607, index},
                         {static_cast<float>(s.a1), static_cast<float>(s.a2)}});
    }

    std::vector<Call> calls;
};

// The same texts formatted straight from the recorded values.
void FormatDirectly(const std::vector<RecordingSink::Call>& calls, std::vector<std::string>& out) {
    namespace pt = platform::text;
    out.clear();
    for (const RecordingSink::Call& c : calls) {
        const double f0 = c.f[0], f1 = c.f[1], f2 = c.f[2];
        const std::string_view fmt = c.format;
        switch (c.ints * 4 + c.floats) {
        case 0:
            out.push_back(c.format);
            break;
        case 3 * 4:
            out.push_back(pt::format(fmt, c.i[0], c.i[1], c.i[2]));
            break;
        case 4 * 4:
            out.push_back(pt::format(fmt, c.i[0], c.i[1], c.i[2], c.i[3]));
            break;
        case 2 * 4 + 1:
            out.push_back(pt::format(fmt, c.i[0], c.i[1], f0));
            break;
        case 3 * 4 + 1:
            out.push_back(pt::format(fmt, c.i[0], c.i[1], c.i[2], f0));
            break;
        case 4 * 4 + 1:
            out.push_back(pt::format(fmt, c.i[0], c.i[1], c.i[2], c.i[3], f0));
            break;
        case 2 * 4 + 2:
            out.push_back(pt::format(fmt, c.i[0], c.i[1], f0, f1));
            break;
        case 3 * 4 + 2:
            out.push_back(pt::format(fmt, c.i[0], c.i[1], c.i[2], f0, f1));
            break;
        case 3 * 4 + 3:
            out.push_back(pt::format(fmt, c.i[0], c.i[1], c.i[2], f0, f1, f2));
            break;
        default:
            std::fprintf(stderr, "unknown form %s\n", c.format.c_str());
            std::exit(1);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = dsp_bench::RoundsArgument(argc, argv, 15);

    model::InstallProgramSettings(std::make_shared<const model::CProgramSettings>());
    model::CRecordingMessages quiet;
    BenchFrame frame;
    de::CZoDSPDoc doc;
    doc.SetMainFrame(&frame);
    doc.OnNewDocument();
    FillSheet(doc);
    if (doc.AssignExecutionOrder() == 0) {
        std::fprintf(stderr, "the sheet has no execution order\n");
        return 1;
    }

    de::CZoDSPView view(doc);
    comm::CDSPDlgShowCMD& console = view.Console();
    RecordingSink recorded;
    de::WriteDownloadProgram(doc, recorded);
    std::vector<std::string> direct;
    FormatDirectly(recorded.calls, direct);
    console.ClearAll();
    view.Download().BuildDownloadCommands(false);
    if (console.Queue(comm::EConsoleQueue::Control) != direct) {
        std::fprintf(stderr, "the direct texts differ from the program\n");
        return 1;
    }

    const auto download = [&] {
        console.ClearAll();
        view.Download().BuildDownloadCommands(false);
    };
    const auto baseline = [&] { FormatDirectly(recorded.calls, direct); };
    constexpr int kRepeats = 20;
    double best_download = 1e9, best_baseline = 1e9;
    for (int r = 0; r < rounds; ++r) {
        best_download = std::min(best_download, dsp_bench::SecondsPerRun(download, kRepeats));
        best_baseline = std::min(best_baseline, dsp_bench::SecondsPerRun(baseline, kRepeats));
    }

    std::printf("sheet: %zu modules, %zu links; space %d, time %d\n", doc.Modules().size(),
                doc.Links().size(), doc.m_spaceTotal, doc.m_timeTotal);
    std::printf("program: %zu commands\n", direct.size());
    std::printf("download: %.1f us per program\n", best_download * 1e6);
    std::printf("direct:   %.1f us per program\n", best_baseline * 1e6);
    std::printf("ratio download: %.2f (target <= 3)\n", best_download / best_baseline);
    return 0;
}
