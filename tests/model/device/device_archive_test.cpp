// Archive forms and copies of the device objects: every class stores, loads
// and stores again to the same bytes; what a load must reset (the online
// mark, the amplifier's readings); what a copy must carry (the amplifier's
// gains, every stored channel field, the link copies as new objects).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device_test_support.h"
#include "model/device_chnl.h"
#include "model/device_external.h"
#include "model/device_generic.h"
#include "model/device_link.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/device_text.h"
#include "platform/gdi/recording_canvas.h"

namespace {

namespace pa = platform::archive;
using device_test::RoundTrip;
using device_test::StoreObject;
using model::CDeviceChnl;
using model::CDeviceLink;
using platform::gdi::RecordingCanvas;

using device_test::chnl;

CDeviceLink make_link(int id) {
    CDeviceLink l;
    l.m_id = id;
    l.m_sourceModule = 1;
    l.m_destModule = 2;
    l.m_destChannel = 3;
    l.m_start = {10, 20};
    l.m_end = {30, 40};
    l.m_kind = model::kLinkNetwork;
    l.m_drawnFromOutput = 1;
    l.m_sourceSubType = 2;
    l.m_labelSize = {40, 12};
    l.m_label = "发送";
    return l;
}

template <class T> void ExpectStableRoundTrip(T& object, const char* what) {
    const std::vector<std::uint8_t> first = StoreObject(object);
    const auto loaded = RoundTrip(object);
    ASSERT_TRUE(loaded) << what;
    EXPECT_EQ(&loaded->GetRuntimeClass(), &T::class_record) << what;
    EXPECT_EQ(StoreObject(*loaded), first) << what;
}

TEST(ModelDeviceArchive, EveryClassStoresWhatItLoads) {
    device_test::TempHome home;
    RecordingCanvas dc;

    model::CDeviceNy unit(dc, 100, 50, 3, 4, 1);
    unit.m_bundle1 = 7;
    unit.m_bundle2 = 9;
    chnl(unit, 0).AddLinkCopy(make_link(5));
    chnl(unit, 1).m_gainStep = 11;
    chnl(unit, 1).m_phantomPower = 1;
    ExpectStableRoundTrip(unit, "unit with a link copy");

    model::CDeviceQOVG amp(dc, 100, 50, 4, model::kModelQOVG, 2);
    amp.m_leftGain = -3.5f;
    amp.m_rightGain = 0.1f;
    amp.m_globalAlarm = 1;
    amp.m_rawDisplay[6] = 1;
    ExpectStableRoundTrip(amp, "monitored amplifier");

    model::CDeviceExternal cd(dc, 0, 100, 5, model::kModelCd, 0);
    ExpectStableRoundTrip(cd, "external");
    model::CDeviceGeneric g(dc, 0, 100, 6, "调音台", model::kModelGeneric, 2, 3);
    ExpectStableRoundTrip(g, "generic");
    model::CDeviceMatrix m(dc, 0, 100, 7, "M", model::kModelMatrix, 4, 4);
    m.m_routes[2] = {0, 1, 1, 0};
    ExpectStableRoundTrip(m, "matrix");
    model::CDeviceText t(dc, 0, 100, 8, "ab\r\ncd", model::kModelText, 0);
    t.m_font.lfItalic = 1;
    t.m_font.SetFaceName("宋体");
    ExpectStableRoundTrip(t, "text");
    CDeviceLink l = make_link(9);
    ExpectStableRoundTrip(l, "link");

    const auto loaded = RoundTrip(amp);
    EXPECT_EQ(loaded->m_leftGain, -3.5f);
    EXPECT_EQ(loaded->m_rightGain, 0.1f);
    EXPECT_EQ(loaded->m_analogNames[7], "温度");
    const auto text = RoundTrip(t);
    EXPECT_EQ(text->m_name, "ab\r\ncd");
    EXPECT_EQ(text->m_font, t.m_font);
    const auto link = RoundTrip(l);
    EXPECT_EQ(link->m_label, "发送");
    EXPECT_EQ(link->m_labelSize, model::Size(40, 12));
    EXPECT_EQ(link->m_start, model::Point(10, 20));
}

TEST(ModelDeviceArchive, LoadedUnitIsNeverOnline) {
    device_test::TempHome home;
    RecordingCanvas dc;
    model::CDeviceNy unit(dc, 100, 50, 3, 9, 1);
    unit.m_flag = 1; // saved while the run state saw the unit
    unit.m_selected = 1;
    EXPECT_EQ(RoundTrip(unit)->m_flag, 0);
    EXPECT_EQ(RoundTrip(unit)->m_selected, 0);

    model::CDeviceQOVG amp(dc, 100, 50, 4, model::kModelQOVG, 2);
    amp.m_flag = 1;
    EXPECT_EQ(RoundTrip(amp)->m_flag, 0);

    // A unit of a schema this program does not know skips its bundles but
    // still loads its base part, and is not online either.
    std::vector<std::uint8_t> bytes = StoreObject(unit);
    ASSERT_EQ(std::memcmp(bytes.data() + 6, "CDeviceNy", 9), 0);
    bytes[2] = 3;                                        // schema 3
    bytes.erase(bytes.begin() + 15, bytes.begin() + 23); // no bundles under schema 3
    pa::archive_t in(bytes, model_test::sheet_registry());
    const auto future = in.ReadObject<model::CDeviceNy>();
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(future->m_flag, 0);
    EXPECT_EQ(future->m_bundle1, 0);
    EXPECT_EQ(future->m_name, "Device3");
}

TEST(ModelDeviceArchive, LoadedAmplifierStartsWithoutReadingsOrRequests) {
    device_test::TempHome home;
    RecordingCanvas dc;
    model::CDeviceQOVG amp(dc, 100, 50, 4, model::kModelQOVG, 2);
    amp.m_analogSamples.fill(512);
    amp.m_digitalOutputLevels.fill(1);
    amp.m_queryRequests[0] = 1;
    amp.m_outputToggleRequests[0] = 1;
    amp.m_analogRunFlags2[6] = 1;
    amp.m_settingsChanged = 1;
    amp.m_firmwareQueryRequest = 1;
    amp.m_gainSetRequest = 1;
    amp.m_thirdRequest = 1;
    const auto loaded = RoundTrip(amp);
    EXPECT_EQ(loaded->m_analogSamples,
              (std::array<std::int32_t, 8>{-1, -1, -1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(loaded->m_digitalOutputLevels, (std::array<std::int32_t, 4>{-1, -1, -1, -1}));
    EXPECT_EQ(loaded->m_queryRequests, (std::array<std::int32_t, 4>{}));
    EXPECT_EQ(loaded->m_outputToggleRequests, (std::array<std::int32_t, 4>{}));
    EXPECT_EQ(loaded->m_analogRunFlags2, (std::array<std::int32_t, 8>{}));
    EXPECT_EQ(loaded->m_settingsChanged, 0);
    EXPECT_EQ(loaded->m_firmwareQueryRequest, 0);
    EXPECT_EQ(loaded->m_gainSetRequest, 0);
    EXPECT_EQ(loaded->m_thirdRequest, 0);
}

TEST(ModelDeviceArchive, AmplifierCopyCarriesEveryStoredField) {
    device_test::TempHome home;
    RecordingCanvas dc;
    model::CDeviceQOVG amp(dc, 100, 50, 4, model::kModelQOVG, 2);
    amp.m_leftGain = -6.0f;
    amp.m_rightGain = -4.5f;
    amp.m_globalAlarm = 1;
    amp.m_alarmUpper[2] = 700;
    amp.m_digitalInputNames[1] = "Door";
    amp.m_firmwareQueryRequest = 1;

    model::CDeviceQOVG copy; // as an undo step makes it
    copy.CopyFrom(amp);
    EXPECT_EQ(copy.m_leftGain, -6.0f) << "the gains are stored and sent to the unit";
    EXPECT_EQ(copy.m_rightGain, -4.5f);
    EXPECT_EQ(copy.m_firmwareQueryRequest, 1);
    EXPECT_EQ(StoreObject(copy), StoreObject(amp)) << "a copy stores as the original";
    // Run-time readings are not copied; the copy starts without any.
    EXPECT_EQ(copy.m_analogSamples[0], -1);

    // Only a model-21 unit is copied.
    model::CDeviceQOVG not21;
    not21.m_typeCode = 9;
    not21.m_leftGain = 3.0f;
    copy.CopyFrom(not21);
    EXPECT_EQ(copy.m_leftGain, -6.0f);
    EXPECT_EQ(copy.m_typeCode, model::kModelQOVG);
}

TEST(ModelDeviceArchive, ChannelCopyOwnsNewLinksAndStoresAsTheOriginal) {
    CDeviceChnl source("Send 1", 2, 3, 1, {10, 20, 20, 30}, 1, model::kChnlNetwork, 1);
    source.AddLinkCopy(make_link(4));
    source.AddLinkCopy(make_link(6));
    source.m_peerChannel = 5;
    source.m_peerModule = 8;
    source.m_linkCount = 2;
    source.m_gainStep = 3;
    source.m_highlighted = 1;

    auto copy = std::make_unique<CDeviceChnl>();
    copy->CopyFrom(source);
    EXPECT_EQ(StoreObject(*copy), StoreObject(source)) << "every stored field";
    EXPECT_EQ(copy->m_highlighted, 0) << "the highlight is view state";
    ASSERT_EQ(copy->GetLinkCount(), 2);
    EXPECT_NE(copy->GetLink(0), source.GetLink(0));
    copy.reset();
    ASSERT_EQ(source.GetLinkCount(), 2);
    EXPECT_EQ(source.GetLink(1)->m_id, 6);

    // A device copies its channels as device channels.
    device_test::TempHome home;
    RecordingCanvas dc;
    model::CDeviceNy unit(dc, 100, 50, 3, 9, 1);
    chnl(unit, 0).AddLinkCopy(make_link(4));
    model::CDeviceNy twin;
    twin.CopyFrom(unit);
    ASSERT_NE(model::AsDeviceChnl(twin.GetChnl(0)), nullptr);
    EXPECT_EQ(StoreObject(twin), StoreObject(unit));
}

TEST(ModelDeviceArchive, ChannelOfAnUnknownSchemaStillReadsItsLinks) {
    const std::vector<std::uint8_t> bytes = model_test::parse_hex(R"(
        ff ff 03 00 0b 00                    # new class, schema 3, name length 11
        43 44 65 76 69 63 65 43 68 6e 6c     # "CDeviceChnl": no own integers under schema 3
        01 00                                # link array: 1 element
        ff ff 02 00 0b 00                    # new class, schema 2, name length 11
        43 44 65 76 69 63 65 4c 69 6e 6b     # "CDeviceLink"
        01 00 00 00 00 00 00 00              # kind 1, drawn from output 0
        00 00 00 00 00 00 00 00              # sub-types 0, 0
        00 00 00 00                          # label hidden
        00 00 00 00 00 00 00 00 00           # label size (0, 0), label ""
        ff ff 02 00 09 00                    # new class, schema 2, name length 9
        43 42 61 73 65 4c 69 6e 6b           # "CBaseLink"
        07 00 00 00 01 00 00 00 00 00 00 00  # id 7, source module 1, source channel 0
        02 00 00 00 03 00 00 00              # destination module 2, destination channel 3
        00 00 00 00 00 00 00 00              # start (0, 0)
        00 00 00 00 00 00 00 00              # end (0, 0)
        01 00 00 00 00 00 00 00              # pen width 1, colour 0
        ff ff 02 00 09 00                    # new class, schema 2, name length 9
        43 42 61 73 65 43 68 6e 6c           # "CBaseChnl"
        00 00 00 00 01 00 00 00 02 00 00 00  # direction 0, number 1, module id 2
        00 00 00 00 00 00 00 00              # peer channel 0, peer module 0
        02 49 6e                             # name "In"
        00 00 00 00                          # link count 0
        00 00 00 00 00 00 00 00 0a 00 00 00 0a 00 00 00  # rectangle (0, 0, 10, 10)
        c0 c0 c0 00 00 00 00 00              # colour, outline colour
    )");
    pa::archive_t in(bytes, model_test::sheet_registry());
    const auto c = in.ReadObject<CDeviceChnl>();
    EXPECT_TRUE(in.AtEnd());
    ASSERT_EQ(c->GetLinkCount(), 1);
    EXPECT_EQ(c->GetLink(0)->m_id, 7);
    EXPECT_EQ(c->m_kind, model::kChnlPhysical) << "own fields keep their defaults";
    EXPECT_EQ(c->m_property, 4);
    EXPECT_EQ(c->m_name, "In");
}

TEST(ModelDeviceArchive, ForeignChannelInADeviceIsLeftAlone) {
    // A file may put a base channel into a unit: it loads, draws without it
    // and copies.
    device_test::TempHome home;
    RecordingCanvas dc;
    model::CDeviceNy unit(dc, 100, 50, 3, 9, 1);
    auto plain = std::make_unique<model::CBaseChnl>();
    plain->m_rect = {101, 66, 111, 76};
    unit.m_channels.items()[0] = std::move(plain);
    const auto loaded = RoundTrip(unit);
    EXPECT_EQ(model::AsDeviceChnl(loaded->GetChnl(0)), nullptr);
    loaded->Draw(dc, 0, 0);
    model::CDeviceNy copy;
    copy.CopyFrom(*loaded);
    EXPECT_EQ(copy.GetChnlCount(), 4);
}

} // namespace
