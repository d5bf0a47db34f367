// The .dsp file: the golden sheets, the version rule, damaged files and the
// id counters of a loaded sheet.
#include <gtest/gtest.h>

#include <algorithm>

#include "dsp_test_support.h"
#include "model/recording_messages.h"
#include "platform/archive/archive_error.h"
#include "resources/message_ids.h"

namespace {

using dsp_test::Connect;

using dsp_editor::CZoDSPDoc;
using dsp_test::FakeFrame;
using model::CBaseAriModule;
using namespace model;
namespace pa = platform::archive;

// Header offsets.
constexpr std::size_t kModuleIdCounterAt = 60;
constexpr std::size_t kLinkIdCounterAt = 64;

void PutInt32(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Every module type in every variant beside the sixteen channels of a unit
// of model 3, some of them linked, and every header field away from its
// default. Together they need more memory than the DSP has (message 307 as
// each delay beyond the budget is added): a sheet is stored all the same.
std::unique_ptr<CZoDSPDoc> EveryKindSheet(FakeFrame& frame) {
    frame.model = 3;
    auto doc = dsp_test::NewDocument(frame);
    doc->m_sheetWidth = 2800;
    doc->m_sheetHeight = 1900;
    struct TypeVariants {
        std::int32_t type;
        std::vector<std::int32_t> variants;
    } const all[] = {
        {kAriDelay, {1, 2, 3, 4, 5}},
        {kAriRouter, {1, 2, 3}},
        {kAriMixer, {1, 2, 3, 4, 5, 6, 7, 8}},
        {kAriDynamic, {1, 2, 3, 4, 5, 6}},
        {kAriGenerator, {1, 2, 3}},
        {kAriEqualizer, {1, 3, 5, 7, 10, 16, 51, 52, 53}},
        {kAriFilter, {1, 2, 3, 4}},
        {kAriCrossover, {19, 20, 21}},
        {kAriText, {1}},
        {kAriMeter, {1, 2, 3, 4}},
    };
    int i = 0;
    for (const TypeVariants& t : all)
        for (const std::int32_t v : t.variants) {
            doc->AddModule(t.type, v, 700 + 170 * (i % 12), 20 + 320 * (i / 12), frame.model);
            ++i;
        }
    // input 1 -> Delay-1 (17) -> Router-1 (22) -> output 9;
    // input 2 -> Mixer-1 (25) -> output 10; Delay-1 and input 2 -> Meter-4.
    const std::int32_t delay = 17, router = 22, mixer = 25, meter = 62;
    EXPECT_EQ(doc->GetModuleById(meter)->m_name, "Meter-4");
    for (const auto [feed, feedPin, recv, recvPin] :
         {std::array{1, 0, delay, 0},
          {delay, 1, router, 0},
          {router, doc->GetModuleById(router)->m_inputCount, 9, 0},
          {2, 0, mixer, 0},
          {mixer, doc->GetModuleById(mixer)->m_inputCount, 10, 0},
          {delay, 1, meter, 0},
          {2, 0, meter, 1}})
        EXPECT_NE(Connect(*doc, feed, feedPin, recv, recvPin), nullptr);
    doc->ClearSelection();
    doc->m_zoom = 2;
    doc->m_hiddenModules = 1;
    doc->m_sheetColour = 0xE0F0FF;
    doc->m_savedTitle = "演出厅(00602b0a0b0c)";
    doc->m_templateSlot = 3;
    doc->m_templateStructName = "Hall";
    doc->m_templateParamName = "Evening";
    return doc;
}

TEST(DspEditorFile, TheNewSheetIsTheGolden) {
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    doc->ClearSelection(); // as a save does first
    EXPECT_EQ(doc->SaveDocument(), dsp_test::LoadFixture("dsp_new.hex"));
}

TEST(DspEditorFile, TheSheetOfEveryKindIsTheGolden) {
    model::CRecordingMessages messages;
    FakeFrame frame;
    auto doc = EveryKindSheet(frame);
    ASSERT_FALSE(messages.ShownIds().empty());
    EXPECT_EQ(messages.ShownIds().back(), resources::kMsgSpaceExceeded);
    EXPECT_EQ(doc->SaveDocument(), dsp_test::LoadFixture("dsp_every_kind.hex"));
}

TEST(DspEditorFile, GoldensLoadAndStoreByteForByte) {
    for (const char* name : {"dsp_new.hex", "dsp_every_kind.hex"}) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> bytes = dsp_test::LoadFixture(name);
        CZoDSPDoc doc;
        doc.m_live = doc.m_orderOk = doc.m_programBuilt = doc.m_resourcesOk = 1;
        doc.m_moduleDeleted = doc.m_outputOrder = 1;
        doc.SetModifiedFlag(true);
        doc.OpenDocument(bytes);
        EXPECT_EQ(doc.m_fileVersion, 2);
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(doc.m_live + doc.m_orderOk + doc.m_programBuilt + doc.m_resourcesOk +
                      doc.m_moduleDeleted + doc.m_outputOrder,
                  0);
        EXPECT_EQ(doc.SaveDocument(), bytes);

        // Version 1 has the same layout; a store writes 2.
        std::vector<std::uint8_t> v1 = bytes;
        v1[0] = 1;
        CZoDSPDoc old;
        old.OpenDocument(v1);
        EXPECT_EQ(old.m_fileVersion, 1);
        EXPECT_EQ(old.SaveDocument(), bytes);
    }
}

TEST(DspEditorFile, TheEveryKindGoldenHoldsWhatItWasMadeOf) {
    CZoDSPDoc doc;
    doc.OpenDocument(dsp_test::LoadFixture("dsp_every_kind.hex"));
    EXPECT_EQ(doc.Modules().size(), 16u + 46u);
    EXPECT_EQ(doc.Links().size(), 7u);
    EXPECT_EQ(doc.m_moduleIdCounter, 62);
    EXPECT_EQ(doc.m_linkIdCounter, 7);
    EXPECT_EQ(doc.m_savedTitle, "演出厅(00602b0a0b0c)");
    EXPECT_EQ(doc.m_unitMac, "00602b0a0b0c");
    EXPECT_EQ(doc.m_deviceModel, 3);
    EXPECT_EQ(doc.m_templateSlot, 3);
    // The totals are the file's, not computed again.
    EXPECT_GT(doc.m_spaceTotal, 8192);
    const std::int32_t stored_space = doc.m_spaceTotal, stored_time = doc.m_timeTotal;
    doc.m_spaceTotal = doc.m_timeTotal = 0;
    model::CRecordingMessages messages;
    EXPECT_EQ(doc.CheckResources(), 0);
    EXPECT_EQ(doc.m_spaceTotal, stored_space);
    // The meter's two inputs were linked after the last check.
    EXPECT_EQ(doc.m_timeTotal, stored_time + 240);
    EXPECT_EQ(doc.GetModuleById(62)->GetChnl(1)->m_linkCount, 1);
    EXPECT_EQ(doc.GetModuleById(62)->GetChnl(1)->m_peerModule, 2);
}

TEST(DspEditorFile, AnotherVersionHasOnlyTheArraysAndKeepsTheHeader) {
    const std::vector<std::uint8_t> bytes = dsp_test::LoadFixture("dsp_version3.hex");
    FakeFrame frame;
    auto doc = dsp_test::NewDocument(frame);
    doc->m_zoom = 4;
    doc->m_templateStructName = "Kept";
    doc->OpenDocument(bytes);
    EXPECT_EQ(doc->m_fileVersion, 3);
    ASSERT_EQ(doc->Modules().size(), 1u);
    EXPECT_EQ(doc->Modules()[0]->m_name, "Delay-1");
    EXPECT_EQ(doc->Modules()[0]->m_id, 3);
    EXPECT_TRUE(doc->Links().empty());
    EXPECT_EQ(doc->m_zoom, 4);
    EXPECT_EQ(doc->m_templateStructName, "Kept");
    EXPECT_EQ(doc->m_unitMac, "00602b0a0b0c");
    EXPECT_EQ(doc->m_sheetWidth, 1260);
    EXPECT_EQ(doc->m_moduleIdCounter, 16); // above the file's ids already

    // A fresh document's counters rise to the ids the file holds.
    CZoDSPDoc fresh;
    fresh.OpenDocument(bytes);
    EXPECT_EQ(fresh.m_moduleIdCounter, 3);
    EXPECT_EQ(fresh.m_fileVersion, 3);
    EXPECT_EQ(fresh.AddModule(kAriDelay, 1, 100, 100, 1)->m_id, 4);
}

TEST(DspEditorFile, CountersBelowTheFilesIdsAreRaised) {
    std::vector<std::uint8_t> bytes = dsp_test::LoadFixture("dsp_every_kind.hex");
    PutInt32(bytes, kModuleIdCounterAt, 5);
    PutInt32(bytes, kLinkIdCounterAt, 0);
    CZoDSPDoc doc;
    doc.OpenDocument(bytes);
    EXPECT_EQ(doc.m_moduleIdCounter, 62);
    EXPECT_EQ(doc.m_linkIdCounter, 7);
    EXPECT_EQ(doc.AddModule(kAriDelay, 1, 100, 100, 1)->m_id, 63);
    EXPECT_EQ(doc.AddLink(0, 0, 0, 0, 63, 0, 1, 0)->m_id, 8);
}

// What a refused load must leave as it was.
struct Snapshot {
    std::vector<std::uint8_t> bytes;
    std::string title;
    bool modified;
    std::int32_t version;

