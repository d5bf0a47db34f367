#include "dsp_test_support.h"

#include <gtest/gtest.h>

#include "model/program_settings.h"

namespace dsp_test {

namespace {

// Modules read their colours from the program settings; tests start from
// the defaults rather than whatever Ostrel.ini the machine has.
class DefaultSettings : public ::testing::Environment {
public:
    void SetUp() override {
        model::InstallProgramSettings(std::make_shared<const model::CProgramSettings>());
    }
};

[[maybe_unused]] ::testing::Environment* const g_settings =
    ::testing::AddGlobalTestEnvironment(new DefaultSettings);

} // namespace

std::string FixturePath(const std::string& name) {
    return std::string(DSP_FIXTURE_DIR) + "/" + name;
}

std::vector<std::uint8_t> LoadFixture(const std::string& name) {
    return test_support::read_hex_file(FixturePath(name));
}

model::CBaseLink* Connect(dsp_editor::CZoDSPDoc& doc, std::int32_t feedId, std::int32_t feedPin,
                          std::int32_t recvId, std::int32_t recvPin) {
    const model::CBaseAriModule* recv = doc.GetModuleById(recvId);
    const model::CBaseAriModule* feed = doc.GetModuleById(feedId);
    const model::CBaseChnl* in = recv != nullptr ? recv->GetChnl(recvPin) : nullptr;
    const model::CBaseChnl* out = feed != nullptr ? feed->GetChnl(feedPin) : nullptr;
    if (in == nullptr || out == nullptr)
        return nullptr;
    const model::Point a = in->m_rect.CenterPoint(), b = out->m_rect.CenterPoint();
    model::CBaseLink* link = doc.AddLink(a.x, a.y, b.x, b.y, recvId, recvPin, feedId, feedPin);
    doc.AttachLinkPins(*link);
    return link;
}

std::unique_ptr<dsp_editor::CZoDSPDoc> NewDocument(FakeFrame& frame) {
    auto doc = std::make_unique<dsp_editor::CZoDSPDoc>();
    doc->SetMainFrame(&frame);
    doc->OnNewDocument();
    return doc;
}

} // namespace dsp_test
