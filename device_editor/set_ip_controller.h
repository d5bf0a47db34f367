#pragma once
// The logic of the network-settings dialogs without their widgets: the IP
// address field's value, the IP-range dialog (card, start and end address,
// the start-up flag) and the network type.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace device_editor {

// An IP address control's four fields, each blank or 0-255; the 32-bit
// value has the first field in the high byte.
class CIpAddressValue {
public:
    CIpAddressValue() = default;
    explicit CIpAddressValue(std::uint32_t value) { SetValue(value); }

    // A field as typed: digits only, blank for none; a number above 255
    // becomes 255.
    void SetField(int index, std::string_view text);
    std::optional<int> Field(int index) const { return m_fields[index]; }
    void SetValue(std::uint32_t value);
    void Clear() { m_fields = {}; }

    // How many fields are blank.
    int BlankCount() const;
    bool IsComplete() const { return BlankCount() == 0; }
    // Blank fields count as 0.
    std::uint32_t Value() const;

private:
    std::array<std::optional<int>, 4> m_fields{};
};

// Dotted text of the address and its part before the last ".".
std::string DottedAddress(std::uint32_t address);
std::string_view NetworkPart(std::string_view dotted);

// The discovery server's network cards, as the IP-range dialog reads them.
class INetworkCards {
public:
    virtual ~INetworkCards() = default;
    // Titles in the server's order.
    virtual std::vector<std::string> Titles() = 0;
    // The card's own dotted address ("" when the server has none).
    virtual std::string Address(const std::string& title) = 0;
};

// What an accepted IP-range dialog sets program-wide.
struct IpRangeSettings {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::string adapter;
    bool startVisible = true;
};

// CDeviceDlgSetIP. Reads and writes Ostrel.ini: [IPSeg] IPStart, IPEnd,
// StartVisible and [AdapterSeg] Adapter.
class CSetIpController {
public:
    // `cards` null: the discovery manager could not be created, the card
    // list stays empty.
    CSetIpController(INetworkCards* cards, std::filesystem::path iniPath);

    // Opening with the program's current range: lists the cards, selects
    // the stored one, reads the start-up flag.
    void Open(std::uint32_t start, std::uint32_t end);

    const std::vector<std::string>& Cards() const { return m_cards; }
    // -1 when none is selected.
    int SelectedCard() const { return m_selected; }
    void SelectCard(int index);
    // The selected card's address, shown disabled; also the tool tip's
    // text is the card's title.
    const std::string& CardAddress() const { return m_cardAddress; }
    std::string ToolTip() const;

    CIpAddressValue& Start() { return m_start; }
    CIpAddressValue& End() { return m_end; }
    bool StartVisible() const { return m_startVisible; }
    void SetStartVisible(bool visible) { m_startVisible = visible; }

    // OK: the checks in order, the first failing one shows its message and
    // gives none; else the keys are written and the values returned.
    std::optional<IpRangeSettings> Accept();

private:
    INetworkCards* m_source;
    std::filesystem::path m_iniPath;
    std::vector<std::string> m_cards;
    int m_selected = -1;
    std::string m_cardAddress;
    CIpAddressValue m_start, m_end;
    bool m_startVisible = true;
};

// CDeviceDlgNetType: index 0 normal mode, 1 wireless mode, from and to
// [NetAttri] NetType.
int NetTypeIndex(std::string_view netType);
std::string_view NetTypeText(int index);

} // namespace device_editor
