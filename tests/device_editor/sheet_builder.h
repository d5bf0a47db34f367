#pragma once
// A device sheet with one device of every kind and links between them, built
// through the constructors and the document's own operations, and the checks
// the document's invariants call for.
//
//   id 1 sub 1  QLM-0202A input half at (100, 100)   In 1..2, Send 1..2
//   id 1 sub 2  QLM-0202A output half at (199, 100)  Rece 1..2, Out 1..2
//   id 2 sub 2  QLV-3300A at (400, 100)              Rece 1..2, Out 1..2
//   id 3        PC at (20, 300)                      PC-Out1, PC-Out2
//   id 4        generic "Mixer" at (300, 300)        In #1, Out #1
//   id 5        matrix at (500, 300)                 Rece 1, Send 1
//   id 6        text box at (20, 20)
//
//   link 1  PC-Out1 -> input half In 1      physical, begun at the output
//   link 2  input half Send 1 -> matrix Rece 1  network, begun at the input
//   link 3  amplifier Out 1 -> generic In #1    physical, begun at the output
//   link 4  output half Out 1 -> input half In 2  physical, both ends on the unit
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device_editor/zo_device_doc.h"
#include "device_test_support.h"
#include "model/device_external.h"
#include "model/device_generic.h"
#include "model/device_matrix.h"
#include "model/device_models.h"
#include "model/device_ny.h"
#include "model/device_qovg.h"
#include "model/device_text.h"

