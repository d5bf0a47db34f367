#include "dsp_editor/store_program.h"

#include <algorithm>
#include <system_error>

#include "dsp_editor/download_program.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "model/messages.h"
#include "platform/archive/archive.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace dsp_editor {

using namespace model;
namespace pa = platform::archive;

namespace {

// A name in its field of the *SAVEM command: blank-padded, cut to length.
std::string NameField(std::string_view name) {
    std::string field(name.substr(0, std::min(name.size(), kTemplateNameLength)));
    field.resize(kTemplateNameLength, ' ');
    return field;
}

// The head of a download program: the reset, the blocks and the wires.
// Its parameters, taps and end are dropped.
class CStructureSink final : public IProgramSink {
public:
    explicit CStructureSink(IProgramSink& to) : m_to(to) {}
    void Text(std::string_view text) override {
        if (text == "RST")
            m_to.Text(text);
    }
    void MDU(int type, int order, int variant) override { m_to.MDU(type, order, variant); }
    void ILK(int toOrder, int toPin, int fromOrder, int fromPin) override {
        m_to.ILK(toOrder, toPin, fromOrder, fromPin);
    }
    void SetI(int, int, int) override {}
    void SetF(int, int, float) override {}
    void SetII(int, int, int, int) override {}
    void SetIF(int, int, int, float) override {}
    void SetIIF(int, int, int, int, float) override {}
    void SetFF(int, int, float, float) override {}
    void Biquad(int, int, const BiquadCoeffs&) override {}

private:
    IProgramSink& m_to;
};

// The highest execution order of a sheet read from its file: the inputs',
// the processing modules' and the outputs'.
std::int32_t HighestOrder(const CZoDSPDoc& doc) {
    const auto processing =
        std::count_if(doc.Modules().begin(), doc.Modules().end(), [](const auto& m) {
            return m->m_typeCode != kAriInput && m->m_typeCode != kAriOutput && !IsTextOrMeter(*m);
        });
    return 2 + static_cast<std::int32_t>(processing);
}

} // namespace

std::unique_ptr<CZoDSPDoc> OpenTemplateSheet(const std::filesystem::path& path) {
    auto doc = std::make_unique<CZoDSPDoc>();
    try {
        doc->OnOpenDocument(path);
    } catch (const std::system_error&) {
        model::ShowMessage(resources::kMsgOpenFileFailed);
        return nullptr;
    } catch (const pa::archive_error&) {
        model::ShowMessage(resources::kMsgOpenFileFailed);
        return nullptr;
    }
    return doc;
}

bool CollectFirmTemplates(const TemplateSlotPaths& paths, int slot, std::string_view structName,
                          std::size_t start, CStoreList& list) {
    for (int other = 1; other <= kTemplateSlots; ++other) {
        const std::string& path = paths[TemplateSlotIndex(other)];
        if (other == slot || path.empty())
            continue;
        const std::unique_ptr<CZoDSPDoc> doc = OpenTemplateSheet(path);
        if (!doc)
            return false;
        CompareFirmTemplates(*doc, structName, start, list);
    }
    return true;
}

bool BuildFirmTemplateCommands(CZoDSPDoc& stored, const TemplateSlotPaths& paths,
                               CStoreList& list) {
    const std::size_t start = list.Size();
    list.Text(platform::text::format("SAVEM%02d", stored.m_templateSlot) +
              NameField(stored.m_templateStructName) + NameField(stored.m_templateParamName));

    // A sheet read from its file keeps the order numbers it was stored with
    // but not the flag that vouches for them.
    stored.m_outputOrder = HighestOrder(stored);
    stored.m_orderOk = 1;
    CStructureSink structure(list);
    if (WriteDownloadProgram(stored, structure) == EProgramResult::BadLink) {
        model::ShowMessage(resources::kMsgBadLink);
        return false;
    }

    if (!CollectFirmTemplates(paths, stored.m_templateSlot, stored.m_templateStructName, start,
                              list)) {
        model::ShowMessage(resources::kMsgResetsFailed);
        return false;
    }

    list.PruneParametersFrom(start);
    for (const auto& module : stored.Modules())
        WriteParameters(*module, list);
    list.PruneParametersFrom(std::nullopt);
    for (const auto& module : stored.Modules())
        if (module->m_typeCode == kAriMeter)
            WriteMeterTaps(stored, *module, list);
    stored.m_programBuilt = 1;
    list.Text("ENDD");
    list.Text("RUN");
    list.Text("ENDMD");
    return true;
}

} // namespace dsp_editor