    explicit Snapshot(CZoDSPDoc& doc)
        : bytes(doc.SaveDocument()), title(doc.GetTitle()), modified(doc.IsModified()),
          version(doc.m_fileVersion) {}
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

// Every cut of the large fixtures costs a load each: a sanitizer build, many
// times slower, takes every seventh (still every kind of field somewhere).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t kCutStride = 7;
#else
constexpr std::size_t kCutStride = 1;
#endif

TEST(DspEditorFile, AFileCutAnywhereIsRefusedAndTheDocumentKept) {
    for (const char* name : {"dsp_new.hex", "dsp_every_kind.hex", "dsp_version3.hex"}) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> bytes = dsp_test::LoadFixture(name);
        FakeFrame frame;
        auto doc = dsp_test::NewDocument(frame);
        doc->AddModule(kAriDelay, 1, 100, 100, 1);
        const Snapshot before(*doc);
        std::size_t refused = 0;
        std::size_t cuts = 0;
        for (std::size_t cut = 0; cut < bytes.size(); cut += kCutStride, ++cuts) {
            try {
                doc->OpenDocument(std::span(bytes).first(cut));
            } catch (const pa::archive_error&) {
                ++refused;
            }
        }
        EXPECT_EQ(refused, cuts);
        EXPECT_TRUE(Snapshot(*doc) == before);
    }
}

TEST(DspEditorFile, ARepeatedModuleIdIsAFormatError) {
    FakeFrame frame;
    auto source = dsp_test::NewDocument(frame);
    source->AddModule(kAriDelay, 1, 100, 100, 1)->m_id = 5; // the fifth input's id
    const std::vector<std::uint8_t> bytes = source->SaveDocument();

    auto doc = dsp_test::NewDocument(frame);
    doc->SetTitle("Kept *");
    const Snapshot before(*doc);
    try {
        doc->OpenDocument(bytes);
        FAIL() << "loaded";
    } catch (const pa::archive_error& e) {
        EXPECT_NE(e.expected().find("a module id not used before, found 5"), std::string::npos)
            << e.expected();
    }
    EXPECT_TRUE(Snapshot(*doc) == before);
}

} // namespace
