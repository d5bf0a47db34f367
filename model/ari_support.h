#pragma once
// What the DSP module classes share beyond CBaseAriModule: copying the base
// part, storing and loading fields, the checks on stored counts and the
// archive form of a biquad section. Internal to the model's module classes.
#include <cstdint>
#include <string>
#include <string_view>

#include "model/base_ari_module.h"
#include "model/filter_math.h"
#include "model/schema.h"
#include "platform/archive/archive.h"

namespace model {

// Copies every module and DSP-module field of `from` (the channels as new
// copies of their own class); the module classes' CopyFrom start with it.
void CopyAriModuleBase(CBaseAriModule& to, const CBaseAriModule& from);

// Whether a module class's Serialize stores or loads its own fields: always
// when storing; when loading only for schema 1 or 2 (asking the archive for
// the object's schema, which it answers once).
bool SerializesOwnFields(platform::archive::archive_t& ar);

// The class reference of CBaseAriModule and the base part, after a module
// class's own fields.
void SerializeAriBase(platform::archive::archive_t& ar, CBaseAriModule& module);

// Stores or loads a count that decides how many of the following items go
// into or come out of arrays of fixed size. One outside lo .. hi is the
// archive's format error at the count's offset, on loading and on storing
// alike (`what` names the count in the error).
void SerializeCount(platform::archive::archive_t& ar, std::int32_t& count, std::int32_t lo,
                    std::int32_t hi, std::string_view what);

// Stores or loads fields in order: integers and doubles as themselves, text
// as an archive string.
inline void SerializeValue(platform::archive::archive_t& ar, std::int32_t& v) {
    if (ar.IsStoring())
        ar << v;
    else
        ar >> v;
}
inline void SerializeValue(platform::archive::archive_t& ar, double& v) {
    if (ar.IsStoring())
        ar << v;
    else
        ar >> v;
}
inline void SerializeValue(platform::archive::archive_t& ar, std::string& v) {
    if (ar.IsStoring())
        ar << std::string_view(v);
    else
        ar >> v;
}
template <class... T> void SerializeFields(platform::archive::archive_t& ar, T&... fields) {
    (SerializeValue(ar, fields), ...);
}

// A section as five doubles: b0, b1, b2, a1, a2.
void SerializeBiquad(platform::archive::archive_t& ar, BiquadCoeffs& section);

} // namespace model
