#include "device_editor/link_view_controller.h"

#include <cstdint>
#include <span>
#include <system_error>
#include <utility>

#include "device_editor/zo_device_doc.h"
#include "model/messages.h"
#include "platform/archive/file.h"
#include "platform/gdi/canvas.h"
#include "platform/text/format.h"
#include "resources/message_ids.h"
#include "resources/string_table.h"

namespace device_editor {

namespace {

constexpr std::size_t kMacTail = 4;
constexpr std::size_t kRulerLength = 65;

bool TakesPart(const model::CBaseDevice& device) {
    if (device.m_kind == model::kDeviceMatrix)
        return true;
    if (device.m_kind != model::kDeviceUnit || device.m_mac.size() != model::kMacTextLength)
        return false;
    return device.m_subType == 2 || (device.m_typeCode >= 1 && device.m_typeCode <= 3);
}

std::string Text(int id) {
    return std::string(resources::LoadString(id));
}

} // namespace

std::string LinkDeviceLabel(const model::CBaseDevice& device) {
    const std::string& mac = device.m_mac;
    const std::string tail = mac.size() > kMacTail ? mac.substr(mac.size() - kMacTail) : mac;
    return device.m_name + "(" + tail + ")";
}

std::vector<LinkRow> CollectLinkRows(const CZoDeviceDoc& doc) {
    std::vector<LinkRow> rows;
    for (const auto& device : doc.Devices()) {
        if (!TakesPart(*device))
            continue;
        bool any = false;
        for (const auto& base : device->m_channels) {
            const model::CDeviceChnl* channel = model::AsDeviceChnl(base.get());
            if (channel == nullptr || channel->m_direction != 1 || channel->m_links.empty())
                continue;
            const model::CDeviceLink& first = *channel->m_links[0];
            LinkRow row;
            row.device = device.get();
            row.channel = channel;
            row.sendChannel = channel->m_name;
            row.sendDevice = LinkDeviceLabel(*device);
            if (const model::CDeviceChnl* to = doc.FindChannel(
                    first.m_sourceModule, first.m_sourceSubType, first.m_sourceChannel))
                row.receiveChannel = to->m_name;
            if (const model::CBaseDevice* to =
                    doc.FindDevice(first.m_sourceModule, first.m_sourceSubType))
                row.receiveDevice = LinkDeviceLabel(*to);
            rows.push_back(std::move(row));
            any = true;
        }
        if (any) {
            LinkRow separator;
            separator.separator = true;
            separator.device = device.get();
            rows.push_back(std::move(separator));
        }
    }
    return rows;
}

std::string LinkListText(std::span<const LinkRow> rows) {
    std::string text = "\t\t\t   " + Text(CLinkViewController::kTitle) + "\r\n\r\n\r\n";
    text += Text(CLinkViewController::kHeader) + "\r\n";
    text += std::string(kRulerLength, '=') + "\r\n";
    for (const LinkRow& row : rows) {
        if (!row.separator)
            text += "      " + row.sendChannel + "      " + row.sendDevice + "        " +
                    row.receiveChannel + "      " + row.receiveDevice;
        text += "\r\n";
    }
    return text;
}

std::string LinkListFileName(const std::tm& date) {
    char day[16] = {};
    std::strftime(day, sizeof day, "%m-%d-%Y", &date);
    return platform::text::format("%s(%s).txt", Text(CLinkViewController::kFileNameStem).c_str(),
                                  day);
}

int PrintLinkList(ILinkListPrinter& printer, std::span<const LinkRow> rows) {
    const model::Size page = printer.PageSize();
    const int dpi = printer.DpiY() > 0 ? printer.DpiY() : 96;
    const std::int32_t margin = dpi / 2;
    const std::int32_t width = page.cx - 2 * margin;
    const std::int32_t bottom = page.cy - margin;
    // 10 points: the character height at the printer's resolution.
    const model::LOGFONT font = platform::gdi::MakeFont(
        "Arial", -static_cast<std::int32_t>((10LL * dpi + 36) / 72), platform::gdi::FW_NORMAL,
        platform::gdi::DEFAULT_CHARSET, platform::gdi::FF_SWISS);
    const auto column = [&](int index) { return margin + width * index / 4; };

    int pages = 0;
    model::Canvas* dc = nullptr;
    std::int32_t y = 0;
    std::int32_t line = 0;
    const auto new_page = [&] {
        if (dc != nullptr)
            printer.EndPage();
        dc = &printer.StartPage();
        dc->SelectFont(font);
        dc->SetBkMode(platform::gdi::TRANSPARENT);
        dc->SetTextColor(platform::gdi::kBlack);
        line = dc->GetTextExtent("=").cy * 5 / 4;
        y = margin;
        ++pages;
    };
    // The next line's top, on a new page when this one is full.
    const auto next_line = [&] {
        if (y + line > bottom && y > margin)
            new_page();
        const std::int32_t top = y;
        y += line;
        return top;
    };
    const auto columns = [&](const std::string(&texts)[4]) {
        const std::int32_t top = next_line();
        for (int i = 0; i < 4; ++i)
            dc->TextOut(column(i), top, texts[i]);
    };

    new_page();
    const std::string title = Text(CLinkViewController::kTitle);
    dc->TextOut(margin + (width - dc->GetTextExtent(title).cx) / 2, next_line(), title);
    next_line();
    columns({CLinkViewController::ColumnTitle(1), CLinkViewController::ColumnTitle(2),
             CLinkViewController::ColumnTitle(4), CLinkViewController::ColumnTitle(5)});
    dc->TextOut(margin, next_line(), std::string(kRulerLength, '='));
    for (const LinkRow& row : rows) {
        if (row.separator)
            next_line();
        else
            columns({row.sendChannel, row.sendDevice, row.receiveChannel, row.receiveDevice});
    }
    printer.EndPage();
    return pages;
}

CLinkViewController::CLinkViewController(const CZoDeviceDoc& doc) : m_rows(CollectLinkRows(doc)) {}

std::string CLinkViewController::ColumnTitle(int column) {
    switch (column) {
    case 1:
        return Text(kColumnTitles);
    case 2:
        return Text(kColumnTitles + 1);
    case 4:
        return Text(kColumnTitles + 2);
    case 5:
        return Text(kColumnTitles + 3);
    default:
        return {};
    }
}

std::string CLinkViewController::DefaultFileName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LinkListFileName(local);
}

bool CLinkViewController::Export(const std::filesystem::path& path) const {
    const std::string text = LinkListText(m_rows);
    try {
        platform::archive::write_file_atomic(
            path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    } catch (const std::system_error&) {
        model::ShowMessage(resources::kMsgOpenFileFailed);
        return false;
    }
    return true;
}

bool CLinkViewController::Print(ILinkListPrinter* printer) const {
    if (model::Ask(resources::kMsgAskPrint, model::EMessageButtons::OkCancel,
                   model::EMessageAnswer::Ok) != model::EMessageAnswer::Ok)
        return false;
    if (printer == nullptr || !printer->Begin()) {
        model::ShowMessage(resources::kMsgPrinterFailed);
        return false;
    }
    PrintLinkList(*printer, m_rows);
    printer->End();
    return true;
}

} // namespace device_editor
