#include "poller/snmp_pp.h"

#include <string>
#include <string_view>

#include "platform/text/number.h"
#include "poller/octet_text.h"
#include "qo/exception.h"

namespace kestrin2 {

namespace pp = platform::snmppp;

namespace {

[[noreturn]] void cannot_convert(const std::string& text) {
    throw qo::exception_t(std::string_view("Could not convert " + text + " to snmp variable"));
}

// The text as a value of `syntax`, or cannot_convert.
void put_text(pp::Vb& vb, std::uint8_t syntax, const std::string& text) {
    switch (syntax) {
    case pp::syntax_int32:
        vb.set_value(static_cast<long>(platform::text::to_int32(text)));
        return;
    case pp::syntax_octets:
        vb.set_value(pp::OctetStr(octets_from_text(text)));
        return;
    case pp::syntax_oid: {
        const pp::Oid id(text);
        if (!id.valid())
            break;
        vb.set_value(id);
        return;
    }
    case pp::syntax_ip_address: {
        const pp::IpAddress address(text);
        if (!address.valid())
            break;
        vb.set_value(address);
        return;
    }
    case pp::syntax_counter32:
        vb.set_value(pp::Counter32(static_cast<std::uint32_t>(platform::text::to_int32(text))));
        return;
    case pp::syntax_gauge32:
        vb.set_value(pp::Gauge32(static_cast<std::uint32_t>(platform::text::to_int32(text))));
        return;
    case pp::syntax_timeticks:
        vb.set_value(pp::TimeTicks(static_cast<std::uint32_t>(platform::text::to_int32(text))));
        return;
    case pp::syntax_counter64: {
        // A signed 64-bit decimal; its two halves become the counter's.
        std::int64_t number = 0;
        if (platform::text::parse_leading_int(text, &number) == 0)
            break;
        const auto bits = static_cast<std::uint64_t>(number);
        vb.set_value(pp::Counter64(static_cast<std::uint32_t>(bits >> 32),
                                   static_cast<std::uint32_t>(bits)));
        return;
    }
    default:
        break;
    }
    cannot_convert(text);
}

} // namespace

snmp_pp_t::snmp_pp_t() {
    int status = pp::status_success;
    snmp_ = std::make_unique<pp::Snmp>(status);
    if (status != pp::status_success) {
        snmp_.reset();
        throw qo::exception_t(std::string_view(std::string("SNMP++ Session Create Fail, ") +
                                               pp::Snmp::error_msg(status)));
    }
}

snmp_pp_t::~snmp_pp_t() = default;

std::uint32_t snmp_pp_t::target_timeout(int timeout_ms) {
    return timeout_ms < 0 ? 0 : static_cast<std::uint32_t>(timeout_ms / 30);
}

void snmp_pp_t::prepare(const snmp_vb_t& vb, const snmp_request_options_t& options) {
    const pp::GenAddress address(vb.ip);
    if (!address.valid())
        throw qo::exception_t("Invalid IP address");
    vb_ = pp::Vb(pp::Oid(vb.name));
    if (pdu_.get_vb_count() == 0)
        pdu_ += vb_;
    else
        pdu_.set_vbs({vb_});
    target_.set_address(address);
    target_.set_version(pp::snmp_version::version1);
    target_.set_retry(options.retry_count);
    target_.set_timeout(target_timeout(options.timeout_ms));
    target_.set_readcommunity(pp::OctetStr(options.community));
    target_.set_writecommunity(pp::OctetStr(options.community));
    snmp_->set_abandon_fd(options.abandon ? options.abandon->fd() : -1);
}

void snmp_pp_t::check(int status) const {
    if (status == pp::status_success)
        return;
    if (status == pp::status_abandoned)
        throw snmp_abandoned_t();
    const int shown = status == pp::status_error_status_set ? pdu_.get_error_status() : status;
    throw qo::exception_t(std::string_view(std::string("SNMP Error: ") + pp::Snmp::error_msg(shown)));
}

void snmp_pp_t::take(snmp_vb_t& vb, bool with_name) {
    if (!pdu_.get_vb(vb_, 0))
        throw qo::exception_t("SNMP Error: Invalid PDU");
    if (with_name)
        vb.name = vb_.get_printable_oid();
    vb.type = vb_.get_syntax();
    if (vb.type == pp::syntax_octets) {
        const auto& bytes = static_cast<const pp::OctetStr*>(vb_.get_value())->bytes();
        vb.value = text_from_octets(bytes.data(), bytes.size());
    } else {
        vb.value = vb_.get_printable_value();
    }
}

void snmp_pp_t::get(snmp_vb_t& vb, const snmp_request_options_t& options) {
    prepare(vb, options);
    check(snmp_->get(pdu_, target_));
    take(vb, false);
}

void snmp_pp_t::get_next(snmp_vb_t& vb, const snmp_request_options_t& options) {
    prepare(vb, options);
    check(snmp_->get_next(pdu_, target_));
    take(vb, true);
}

void snmp_pp_t::set(snmp_vb_t& vb, const snmp_request_options_t& options) {
    prepare(vb, options);
    check(snmp_->get(pdu_, target_));
    if (!pdu_.get_vb(vb_, 0))
        throw qo::exception_t("SNMP Error: Invalid PDU");
    put_text(vb_, vb_.get_syntax(), vb.value);
    pdu_.set_vb(vb_, 0);
    check(snmp_->set(pdu_, target_));
    take(vb, false);
}

} // namespace kestrin2
