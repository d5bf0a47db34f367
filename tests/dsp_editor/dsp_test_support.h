#pragma once
// Shared by the DSP document tests: scripted neighbours of the document (the
// main frame with its active view and status panes, attribute dialogs, an
// undo history that keeps what it is given), the golden files, and program
// settings at their defaults so that modules take their built-in colours.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dsp_editor/dsp_seams.h"
#include "dsp_editor/zo_dsp_doc.h"
#include "model/base_ari_module.h"
#include "model/base_link.h"
#include "tests/support/hex_bytes.h"

namespace dsp_test {

class FakeFrame final : public dsp_editor::IDspMainFrame {
public:
    std::string NewSheetMac() const override { return mac; }
    std::int32_t NewSheetModel() const override { return model; }
    std::string DeviceDocumentPath() const override { return sheetPath; }
    dsp_editor::CZoDSPView* ActiveDspView() const override { return activeView; }
    void ShowDspStatus(const dsp_editor::DspStatusFigures& figures) override {
        statuses.push_back(figures);
    }

    std::string mac = "00602b0a0b0c";
    std::int32_t model = 1;
    std::string sheetPath;
    dsp_editor::CZoDSPView* activeView = nullptr;
    std::vector<dsp_editor::DspStatusFigures> statuses;
};

// Writes into `destroyed` when the document destroys it.
class FakeDialog final : public dsp_editor::IAttriDialog {
public:
    FakeDialog(std::int32_t id, std::int32_t kind, std::vector<std::string>& destroyed)
        : id_(id), kind_(kind), destroyed_(destroyed) {}
    std::int32_t GetModuleId() const override { return id_; }
    std::int32_t GetKind() const override { return kind_; }
    void DestroyDialog() override {
        destroyed_.push_back(std::to_string(id_) + "/" + std::to_string(kind_));
    }
    void RefreshControls() override { ++refreshes; }

    int refreshes = 0;

private:
    std::int32_t id_, kind_;
    std::vector<std::string>& destroyed_;
};

// Keeps the steps as text ("step", "module 17", "link 3") and what it was
// handed.
class RecordingUndo final : public dsp_editor::IDspUndoRecorder {
public:
    void BeginStep() override { log.push_back("step"); }
    void RecordDeletedModule(std::unique_ptr<model::CBaseAriModule> module) override {
        log.push_back("module " + std::to_string(module->m_id));
        modules.push_back(std::move(module));
    }
    void RecordDeletedLink(std::unique_ptr<model::CBaseLink> link) override {
        log.push_back("link " + std::to_string(link->m_id));
        links.push_back(std::move(link));
    }

    std::vector<std::string> log;
    std::vector<std::unique_ptr<model::CBaseAriModule>> modules;
    std::vector<std::unique_ptr<model::CBaseLink>> links;
};

std::string FixturePath(const std::string& name);
std::vector<std::uint8_t> LoadFixture(const std::string& name);

// A link drawn between the centres of two pins and counted on both, as the
// drawing view adds one; null when AddLink refuses it.
model::CBaseLink* Connect(dsp_editor::CZoDSPDoc& doc, std::int32_t feedId, std::int32_t feedPin,
                          std::int32_t recvId, std::int32_t recvPin);

// A new document of `frame` (MAC 00602b0a0b0c, model 1 unless changed).
std::unique_ptr<dsp_editor::CZoDSPDoc> NewDocument(FakeFrame& frame);

} // namespace dsp_test
