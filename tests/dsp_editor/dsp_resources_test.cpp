// The DSP's budget and the execution order of a sheet's modules.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "dsp_test_support.h"
#include "model/recording_messages.h"
#include "resources/message_ids.h"

namespace {

using dsp_test::Connect;

using dsp_editor::CZoDSPDoc;
using dsp_test::FakeFrame;
using model::CBaseAriModule;
using namespace model;

TEST(DspEditorResources, ANewSheetFitsAndOrdersInputsBeforeOutputs) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    ASSERT_EQ(doc->CheckResources(), 1);
    EXPECT_EQ(doc->m_spaceTotal, 317);
    EXPECT_EQ(doc->m_timeTotal, 9296);
    ASSERT_EQ(doc->AssignExecutionOrder(), 1);
    EXPECT_EQ(doc->m_orderOk, 1);
    EXPECT_EQ(doc->m_outputOrder, 2);
    for (const auto& m : doc->Modules())
        EXPECT_EQ(m->m_order, m->m_typeCode == kAriInput ? 1 : 2) << m->m_id;
}

TEST(DspEditorResources, MetersCountOnlyTheirConnectedInputs) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    CBaseAriModule* meter = doc->AddModule(kAriMeter, 4, 300, 100, 1);
    CBaseAriModule* text = doc->AddModule(kAriText, 1, 300, 400, 1);
    ASSERT_TRUE(meter && text);
    ASSERT_GE(meter->m_inputCount, 3);
    Connect(*doc, 1, 0, meter->m_id, 0);
    Connect(*doc, 2, 0, meter->m_id, 2);
    ASSERT_EQ(doc->CheckResources(), 1);
    EXPECT_EQ(doc->m_spaceTotal, 317);
    EXPECT_EQ(doc->m_timeTotal, 9296 + 240);
}

// A sheet whose one delay is given the costs that bring the totals to the
// values asked for.
struct Budget {
    std::int32_t space, time;
    std::int32_t result;
    std::vector<int> messages;
};

TEST(DspEditorResources, TheLimitsAndWhichMessageShows) {
    const Budget rows[] = {
        {8192, 25000, 1, {}},
        {8193, 25000, 0, {resources::kMsgSpaceExceeded}},
        {8192, 25001, 0, {resources::kMsgTimeExceeded}},
        {9000, 30000, 0, {resources::kMsgSpaceExceeded}}, // the time is not examined
    };
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    CBaseAriModule* delay = doc->AddModule(kAriDelay, 1, 300, 100, 1);
    for (const Budget& r : rows) {
        SCOPED_TRACE(r.space);
        SCOPED_TRACE(r.time);
        // space = 200 + cost + 117; time = 7789 + cost + 5 + 1507
        delay->m_memoryCost = r.space - 317;
        delay->m_timeCost = r.time - 9301;
        model::CRecordingMessages messages;
        doc->m_resourcesOk = 1 - r.result;
        EXPECT_EQ(doc->CheckResources(), r.result);
        EXPECT_EQ(doc->m_resourcesOk, r.result);
        EXPECT_EQ(doc->m_spaceTotal, r.space);
        EXPECT_EQ(doc->m_timeTotal, r.time);
        EXPECT_EQ(messages.ShownIds(), r.messages);
        // The ordering refuses what the check refuses, without numbering.
        EXPECT_EQ(doc->AssignExecutionOrder(), r.result);
        EXPECT_EQ(doc->m_orderOk, r.result);
    }
}

// The orders of the modules by id.
std::map<std::int32_t, std::int32_t> Orders(const CZoDSPDoc& doc) {
    std::map<std::int32_t, std::int32_t> out;
    for (const auto& m : doc.Modules())
        out[m->m_id] = m->m_order;
    return out;
}

