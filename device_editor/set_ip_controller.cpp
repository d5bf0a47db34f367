#include "device_editor/set_ip_controller.h"

#include <algorithm>

#include "model/messages.h"
#include "platform/profile/profile.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"

namespace device_editor {

using platform::profile::ini_file_t;

void CIpAddressValue::SetField(int index, std::string_view text) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        m_fields[index].reset();
        return;
    }
    // Three digits at most fit the field; more only ever means "too big".
    int value = 0;
    for (const char c : text)
        value = std::min(value * 10 + (c - '0'), 256);
    m_fields[index] = std::min(value, 255);
}

void CIpAddressValue::SetValue(std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        m_fields[i] = static_cast<int>((value >> (24 - 8 * i)) & 0xFF);
}

int CIpAddressValue::BlankCount() const {
    return static_cast<int>(std::count(m_fields.begin(), m_fields.end(), std::nullopt));
}

std::uint32_t CIpAddressValue::Value() const {
    std::uint32_t value = 0;
    for (const std::optional<int>& field : m_fields)
        value = value << 8 | static_cast<std::uint32_t>(field.value_or(0));
    return value;
}

std::string DottedAddress(std::uint32_t address) {
    return platform::text::format(
        "%d.%d.%d.%d", static_cast<int>(address >> 24), static_cast<int>(address >> 16 & 0xFF),
        static_cast<int>(address >> 8 & 0xFF), static_cast<int>(address & 0xFF));
}

std::string_view NetworkPart(std::string_view dotted) {
    const std::size_t dot = dotted.rfind('.');
    return dot == std::string_view::npos ? dotted : dotted.substr(0, dot);
}

CSetIpController::CSetIpController(INetworkCards* cards, std::filesystem::path iniPath)
    : m_source(cards), m_iniPath(std::move(iniPath)) {}

void CSetIpController::Open(std::uint32_t start, std::uint32_t end) {
    const ini_file_t ini(m_iniPath);
    if (m_source != nullptr)
        m_cards = m_source->Titles();
    const std::string stored = ini.read_string("AdapterSeg", "Adapter", "", 128);
    const auto it = std::find(m_cards.begin(), m_cards.end(), stored);
    SelectCard(it == m_cards.end() ? -1 : static_cast<int>(it - m_cards.begin()));
    m_start.SetValue(start);
    m_end.SetValue(end);
    m_startVisible = ini.read_int("IPSeg", "StartVisible", 1) == 1;
}

void CSetIpController::SelectCard(int index) {
    m_selected = index >= 0 && index < static_cast<int>(m_cards.size()) ? index : -1;
    m_cardAddress = m_selected >= 0 && m_source != nullptr
                        ? m_source->Address(m_cards[static_cast<std::size_t>(m_selected)])
                        : std::string();
}

std::string CSetIpController::ToolTip() const {
    return m_selected >= 0 ? m_cards[static_cast<std::size_t>(m_selected)] : std::string();
}

std::optional<IpRangeSettings> CSetIpController::Accept() {
    const auto lastField = [](const CIpAddressValue& ip) { return ip.Field(3).value_or(0); };
    const std::string start = DottedAddress(m_start.Value()), end = DottedAddress(m_end.Value());
    int message = 0;
    if (!m_start.IsComplete())
        message = resources::kMsgStartIpWrong;
    else if (!m_end.IsComplete())
        message = resources::kMsgEndIpWrong;
    else if (lastField(m_start) < 1 || lastField(m_start) > 254)
        message = resources::kMsgStartIpLastField;
    else if (lastField(m_end) < 1 || lastField(m_end) > 254)
        message = resources::kMsgEndIpLastField;
    else if (m_end.Value() < m_start.Value())
        message = resources::kMsgStartAboveEnd;
    else if (m_selected < 0)
        message = resources::kMsgChooseCard;
    else if (NetworkPart(m_cardAddress) != NetworkPart(start))
        message = resources::kMsgStartNotOnCard;
    else if (NetworkPart(m_cardAddress) != NetworkPart(end))
        message = resources::kMsgEndNotOnCard;
    if (message != 0) {
        model::ShowMessage(message);
        return std::nullopt;
    }
    IpRangeSettings out{m_start.Value(), m_end.Value(),
                        m_cards[static_cast<std::size_t>(m_selected)], m_startVisible};
    ini_file_t ini(m_iniPath);
    ini.write_string("IPSeg", "IPStart", start);
    ini.write_string("IPSeg", "IPEnd", end);
    ini.write_string("AdapterSeg", "Adapter", out.adapter);
    ini.write_string("IPSeg", "StartVisible", m_startVisible ? "1" : "0");
    return out;
}

int NetTypeIndex(std::string_view netType) {
    return netType == "Normal" ? 0 : 1;
}

std::string_view NetTypeText(int index) {
    return index == 0 ? "Normal" : "Wireless";
}

} // namespace device_editor
