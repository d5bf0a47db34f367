#include "qo/bstr.h"
#include "qo/error_info.h"
#include "qo/errorcode.h"
#include "qo/exception.h"
#include "qo/format.h"
#include "qo/module_dir.h"
#include "qo/net/exception.h"
#include "qo/net/winsock_error.h"
#include "qo/proc/thread_stop_exception.h"
#include "qo/wapi/exception.h"
#include "qo/wapi/system_text.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace automation = platform::automation;

template <typename Row>
requires requires(const Row& r) {
    r.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

// ---------------------------------------------------------------------------
// The library's error codes.

struct code_row_t {
    std::uint32_t code;
    const char* name;
    const char* text;
};

const std::vector<code_row_t> expected_table = {
    {0x00000000, "no_error", "this is not an error"},
    {0x20000001, "generic_error", "Generic error"},
    {0x20000002, "unknown_exception", "unknown exception encountered"},
    {0x20000003, "winapi", "Windows API error"},
    {0x20000004, "not_implemented", "function is not implemented"},
    {0x20000100, "vesk_min", "VESK min error number"},
    {0x200001FF, "vesk_max", "VESK max error number"},
    {0x20000200, "xml_min", "XML min error number"},
    {0x200002FF, "xml_max", "XML max error number"},
    {0x20000300, "qonet_min", "qo::net min error number"},
    {0x200003FF, "qonet_max", "qo::net max error number"},
    {0x20000101, "vesk_generic", "control engine generic error"},
    {0x20000102, "vesk_no_engine", "control engine does not exist"},
    {0x20000103, "vesk_no_config_file", "no configuration file"},
    {0x20000103, "vesk_bad_config_file", "bad configuration file"},
    {0x20000104, "vesk_bad_type", "bad control type specified in configuration file"},
    {0x20000105, "vesk_bad_function", "bad function name specified in configuration file"},
    {0x20000106, "vesk_bad_cgid", "bad change group id"},
    {0x20000107, "vesk_bad_ruid", "bad ruid"},
    {0x20000108, "vesk_readonly", "control is read-only"},
    {0x20000109, "vesk_internal", "control engine internal failure"},
    {0x20000201, "xml_generic", "xml generic error"},
    {0x20000202, "xml_internal", "xml internal error"},
    {0x20000203, "xml_unknown_exception", "xml unknown exception"},
    {0x20000204, "xml_rethrow_exception", "xml error"},
    {0x20000205, "xml_file_open", "xml file open failure"},
    {0x20000206, "xml_file_read", "xml file read failure"},
    {0x20000207, "xml_parse_error", "xml parse error"},
    {0x20000208, "xml_element_missing", "xml element missing"},
    {0x20000209, "xml_element_illegal", "xml element illegal"},
    {0x2000020A, "xml_element_invalid", "xml element invalid"},
    {0x2000020B, "xml_attribute_missing", "xml attribute missing"},
    {0x2000020C, "xml_attribute_illegal", "xml attribute illegal"},
    {0x2000020D, "xml_attribute_invalid", "xml attribute invalid"},
    {0x20000301, "qonet_generic", "network generic error"},
    {0x20000302, "qonet_sock_timeout", "sockets timeout"},
    {0x20000303, "qonet_malformed_address", "malformed network address"},
    {0x20000303, "qonet_bad_address", "bad network address"},
};

TEST(QoErrorcode, TableHoldsEveryRowInOrder) {
    ASSERT_EQ(qo::errorcode_table.size(), expected_table.size());
    for (std::size_t i = 0; i < expected_table.size(); ++i) {
        SCOPED_TRACE(expected_table[i].name);
        EXPECT_EQ(qo::errorcode_table[i].code, expected_table[i].code);
        EXPECT_EQ(qo::errorcode_table[i].name, expected_table[i].name);
        EXPECT_EQ(qo::errorcode_table[i].text, expected_table[i].text);
    }
}

// Every code gives the text of its first row: the second row of a
// duplicated code is never reached.
TEST(QoErrorcode, EveryCodeGivesTheTextOfItsFirstRow) {
    for (std::size_t i = 0; i < expected_table.size(); ++i) {
        const code_row_t& row = expected_table[i];
        std::size_t first = i;
        while (first > 0 && expected_table[first - 1].code == row.code)
            --first;
        SCOPED_TRACE(row.name);
        const qo::errorcode_t e(row.code, "T");
        EXPECT_EQ(e.code(), row.code);
        EXPECT_EQ(std::string(e.what()), std::string("T: ") + expected_table[first].text);
        ASSERT_NE(qo::errorcode_t::find(row.code), nullptr);
        EXPECT_EQ(qo::errorcode_t::find(row.code)->name, expected_table[first].name);
    }
    EXPECT_STREQ(qo::errorcode_t(0x20000303, "T").what(), "T: malformed network address");
}

TEST(QoErrorcode, UnknownCodeNamesItInUpperCaseHex) {
    EXPECT_EQ(qo::errorcode_t::find(0x2000ABCD), nullptr);
    EXPECT_STREQ(qo::errorcode_t(0x2000ABCD, "T").what(), "T: unkown qo::errorcode 0x2000ABCD");
    EXPECT_STREQ(qo::errorcode_t(0x5, "T").what(), "T: unkown qo::errorcode 0x5");
}

TEST(QoErrorcode, IsCaughtAsTheFamilyRoot) {
    try {
        throw qo::errorcode_t(qo::errorcode::qonet_sock_timeout, "client socket timeout");
    } catch (const qo::exception_t& e) {
        EXPECT_STREQ(e.what(), "client socket timeout: sockets timeout");
    }
}

// ---------------------------------------------------------------------------
// Texts built from formats.

TEST(QoException, FormatsItsTextPrintfStyle) {
    EXPECT_STREQ(qo::exception_t("Illegal index %i for vector with %i element(s).", 7, 3).what(),
                 "Illegal index 7 for vector with 3 element(s).");
    EXPECT_STREQ(qo::exception_t().what(), "");
    EXPECT_STREQ(qo::exception_t("").what(), "");
}

// A text assembled from outside data may hold '%': it must come out as it
// went in, not be read as a format.
TEST(QoException, SingleTextIsNotAFormat) {
    EXPECT_STREQ(qo::exception_t("Could not convert 100%s%n to snmp variable").what(),
                 "Could not convert 100%s%n to snmp variable");
}

TEST(QoException, FormatThatDoesNotFitItsArgumentsGivesTheFormat) {
    EXPECT_NO_THROW(qo::exception_t("%d items", "seven"));
    EXPECT_STREQ(qo::exception_t("%d items", "seven").what(), "%d items");
}

struct cut_row_t {
    const char* name;
    std::string text;
    std::size_t expected_size;
};

class QoTextCut : public ::testing::TestWithParam<cut_row_t> {};

TEST_P(QoTextCut, ExceptionAndFormatCutAt511) {
    const cut_row_t& row = GetParam();
    EXPECT_EQ(qo::exception_t("%s", row.text).text().size(), row.expected_size);
    EXPECT_EQ(qo::exception_t(row.text).text().size(), row.expected_size);
    EXPECT_EQ(qo::format("%s", row.text).size(), row.expected_size);
    EXPECT_EQ(qo::format("%s", row.text), row.text.substr(0, row.expected_size));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QoTextCut,
    ::testing::Values(cut_row_t{"short_text_kept", std::string(10, 'a'), 10},
                      cut_row_t{"exactly_511_kept", std::string(511, 'a'), 511},
                      cut_row_t{"512_cut", std::string(512, 'a'), 511},
                      cut_row_t{"600_cut", std::string(600, 'a'), 511},
                      // A cut inside a multi-byte character would leave
                      // invalid text for the automation caller.
                      cut_row_t{"split_character_dropped_whole",
                                std::string(510, 'a') + "\xE4\xB8\xAD", 510},
                      cut_row_t{"character_ending_at_511_kept",
                                std::string(508, 'a') + "\xE4\xB8\xAD" + "b", 511}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QoFormat, WritesIntoATextOrOntoAStream) {
    std::string out = "old";
    qo::format(out, "%s=%d", "port", 69);
    EXPECT_EQ(out, "port=69");
    std::ostringstream stream;
    qo::format(stream, "%05.1f|%e", 3.14159, 1.0);
    EXPECT_EQ(stream.str(), "003.1|1.000000e+000");
    qo::format(stream, "%s", std::string(700, 'z'));
    EXPECT_EQ(stream.str().size(), 19u + 511u);
}

// ---------------------------------------------------------------------------
// System and socket errors.

struct errno_row_t {
    const char* name;
    int error;
    std::uint32_t system_code;
    std::int32_t socket_code;
};

class QoErrnoMapping : public ::testing::TestWithParam<errno_row_t> {};

TEST_P(QoErrnoMapping, MapsToTheCodesTheTextsUse) {
    const errno_row_t& row = GetParam();
    EXPECT_EQ(qo::wapi::error_from_errno(row.error), row.system_code);
    EXPECT_EQ(qo::net::error_from_errno(row.error), row.socket_code);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QoErrnoMapping,
    ::testing::Values(errno_row_t{"timed_out", ETIMEDOUT, 1460, 10060},
                      errno_row_t{"refused", ECONNREFUSED, 0x20000000u | ECONNREFUSED, 10061},
                      errno_row_t{"reset", ECONNRESET, 0x20000000u | ECONNRESET, 10054},
                      errno_row_t{"would_block", EAGAIN, 1450, 10035},
                      errno_row_t{"address_in_use", EADDRINUSE, 0x20000000u | EADDRINUSE, 10048},
                      errno_row_t{"not_connected", ENOTCONN, 0x20000000u | ENOTCONN, 10057},
                      errno_row_t{"not_a_socket", ENOTSOCK, 0x20000000u | ENOTSOCK, 10038},
                      errno_row_t{"message_too_long", EMSGSIZE, 0x20000000u | EMSGSIZE, 10040},
                      errno_row_t{"unreachable", EHOSTUNREACH, 0x20000000u | EHOSTUNREACH, 10065},
                      errno_row_t{"broken_pipe", EPIPE, 109, 10058},
                      errno_row_t{"invalid", EINVAL, 87, 10022},
                      errno_row_t{"bad_descriptor", EBADF, 6, 10009},
                      errno_row_t{"access", EACCES, 5, 10013},
                      errno_row_t{"no_memory_same_code_both_ways", ENOMEM, 8, 8},
                      errno_row_t{"file_not_found", ENOENT, 2, 2},
                      errno_row_t{"io_error_falls_back_to_system_code", EIO, 1117, 1117},
                      errno_row_t{"unmapped_keeps_errno", ENOEXEC, 0x20000000u | ENOEXEC,
                                  static_cast<std::int32_t>(0x20000000u | ENOEXEC)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QoWinsockText, TableAndFallbacks) {
    EXPECT_EQ(qo::net::winsock_error_text(10060), "connection timed out");
    EXPECT_EQ(qo::net::winsock_error_text(10061), "connection refused");
    EXPECT_EQ(qo::net::winsock_error_text(10056), "Socket is already connected");
    EXPECT_EQ(qo::net::winsock_error_text(6), "WSA_INVALID_HANDLE");
    EXPECT_EQ(qo::net::winsock_error_text(11001), "host not found");
    EXPECT_EQ(qo::net::winsock_error_text(-1), "WSA_WAIT_FAILED");
    // Outside the table: the system text, marked as such, else the number.
    EXPECT_EQ(qo::net::winsock_error_text(1117), qo::wapi::system_text(1117) + " (system error)");
    EXPECT_EQ(qo::net::winsock_error_text(12345), "WinSock error# 12345");
}

TEST(QoNetException, TakesTheLastSocketError) {
    errno = ETIMEDOUT;
    const qo::net::exception_t e;
    EXPECT_EQ(e.code(), 10060);
    EXPECT_STREQ(e.what(), "connection timed out");
    EXPECT_STREQ(qo::net::exception_t(99999).what(), "WinSock error# 99999");
}

TEST(QoWapiException, TextCarriesTheSystemTextOfTheLastError) {
    errno = ENOENT;
    const qo::wapi::exception_t plain;
    EXPECT_EQ(plain.code(), 2u);
    EXPECT_EQ(std::string(plain.what()), qo::wapi::system_text(2));
    EXPECT_FALSE(qo::wapi::system_text(2).empty());

    errno = ENOENT;
    const qo::wapi::exception_t named("error opening file");
    EXPECT_EQ(std::string(named.what()), "error opening file: " + qo::wapi::system_text(2));

    // A code without system text is named by number.
    EXPECT_STREQ(qo::wapi::exception_t(12345u).what(), "WinAPI error# 12345");
    EXPECT_STREQ(qo::wapi::exception_t(12345u, "file not open").what(),
                 "file not open: WinAPI error# 12345");
    // No trailing line break in any system text.
    for (std::uint32_t code : {0u, 2u, 5u, 6u, 8u, 87u, 112u, 1460u}) {
        const std::string text = qo::wapi::system_text(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_NE(text.back(), '\n') << code;
        EXPECT_NE(text.back(), '\r') << code;
    }
}

TEST(QoThreadStopException, IsAThreadModuleError) {
    const qo::proc::thread_stop_exception_t e;
    const qo::proc::exception_t& base = e;
    EXPECT_STREQ(base.what(), "thread stop signaled");
}

// ---------------------------------------------------------------------------
// Automation boundary.

TEST(QoAutomation, FillExcepinfoSetsCodeTextsAndZeroesTheRest) {
    automation::EXCEPINFO info;
    info.dwHelpContext = 77;
    info.scode = 5;
    info.wReserved = 9;
    EXPECT_EQ(fill_excepinfo(&info, "com_vector", "Illegal index 3 for vector with 2 element(s)."),
              automation::DISP_E_EXCEPTION);
    EXPECT_EQ(info.wCode, 1001);
    EXPECT_EQ(info.wReserved, 0);
    EXPECT_EQ(bstr_to_string(info.bstrSource), "com_vector");
    EXPECT_EQ(bstr_to_string(info.bstrDescription),
              "Illegal index 3 for vector with 2 element(s).");
    EXPECT_EQ(info.bstrHelpFile, nullptr);
    EXPECT_EQ(info.dwHelpContext, 0u);
    EXPECT_EQ(info.pfnDeferredFillIn, nullptr);
    EXPECT_EQ(info.scode, 0);
    automation::clear_excepinfo(info);
    // The caller may pass no record at all.
    EXPECT_EQ(fill_excepinfo(nullptr, "s", "d"), automation::DISP_E_EXCEPTION);
}

TEST(QoAutomation, BstrConversionsKeepTheText) {
    const std::string text = "设备 00602b0a0b0c";
    automation::BSTR b = qo::string_to_bstr(text);
    EXPECT_EQ(bstr_to_string(b), text);
    automation::SysFreeString(b);
    b = qo::string_to_bstr("");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(bstr_to_string(b), "");
    automation::SysFreeString(b);
    EXPECT_EQ(bstr_to_string(nullptr), "");
}

TEST(QoModuleDir, IsTheFolderOfThisProgram) {
    const std::string& dir = qo::module_dir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    char self[PATH_MAX] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    EXPECT_EQ(std::string(self).rfind(dir, 0), 0u);
    EXPECT_EQ(std::string(self).find('/', dir.size()), std::string::npos);
    EXPECT_EQ(&qo::module_dir(), &dir);
}

} // namespace
