#pragma once
// The connection list of a device sheet without its widgets: which links run
// from the sending channels of the units and matrices to receiving channels,
// one row per sending channel (from its first link), grouped by sending
// device; its text export and its printout.
//
// Widget mapping (CDeviceDlgLinkView):
//   list filled on opening          -> Rows(): a separator row shows "void"
//                                      in column 0 (item data: its Device),
//                                      any other row columns 1, 2, the arrow
//                                      (bitmap 214), 4 and 5 (item data: its
//                                      Channel); column titles ColumnTitle(1..5)
//                                      in the locked header
//   "另存为..."                       -> a save dialog on DefaultFileName()
//                                      (extension "txt", filter
//                                      "text file (*.txt)", overwrite prompt);
//                                      on OK Export(path)
//   "打印..."                         -> Print(printer) with the default
//                                      printer, or null when there is none
//   "退出"                            -> close
#include <ctime>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "model/base_device.h"
#include "model/device_chnl.h"
#include "model/gdi_types.h"

namespace device_editor {

class CZoDeviceDoc;

struct LinkRow {
    bool separator = false;
    // The sending device (item data of a separator row) and channel (item
    // data of any other row).
    const model::CBaseDevice* device = nullptr;
    const model::CDeviceChnl* channel = nullptr;
    std::string sendChannel;    // column 1
    std::string sendDevice;     // column 2
    std::string receiveChannel; // column 4
    std::string receiveDevice;  // column 5
};

// A device as the list shows it: its name, then in brackets the last four
// characters of its MAC text (all of it when shorter).
std::string LinkDeviceLabel(const model::CBaseDevice& device);

// The rows of the document, devices in order. A device takes part when it is
// a unit of sub-type 2, a unit of models 1 to 3 or a matrix; a unit whose MAC
// text is not 12 characters long is left out. Each of its output channels
// that has a link gives a row from its first link: the receiving channel and
// device are that link's input end. A separator row follows each device that
// gave rows.
std::vector<LinkRow> CollectLinkRows(const CZoDeviceDoc& doc);

// The export's text (UTF-8, CRLF): the title line, the header, a ruler of 65
// "=", then per row the four columns between blanks, a separator row as an
// empty line.
std::string LinkListText(std::span<const LinkRow> rows);

// "路由连接关系(mm-dd-yyyy).txt" for the date.
std::string LinkListFileName(const std::tm& date);

// A printer for the printout: the default printer, or a test's page
// recorder. Page coordinates are device pixels.
class ILinkListPrinter {
public:
    virtual ~ILinkListPrinter() = default;
    // Connects to the printer and starts a document; false when that fails.
    virtual bool Begin() = 0;
    // The printable page in device pixels and the vertical resolution.
    virtual model::Size PageSize() const = 0;
    virtual int DpiY() const = 0;
    // A new page to draw on, valid until EndPage.
    virtual model::Canvas& StartPage() = 0;
    virtual void EndPage() = 0;
    // Ends the document: the pages go to the printer.
    virtual void End() = 0;
};

// Lays the list out on pages and prints it, in 10-point Arial: half an inch
// of margin on every side, the title on the first page, then the column
// titles, a ruler of "=" and one line per row (an empty line for a
// separator), the columns at quarters of the printable width; a new page
// when the next line would cross the bottom margin. Returns the pages
// printed.
int PrintLinkList(ILinkListPrinter& printer, std::span<const LinkRow> rows);

class CLinkViewController {
public:
    static constexpr int kFileNameStem = 4105;
    static constexpr int kTitle = 4106;
    static constexpr int kHeader = 4107;
    static constexpr int kColumnTitles = 4108; // columns 1, 2, 4, 5: 4108..4111

    // The rows are collected at once; the document outlives the controller.
    explicit CLinkViewController(const CZoDeviceDoc& doc);

    const std::vector<LinkRow>& Rows() const { return m_rows; }
    // The title of column 1, 2, 4 or 5; empty for the others.
    static std::string ColumnTitle(int column);
    // The name a save proposes, with today's local date.
    static std::string DefaultFileName();

    // Writes the list into a temporary file beside `path` and renames it
    // over `path`, so a failed write keeps the old file; then false after
    // message 286.
    bool Export(const std::filesystem::path& path) const;
    // Asks whether to print now; on OK prints on `printer`. No printer
    // (null) or one that cannot begin shows the printer failure. Whether a
    // printout was made.
    bool Print(ILinkListPrinter* printer) const;

private:
    std::vector<LinkRow> m_rows;
};

} // namespace device_editor