namespace sheet_builder {

using device_editor::CZoDeviceDoc;

struct end_t {
    std::int32_t id, subType, channel;
};

// A link from the output channel `from` to the input channel `to`, its points
// at the two channel centres.
inline std::unique_ptr<model::CDeviceLink> MakeLink(const CZoDeviceDoc& doc, std::int32_t id,
                                                    end_t from, end_t to, bool drawnFromOutput) {
    auto link = std::make_unique<model::CDeviceLink>();
    const model::CDeviceChnl* out = doc.FindChannel(from.id, from.subType, from.channel);
    const model::CDeviceChnl* in = doc.FindChannel(to.id, to.subType, to.channel);
    link->m_id = id;
    link->m_sourceModule = to.id;
    link->m_sourceSubType = to.subType;
    link->m_sourceChannel = to.channel;
    link->m_destModule = from.id;
    link->m_destSubType = from.subType;
    link->m_destChannel = from.channel;
    link->m_drawnFromOutput = drawnFromOutput ? 1 : 0;
    const model::CDeviceChnl* begun = drawnFromOutput ? out : in;
    link->BeginAtChnl(*begun);
    link->m_end = (drawnFromOutput ? in : out)->m_rect.CenterPoint();
    return link;
}

inline void Build(CZoDeviceDoc& doc, const model::TextMeasurer& dc) {
    doc.AddDevice(std::make_unique<model::CDeviceNy>(dc, 100, 100, 1, 9, 1));
    doc.AddDevice(std::make_unique<model::CDeviceNy>(dc, 199, 100, 1, 9, 2));
    doc.AddDevice(std::make_unique<model::CDeviceQOVG>(dc, 400, 100, 2, model::kModelQOVG, 2));
    doc.AddDevice(std::make_unique<model::CDeviceExternal>(dc, 20, 300, 3, model::kModelPc, 0));
    doc.AddDevice(std::make_unique<model::CDeviceGeneric>(dc, 300, 300, 4, "Mixer",
                                                          model::kModelGeneric, 1, 1));
    doc.AddDevice(
        std::make_unique<model::CDeviceMatrix>(dc, 500, 300, 5, "M", model::kModelMatrix, 1, 1));
    doc.AddDevice(
        std::make_unique<model::CDeviceText>(dc, 20, 20, 6, "Rack A", model::kModelText, 0));
    EXPECT_TRUE(doc.AddLinkFromRecord(MakeLink(doc, 1, {3, 0, 0}, {1, 1, 0}, true)));
    EXPECT_TRUE(doc.AddLinkFromRecord(MakeLink(doc, 2, {1, 1, 2}, {5, 0, 0}, false)));
    EXPECT_TRUE(doc.AddLinkFromRecord(MakeLink(doc, 3, {2, 2, 2}, {4, 0, 0}, true)));
    EXPECT_TRUE(doc.AddLinkFromRecord(MakeLink(doc, 4, {1, 2, 2}, {1, 1, 1}, true)));
}

// Each document link has exactly one copy at each end channel, naming the
// same ends; no channel holds a copy of a link the document lacks; a
// channel is connected exactly while it holds a copy.
inline void ExpectConsistent(const CZoDeviceDoc& doc, const char* when) {
    SCOPED_TRACE(when);
    for (const auto& link : doc.Links()) {
        for (const end_t end :
             {end_t{link->m_sourceModule, link->m_sourceSubType, link->m_sourceChannel},
              end_t{link->m_destModule, link->m_destSubType, link->m_destChannel}}) {
            const model::CDeviceChnl* c = doc.FindChannel(end.id, end.subType, end.channel);
            ASSERT_NE(c, nullptr) << "link " << link->m_id;
            int copies = 0;
            for (const auto& copy : c->m_links) {
                if (copy->m_id != link->m_id)
                    continue;
                ++copies;
                EXPECT_EQ(copy->m_sourceModule, link->m_sourceModule);
                EXPECT_EQ(copy->m_destModule, link->m_destModule);
                EXPECT_EQ(copy->m_sourceChannel, link->m_sourceChannel);
                EXPECT_EQ(copy->m_destChannel, link->m_destChannel);
                EXPECT_EQ(copy->m_start, link->m_start) << "link " << link->m_id;
                EXPECT_EQ(copy->m_end, link->m_end) << "link " << link->m_id;
            }
            EXPECT_EQ(copies, 1) << "link " << link->m_id << " at " << end.id << "/" << end.subType
                                 << "/" << end.channel;
        }
    }
    for (const auto& device : doc.Devices()) {
        for (const auto& channel : device->m_channels) {
            const model::CDeviceChnl* c = model::AsDeviceChnl(channel.get());
            if (c == nullptr)
                continue;
            EXPECT_EQ(c->m_connected, c->m_links.empty() ? 0 : 1)
                << "device " << device->m_id << "/" << device->m_subType << " channel "
                << c->m_number;
            for (const auto& copy : c->m_links)
                EXPECT_NE(doc.FindLink(copy->m_id), nullptr)
                    << "stale copy of link " << copy->m_id << " at device " << device->m_id;
        }
    }
    int ids = 0;
    for (const auto& link : doc.Links()) {
        for (const auto& other : doc.Links())
            ids += other->m_id == link->m_id ? 1 : 0;
    }
    EXPECT_EQ(ids, doc.GetLinkCount()) << "each link once";
}

// Every object's stored form by identity, whatever the order of the arrays.
// The link copies of each channel are first sorted by id, in place: their
// order means nothing, and undo puts things back at the end.
using snapshot_t = std::map<std::string, std::vector<std::uint8_t>>;
inline snapshot_t Snapshot(CZoDeviceDoc& doc) {
    snapshot_t out;
    for (const auto& device : doc.Devices()) {
        for (const auto& channel : device->m_channels)
            if (model::CDeviceChnl* c = model::AsDeviceChnl(channel.get()))
                std::stable_sort(c->m_links.items().begin(), c->m_links.items().end(),
                                 [](const auto& a, const auto& b) { return a->m_id < b->m_id; });
        out["device " + std::to_string(device->m_id) + "/" + std::to_string(device->m_subType)] =
            device_test::StoreObject(*device);
    }
    for (const auto& link : doc.Links())
        out["link " + std::to_string(link->m_id)] = device_test::StoreObject(*link);
    return out;
}

} // namespace sheet_builder
