#pragma once
// The sheet's input modules named after the routing database: input channel
// k + 1 of the unit (k = 0..3) is the pair of input modules 2k + 1 (left)
// and 2k + 2 (right), and the database's ROUTERLINK table tells which
// output channel feeds it. The connection and the server, user and password
// it is opened with are the main frame's; the settings dialog (276) asks
// for them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/router_database.h"

namespace dsp_editor {

class CZoDSPDoc;
class CZoDSPView;

// The line the event log gets when a route cannot be read.
inline constexpr const char* kRouteQueryFailedLog =
    "Data base error: failed to get router informations!";
// One query per input channel, the unit's MAC and the channel (1-4) bound.
inline constexpr const char* kRouteQuery =
    "SELECT OUTCHANNELID from ROUTERLINK where INMAC=? and INCHANNEL=?";
inline constexpr const char* kRouteQueryField = "OUTCHANNELID";
// The input channels the database knows of a unit.
inline constexpr int kRoutedInputChannels = 4;

// The database settings dialog (276) without its window: the server, user
// and password its edits hold.
class CDSPDlgDBServerSet {
public:
    // Controls, by the ids their texts have in the language packs.
    static constexpr int kDialog = 276;
    static constexpr int kCtlServer = 1326;
    static constexpr int kCtlUser = 1327;
    static constexpr int kCtlPassword = 1210;
    // The account the installations' databases are made with (user names
    // are case-sensitive).
    static constexpr const char* kDefaultUser = "vargolin";

    // `storedServer`: the server the frame kept from the last use.
    explicit CDSPDlgDBServerSet(std::string storedServer)
        : m_storedServer(std::move(storedServer)) {}

    // The edits' first texts: the stored server, the default user, no
    // password.
    void OnInitDialog();
    // The edits as Connect (OK) takes them.
    void OnOK(std::string server, std::string user, std::string password);
    shell::CDatabaseSettings Settings() const { return {m_server, m_user, m_password}; }

    std::string m_server;
    std::string m_user;
    std::string m_password;

private:
    std::string m_storedServer;
};

// What the query answered: the field of the first row (none for no row),
// or that it failed.
struct CRouteAnswer {
    bool failed = false;
    std::optional<std::string> value;
};

// The main frame as the router-link query reaches it: the settings it keeps
// between uses, its connection and the settings dialog. The program
// implements it over the frame (dsp_editor/ui/router_link_frame.h).
class IRouterLinkFrame {
public:
    virtual ~IRouterLinkFrame() = default;
    // Set: the settings dialog opens before the next connection.
    virtual bool DatabaseSettingsPending() const = 0;
    virtual void SetDatabaseSettingsPending(bool pending) = 0;
    // The server, user and password of the last confirmed dialog.
    virtual shell::CDatabaseSettings DatabaseSettings() const = 0;
    virtual void SetDatabaseSettings(const shell::CDatabaseSettings& settings) = 0;
    // Opens the connection with the stored settings: whether it is open. A
    // failure has been logged and shown (250) by the frame.
    virtual bool OpenDatabase() = 0;
    // Runs `sql` on the open connection, its '?' placeholders taking
    // `boundValues` in order, and reads `field` of the first row as text.
    virtual CRouteAnswer FirstRowField(const std::string& sql,
                                       const std::vector<std::string>& boundValues,
                                       const std::string& field) = 0;
    virtual void CloseDatabase() = 0;
    // Shows the settings dialog modally over `dialog` (its edits filled by
    // OnInitDialog); whether it closed with Connect.
    virtual bool RunDBServerSetDialog(CDSPDlgDBServerSet& dialog) = 0;
};

// Input modules 2k + 1 and 2k + 2 (k = 0..3) take the labels "<text>-L"
// and "<text>-R"; the document announces them and is marked modified. A
// module of another type with such an id, or another k, is left alone.
void SetInputPairName(CZoDSPDoc& doc, int k, const std::string& text);

// Asks the database which output channel feeds input channel k + 1 of the
// document's unit and names that pair after it; no row changes nothing. A
// failed query, or a unit MAC other than 12 hexadecimal digits (which is
// never sent), writes the event-log line and shows 250.
void LoadChannelNameFromDB(CZoDSPDoc& doc, IRouterLinkFrame& frame, int k);

// Names the four input pairs from the database: 1 once the four queries
// ran (each failing one reported on its own), 0 when nothing was asked.
// While the frame's settings are pending the settings dialog opens first
// (OK stores its settings and clears the flag); a connection that fails
// opens it again until one succeeds. Cancel returns 0 and changes nothing.
// A unit MAC other than 12 hexadecimal digits is refused before any of it,
// with the log line and one 250.
int NameInputsFromDatabase(CZoDSPDoc& doc, IRouterLinkFrame& frame);

// The view's command that names the inputs from the database: the
// settings dialog opens on every use, then the inputs are named and the
// view repaints when the queries ran.
void OnNameInputsFromDatabase(CZoDSPView& view, IRouterLinkFrame& frame);

} // namespace dsp_editor
