#pragma once
// Test-only classes with the archive forms of the sheet objects (module,
// DSP module, delay, channel, DSP channel, link) and two helpers, so that the
// archive can be checked against whole objects as documents store them.
#include <array>
#include <cstdint>
#include <string>

#include "platform/archive/archive.h"
#include "platform/archive/object_array.h"

namespace archive_test {

namespace pa = platform::archive;

class CBaseChnl : public pa::serializable_t {
    ARCHIVE_DECLARE_SERIAL(CBaseChnl)
public:
    void Serialize(pa::archive_t& ar) override;

    std::int32_t direction = 0, number = 0, module_id = 0, peer_channel = 0, peer_module = 0;
    std::string name;
    std::int32_t link_count = 0;
    pa::raw_rect rect;
    std::int32_t colour = 0, outline_colour = 0;
    std::int32_t highlighted = 0; // view state, never stored
    std::uint32_t seen_schema = 0;
};

class CDSPChnl : public CBaseChnl {
    ARCHIVE_DECLARE_SERIAL(CDSPChnl)
public:
    void Serialize(pa::archive_t& ar) override;
    std::uint32_t seen_own_schema = 0;
};

class CBaseModule : public pa::serializable_t {
    ARCHIVE_DECLARE_SERIAL(CBaseModule)
public:
    void Serialize(pa::archive_t& ar) override;

    std::int32_t id = 0, type_code = 0, sub_type = 0;
    std::string type_name, name;
    std::int32_t input_count = 0, output_count = 0;
    pa::object_array_t<CBaseChnl> channels;
    pa::raw_rect body;
    std::int32_t selected = 0;
    pa::raw_rect title;
    std::array<std::int32_t, 4> colours{};
    std::uint32_t seen_module_schema = 0;
};

class CBaseAriModule : public CBaseModule {
    ARCHIVE_DECLARE_SERIAL(CBaseAriModule)
public:
    void Serialize(pa::archive_t& ar) override;

    std::int32_t order = 0, memory_cost = 0, time_cost = 0, group = 0;
    std::string group_name;
    std::int32_t hidden = 0;
    std::string display_name;
    std::uint32_t seen_ari_schema = 0;
};

class CAriDelay : public CBaseAriModule {
    ARCHIVE_DECLARE_SERIAL(CAriDelay)
public:
    void Serialize(pa::archive_t& ar) override;

    std::int32_t bypass = 0;
    double max_delay = 0, delay = 0;
    std::uint32_t seen_delay_schema = 0;
};

class CBaseLink : public pa::serializable_t {
    ARCHIVE_DECLARE_SERIAL(CBaseLink)
public:
    void Serialize(pa::archive_t& ar) override;

    std::int32_t id = 0, source_module = 0, source_channel = 0, destination_module = 0,
                 destination_channel = 0;
    pa::raw_point start, end;
    std::int32_t selected = 0;
    std::int32_t pen_width = 1, colour = 0;
    std::uint32_t seen_schema = 0;
};

// No fields: the smallest object there is (a tag), for streams of many objects.
class CTestEmpty : public pa::serializable_t {
    ARCHIVE_DECLARE_SERIAL(CTestEmpty)
public:
    void Serialize(pa::archive_t& ar) override;
};

// Holds children of its own kind: nesting as deep as a file cares to go.
class CTestNode : public pa::serializable_t {
    ARCHIVE_DECLARE_SERIAL(CTestNode)
public:
    void Serialize(pa::archive_t& ar) override;
    pa::object_array_t<CTestNode> children;
};

// Cannot be created: a file naming it must not load.
class CTestAbstract : public pa::serializable_t {
    ARCHIVE_DECLARE_SERIAL(CTestAbstract)
public:
    virtual void Pure() = 0;
};

// Every class above.
const pa::class_registry_t& test_classes();

// The delay module of the worked example: variant 1 (5 ms), with its two
// channels, body's top-left at (x, y).
std::unique_ptr<CAriDelay> make_delay(std::int32_t id, std::int32_t x, std::int32_t y,
                                      const std::string& name);

} // namespace archive_test
