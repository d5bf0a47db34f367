#pragma once
// CBaseModule: the base of every object placed on a sheet that has channels
// (a device or a DSP module). It owns its channels, inputs first.
//
// Archive form (schema 2; 1 and 2 read alike): id, type code, sub-type, type
// name, name, input count, output count, body (16 bytes), selected, title
// (16 bytes), colours[0..3]; then the channel array. Under any other schema
// only the channel array is read. A loaded module is never selected.
//
// Loading also checks what drawing and moving rely on: each count lies in
// 0 .. MaxChannelsPerSide() and the channel array holds exactly input count
// + output count channels; anything else is the archive's format error
// (archive_error).
#include <array>
#include <cstdint>
#include <string>

#include "model/base_chnl.h"
#include "model/gdi_types.h"
#include "platform/archive/object_array.h"

namespace model {

class CBaseModule : public platform::archive::serializable_t {
    ARCHIVE_DECLARE_SERIAL(CBaseModule)
public:
    // No object of the program has more channels on one side (the generic
    // device allows 50).
    static constexpr int kMaxChannelsPerSide = 64;

    CBaseModule() = default;
    ~CBaseModule() override;

    void Serialize(platform::archive::archive_t& ar) override;

    // The channel at that position of the channel array, or null when index
    // is below 0 or beyond the last channel.
    CBaseChnl* GetChnl(int index) const;
    int GetChnlCount() const { return static_cast<int>(m_channels.size()); }

    std::int32_t m_id = 0;       // unique within the document
    std::int32_t m_typeCode = 0; // DSP module type code, or a device's model code
    std::int32_t m_subType = 0;  // variant within the type
    std::string m_typeName;
    std::string m_name;
    std::int32_t m_inputCount = 0;
    std::int32_t m_outputCount = 0;
    platform::archive::object_array_t<CBaseChnl> m_channels; // inputs first
    Rect m_body;
    std::int32_t m_selected = 0;         // view state; stored, but cleared on load
    Rect m_title;                        // a device's title box; empty for DSP modules
    std::array<COLORREF, 4> m_colours{}; // use fixed by the derived class

protected:
    // The largest input or output count a loaded object of the class may
    // carry.
    virtual int MaxChannelsPerSide() const { return kMaxChannelsPerSide; }
};

} // namespace model