TEST(DspEditorOrder, FeedersComeFirstAndTiesGoByArrayOrder) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    const std::int32_t b = doc->AddModule(kAriDelay, 1, 300, 100, 1)->m_id;     // 17
    const std::int32_t a = doc->AddModule(kAriDelay, 1, 300, 300, 1)->m_id;     // 18
    const std::int32_t c = doc->AddModule(kAriDelay, 1, 300, 500, 1)->m_id;     // 19
    const std::int32_t free = doc->AddModule(kAriFilter, 1, 300, 700, 1)->m_id; // 20
    const std::int32_t meter = doc->AddModule(kAriMeter, 1, 500, 700, 1)->m_id;
    const std::int32_t text = doc->AddModule(kAriText, 1, 500, 900, 1)->m_id;
    Connect(*doc, 1, 0, a, 0); // input 1 -> A
    Connect(*doc, a, 1, b, 0); // A -> B, B earlier in the array
    Connect(*doc, a, 1, c, 0); // A -> C, C later
    Connect(*doc, c, 1, meter, 0);
    Connect(*doc, b, 1, 9, 0);
    ASSERT_EQ(doc->AssignExecutionOrder(), 1);
    auto orders = Orders(*doc);
    // First pass: A (2), then C (3) behind it and the unfed filter (4);
    // second pass: B (5).
    EXPECT_EQ(orders[a], 2);
    EXPECT_EQ(orders[c], 3);
    EXPECT_EQ(orders[free], 4);
    EXPECT_EQ(orders[b], 5);
    EXPECT_EQ(orders[meter], 0);
    EXPECT_EQ(orders[text], 0);
    EXPECT_EQ(orders[9], 6);
    EXPECT_EQ(doc->m_outputOrder, 6);
}

TEST(DspEditorOrder, LoopsMissingFeedersAndMeterFedModulesFail) {
    struct Row {
        const char* what;
        std::function<void(CZoDSPDoc&, std::int32_t a, std::int32_t b, std::int32_t meter)> wire;
    } rows[] = {
        {"loop",
         [](CZoDSPDoc& doc, std::int32_t a, std::int32_t b, std::int32_t) {
             Connect(doc, a, 1, b, 0);
             Connect(doc, b, 1, a, 0);
         }},
        {"missing feeder",
         [](CZoDSPDoc& doc, std::int32_t a, std::int32_t, std::int32_t) {
             doc.GetModuleById(a)->GetChnl(0)->m_linkCount = 1;
             doc.GetModuleById(a)->GetChnl(0)->m_peerModule = 99;
         }},
        {"fed through a meter",
         [](CZoDSPDoc& doc, std::int32_t a, std::int32_t, std::int32_t meter) {
             Connect(doc, meter, 0, a, 0); // a meter has no outputs: name its input
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        model::CRecordingMessages messages;
        FakeFrame frame;
        auto doc = dsp_test::NewDocument(frame);
        const std::int32_t a = doc->AddModule(kAriDelay, 1, 300, 100, 1)->m_id;
        const std::int32_t b = doc->AddModule(kAriDelay, 1, 300, 300, 1)->m_id;
        const std::int32_t meter = doc->AddModule(kAriMeter, 1, 300, 500, 1)->m_id;
        r.wire(*doc, a, b, meter);
        doc->m_orderOk = 1;
        EXPECT_EQ(doc->AssignExecutionOrder(), 0);
        EXPECT_EQ(doc->m_orderOk, 0);
        EXPECT_TRUE(messages.ShownIds().empty());
    }
}

TEST(DspEditorOrder, NumbersSheetsWithOtherThanSixteenChannelModules) {
    for (const std::int32_t channels : {15, 17}) {
        SCOPED_TRACE(channels);
        CZoDSPDoc doc;
        for (std::int32_t k = 0; k < channels; ++k)
            doc.AddModule(k < 8 ? kAriInput : kAriOutput, 1, 20, 20, 1);
        const std::int32_t a = doc.AddModule(kAriDelay, 1, 300, 100, 1)->m_id;
        const std::int32_t b = doc.AddModule(kAriDelay, 1, 300, 300, 1)->m_id;
        doc.AddModule(kAriMeter, 1, 300, 500, 1);
        Connect(doc, b, 1, a, 0);
        ASSERT_EQ(doc.AssignExecutionOrder(), 1);
        auto orders = Orders(doc);
        EXPECT_EQ(orders[b], 2);
        EXPECT_EQ(orders[a], 3);
        EXPECT_EQ(doc.m_outputOrder, 4);
        for (std::int32_t id = 1; id <= channels; ++id)
            EXPECT_EQ(orders[id], id <= 8 ? 1 : 4) << id;
    }
}

} // namespace
