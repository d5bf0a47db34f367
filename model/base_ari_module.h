#pragma once
// CBaseAriModule: the base of every DSP algorithm module on a DSP
// configuration sheet, with the module type table and the geometry and
// colour rules every module constructor follows. Its channels are CDSPChnl
// objects.
//
// Archive form (schema 2): order, memory cost, time cost, hidden flag,
// display name, group, group name; then the class reference of CBaseModule
// and the module part. Schema 1 lacks group and group name (group 0, no
// name); any other schema reads none of the own fields. A loaded module may
// have at most 16 channels on each side.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/base_module.h"

namespace model {

// Module type codes (the type code field of a DSP module).
enum AriTypeCode : std::int32_t {
    kAriBase = 0,
    kAriInput = 1,
    kAriOutput = 2,
    kAriDelay = 3,
    kAriRouter = 4,
    kAriMixer = 5,
    kAriGeneral = 6, // never made
    kAriDynamic = 7,
    kAriGenerator = 8,
    kAriEqualizer = 9,
    kAriFilter = 10,
    kAriCrossover = 11,
    kAriText = 12,
    kAriMeter = 13,
};

// The module type table: a type's name by its code.
inline constexpr std::array<const char*, 14> g_szAriTypeName = {
    "BASE",    "Input",     "Output",    "Delay",  "Router",    "Mixer", "General",
    "Dynamic", "Generator", "Equalizer", "Filter", "Crossover", "Text",  "Meter"};

// The type's name, or an empty text for a code outside the table.
std::string_view AriTypeName(std::int32_t typeCode);
// The Ostrel.ini section of the type's colours: "ARI" and the type's name in
// capitals ("ARIDELAY"); empty for a code outside the table.
std::string AriColourSection(std::int32_t typeCode);

// Hit test answers besides a channel index.
inline constexpr int kAriHitBody = 1000;
inline constexpr int kAriHitNothing = -1;

struct CProgramSettings;

// What a module class decides from its variant before the shared geometry
// (BuildLayout) places its body and channels.
struct AriLayout {
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    std::int32_t width = 100; // 110 for the crossover
    std::int32_t extra = 38;  // 35 for the router and the mixer
    // A side with one channel names it plainly "In" or "Out" unless this is
    // set (the mixer numbers even a lone output).
    bool numberLoneChannels = false;
};

class CBaseAriModule : public CBaseModule {
    ARCHIVE_DECLARE_SERIAL(CBaseAriModule)
public:
    static constexpr int kMaxChannelsPerSide = 16;

    // An input or output module: one of the sheet's fixed channels, which
    // is never deleted and has no resource cost.
    bool IsChannelModule() const { return m_typeCode == kAriInput || m_typeCode == kAriOutput; }

    // Colour slots.
    static constexpr std::size_t kBodyColour = 0;        // body fill
    static constexpr std::size_t kTypeColour = 1;        // pen, title strip, group marks
    static constexpr std::size_t kTypeNameColour = 2;    // type name text
    static constexpr std::size_t kDisplayNameColour = 3; // display name text
    static constexpr COLORREF kDefaultBodyColour = 0xC8F0F0;

    // The defaults of every field: the base's, and body colour 0xC8F0F0.
    CBaseAriModule();

    void Serialize(platform::archive::archive_t& ar) override;

    // The index of the first channel whose rectangle holds pt, else
    // kAriHitBody when the body does, else kAriHitNothing. pt is in sheet
    // coordinates; right and bottom edges lie outside.
    int HitTest(Point pt) const;

    // Draws the module shifted by (dx, dy): body, drop shadow, title strip,
    // etched edge and frame, type name, display name with one diamond mark
    // per group number, the channels, and the network mark of the input and
    // output modules.
    virtual void Draw(Canvas& dc, std::int32_t dx, std::int32_t dy);
    // Moves the body and the input count + output count channels; not the
    // title box.
    virtual void Offset(std::int32_t dx, std::int32_t dy);

    std::int32_t m_order = 0;      // execution order: the module's address in commands
    std::int32_t m_memoryCost = 0; // DSP memory words
    std::int32_t m_timeCost = 0;   // DSP processing time
    std::int32_t m_group = 0;      // binding group; 0 none
    std::string m_groupName;
    std::int32_t m_hidden = 0; // neither drawn nor picked by the view while set
    std::string m_displayName; // shown on the sheet and as the dialog caption

protected:
    // For the module classes' initialising constructors: id, type code and
    // variant (sub-type), every other field at its default.
    CBaseAriModule(std::int32_t id, std::int32_t typeCode, std::int32_t variant);

    // Body (x, y, x + width, y + 12 * max(inputs, outputs) + extra) and the
    // channels: input i at (left + 4, top + 32 + 12 i, left + 12,
    // top + 40 + 12 i) named "In %d" (i + 1), output j at (right - 12,
    // top + 32 + 12 j, right - 4, top + 40 + 12 j) named "Out %d" (j + 1),
    // numbered after the inputs. Counts are kept within 0 .. 16.
    void BuildLayout(std::int32_t x, std::int32_t y, const AriLayout& layout);

    // The type colour from the program settings, Ostrel.ini (section
    // AriColourSection, key "RcTypeColor", as an integer; the class's default
    // when missing) and the class's type-name colour. The current snapshot,
    // or the given one for a constructor that reads more of it.
    void LoadTypeColours(COLORREF typeColourDefault, COLORREF typeNameColour);
    void LoadTypeColours(const CProgramSettings& settings, COLORREF typeColourDefault,
                         COLORREF typeNameColour);

    int MaxChannelsPerSide() const override { return kMaxChannelsPerSide; }
};

} // namespace model
