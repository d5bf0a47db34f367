#include "platform/automation/guid.h"
#include "platform/automation/types.h"
#include "platform/automation/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace pa = platform::automation;

namespace {

TEST(AutomationBstr, NullIsDistinctFromEmpty)
{
    pa::BSTR empty = pa::SysAllocString("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(pa::SysStringLen(empty), 0u);
    EXPECT_EQ(empty[0], '\0');
    EXPECT_EQ(pa::SysStringLen(nullptr), 0u);
    EXPECT_TRUE(pa::bstr_view(nullptr).empty());
    pa::SysFreeString(empty);
    pa::SysFreeString(nullptr);

    pa::bstr_t none;
    EXPECT_TRUE(none.is_null());
    EXPECT_EQ(none.copy(), nullptr);
    pa::bstr_t blank("");
    EXPECT_FALSE(blank.is_null());
}

TEST(AutomationBstr, KeepsEmbeddedZeroBytesAndTerminates)
{
    const std::string text("a\0b\xE4\xB8\xAD", 6);
    pa::bstr_t s(text);
    EXPECT_EQ(pa::SysStringLen(s.get()), 6u);
    EXPECT_EQ(s.str(), text);
    EXPECT_EQ(s.get()[6], '\0');

    pa::bstr_t copy = s;
    EXPECT_NE(copy.get(), s.get());
    EXPECT_EQ(copy.str(), text);
    pa::bstr_t moved = std::move(copy);
    EXPECT_TRUE(copy.is_null());
    EXPECT_EQ(moved.str(), text);
}

TEST(AutomationGuid, ParsesAndPrintsTheUsualForm)
{
    constexpr auto g = pa::make_guid("{381EF319-04C3-4191-AD9D-FED30FE4DF7B}");
    static_assert(g.Data1 == 0x381EF319u && g.Data2 == 0x04C3 && g.Data3 == 0x4191);
    EXPECT_EQ(g.Data4[0], 0xAD);
    EXPECT_EQ(g.Data4[7], 0x7B);
    EXPECT_EQ(pa::to_string(g), "{381EF319-04C3-4191-AD9D-FED30FE4DF7B}");
    EXPECT_EQ(pa::parse_guid("381ef319-04c3-4191-ad9d-fed30fe4df7b"), g);
    EXPECT_EQ(pa::to_string(pa::GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
}

TEST(AutomationGuid, RejectsMalformedText)
{
    const char* rows[] = {
        "",
        "{381EF319-04C3-4191-AD9D-FED30FE4DF7B",   // brace not closed
        "381EF319-04C3-4191-AD9D-FED30FE4DF7B}",   // brace not opened
        "{381EF319-04C3-4191-AD9D-FED30FE4DF7}",   // a digit short
        "{381EF319-04C3-4191-AD9D-FED30FE4DF7G}",  // not hex
        "{381EF31904C3-4191-AD9D-FED30FE4DF7B0}",  // dash moved
        " {381EF319-04C3-4191-AD9D-FED30FE4DF7B}", // blank
    };
    for (const char* row : rows)
        EXPECT_FALSE(pa::parse_guid(row)) << row;
}

pa::variant_t text(const char* s) { return pa::variant_t(std::string_view(s)); }

struct change_row {
    const char* fault;
    pa::variant_t from;
    pa::VARTYPE to;
    pa::HRESULT hr;
    std::string expect; // the result read back as text
};

std::string as_text(const pa::VARIANT& v)
{
    switch (v.vt) {
    case pa::VT_EMPTY: return "(empty)";
    case pa::VT_I2: return "I2 " + std::to_string(v.iVal);
    case pa::VT_I4: return "I4 " + std::to_string(v.lVal);
    case pa::VT_UI1: return "UI1 " + std::to_string(v.bVal);
    case pa::VT_UI4: return "UI4 " + std::to_string(v.ulVal);
    case pa::VT_R8: return "R8 " + std::to_string(v.dblVal);
    case pa::VT_BOOL: return v.boolVal == pa::VARIANT_TRUE ? "BOOL true" : v.boolVal == pa::VARIANT_FALSE ? "BOOL false" : "BOOL ?";
    case pa::VT_BSTR: return "BSTR " + std::string(pa::bstr_view(v.bstrVal));
    case pa::VT_ERROR: return "ERROR " + std::to_string(v.scode);
    default: return "vt " + std::to_string(v.vt);
    }
}

TEST(AutomationVariant, ChangeTypeTable)
{
    const change_row rows[] = {
        {"text to integer", text(" 42 "), pa::VT_I4, pa::S_OK, "I4 42"},
        {"negative text", text("-7"), pa::VT_I4, pa::S_OK, "I4 -7"},
        {"half rounds to even (down)", text("2.5"), pa::VT_I4, pa::S_OK, "I4 2"},
        {"half rounds to even (up)", pa::variant_t(3.5), pa::VT_I4, pa::S_OK, "I4 4"},
        {"text that is no number", text("abc"), pa::VT_I4, pa::DISP_E_TYPEMISMATCH, ""},
        {"trailing garbage", text("12x"), pa::VT_I4, pa::DISP_E_TYPEMISMATCH, ""},
        {"empty text is no number", text(""), pa::VT_I4, pa::DISP_E_TYPEMISMATCH, ""},
        {"infinity is no written number", text("inf"), pa::VT_R8, pa::DISP_E_TYPEMISMATCH, ""},
        {"I4 range exceeded", text("2147483648"), pa::VT_I4, pa::DISP_E_OVERFLOW, ""},
        {"I4 lowest fits", text("-2147483648"), pa::VT_I4, pa::S_OK, "I4 -2147483648"},
        {"UI4 refuses negatives", pa::variant_t(std::int32_t{-1}), pa::VT_UI4, pa::DISP_E_OVERFLOW, ""},
        {"UI4 above I4", text("4294967295"), pa::VT_UI4, pa::S_OK, "UI4 4294967295"},
        {"UI4 to I4 overflow", pa::variant_t(std::uint32_t{0x80000000u}), pa::VT_I4, pa::DISP_E_OVERFLOW, ""},
        {"I2 range", pa::variant_t(std::int32_t{40000}), pa::VT_I2, pa::DISP_E_OVERFLOW, ""},
        {"UI1 range", pa::variant_t(std::int32_t{255}), pa::VT_UI1, pa::S_OK, "UI1 255"},
        {"empty to integer is 0", pa::variant_t(), pa::VT_I4, pa::S_OK, "I4 0"},
        {"true is -1", pa::variant_t(true), pa::VT_I4, pa::S_OK, "I4 -1"},
        {"integer to text", pa::variant_t(std::int32_t{-15}), pa::VT_BSTR, pa::S_OK, "BSTR -15"},
        {"double to text, shortest", pa::variant_t(0.1), pa::VT_BSTR, pa::S_OK, "BSTR 0.1"},
        {"empty to text", pa::variant_t(), pa::VT_BSTR, pa::S_OK, "BSTR "},
        {"boolean to text", pa::variant_t(false), pa::VT_BSTR, pa::S_OK, "BSTR 0"},
        {"text true to boolean", text("True"), pa::VT_BOOL, pa::S_OK, "BOOL true"},
        {"non-zero to boolean", pa::variant_t(std::int32_t{5}), pa::VT_BOOL, pa::S_OK, "BOOL true"},
        {"text to double ignores locale", text("1.25"), pa::VT_R8, pa::S_OK, "R8 1.250000"},
        {"double too large", text("1e999"), pa::VT_R8, pa::DISP_E_OVERFLOW, ""},
        {"error stays error", pa::variant_t::error(pa::E_FAIL), pa::VT_BSTR, pa::DISP_E_TYPEMISMATCH, ""},
        {"integer is no object", pa::variant_t(std::int32_t{1}), pa::VT_DISPATCH, pa::DISP_E_TYPEMISMATCH, ""},
        {"empty is no object", pa::variant_t(), pa::VT_DISPATCH, pa::DISP_E_TYPEMISMATCH, ""},
        {"unknown target type", pa::variant_t(std::int32_t{1}), 77, pa::DISP_E_BADVARTYPE, ""},
    };
    for (const auto& row : rows) {
        pa::variant_t out = pa::variant_t(std::string_view("untouched"));
        const pa::HRESULT hr = pa::VariantChangeType(&out, &row.from, row.to);
        EXPECT_EQ(hr, row.hr) << row.fault;
        if (row.hr == pa::S_OK)
            EXPECT_EQ(as_text(out), row.expect) << row.fault;
        else
            EXPECT_EQ(as_text(out), "BSTR untouched") << row.fault << ": failure changed dest";
    }
}

TEST(AutomationVariant, ChangeTypeInPlaceAndThroughReferences)
{
    pa::variant_t v = text("17");
    ASSERT_EQ(pa::VariantChangeType(&v, &v, pa::VT_I4), pa::S_OK);
    EXPECT_EQ(v.vt, pa::VT_I4);
    EXPECT_EQ(v.lVal, 17);

    std::int32_t n = 9;
    pa::VARIANT ref;
    ref.vt = pa::VT_I4 | pa::VT_BYREF;
    ref.plVal = &n;
    pa::variant_t out;
    ASSERT_EQ(pa::VariantChangeType(&out, &ref, pa::VT_BSTR), pa::S_OK);
    EXPECT_EQ(pa::bstr_view(out.bstrVal), "9");

    pa::VARIANT dangling;
    dangling.vt = pa::VT_I4 | pa::VT_BYREF;
    dangling.plVal = nullptr;
    EXPECT_EQ(pa::VariantChangeType(&out, &dangling, pa::VT_I4), pa::DISP_E_TYPEMISMATCH);
}

TEST(AutomationVariant, ClearRefusesUnknownTypesAndCopyIsDeep)
{
    pa::VARIANT odd;
    odd.vt = 99;
    EXPECT_EQ(pa::VariantClear(&odd), pa::DISP_E_BADVARTYPE);

    pa::variant_t a = text("abc");
    pa::variant_t b = a;
    EXPECT_NE(a.bstrVal, b.bstrVal);
    EXPECT_EQ(pa::bstr_view(b.bstrVal), "abc");
    b.clear();
    EXPECT_EQ(b.vt, pa::VT_EMPTY);
    EXPECT_EQ(pa::bstr_view(a.bstrVal), "abc");

    // A null BSTR stays null through a copy: it is not the empty text.
    pa::VARIANT null_text;
    null_text.vt = pa::VT_BSTR;
    null_text.bstrVal = nullptr;
    pa::variant_t copy(null_text);
    EXPECT_EQ(copy.vt, pa::VT_BSTR);
    EXPECT_EQ(copy.bstrVal, nullptr);
}

} // namespace
