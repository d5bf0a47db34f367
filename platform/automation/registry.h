#pragma once
// The class registry: which classes exist, under which ProgIDs, and where
// their servers are. One text file per user; $OSTREL_AUTOMATION_REGISTRY
// names another (tests point it at a file of their own).
//
// Sections of the file:
//   [CLSID {...}]     Description, ProgID, VersionIndependentProgID,
//                     Server (inproc | local), Path, ThreadingModel, TypeLib,
//                     AppID, Programmable
//   [ProgID <name>]   Description, CLSID, and for a version-independent
//                     ProgID CurVer (the ProgID of the current version)
//   [TypeLib {...}]   Name, Version, Path
//   [AppID {...}]     Name
//   [AppID <file>]    AppID (the AppID of a server program)
// Section names and keys compare without regard to case. Sections and keys
// the layer does not know are kept when it rewrites the file.
#include "platform/automation/guid.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::automation {

enum class server_kind {
    inproc, // a shared library loaded into the caller's process
    local,  // a program of its own on the same machine
};

struct class_record_t {
    CLSID clsid;
    std::string description;
    std::string progid;
    std::string version_independent_progid;
    server_kind kind = server_kind::inproc;
    std::string path;
    std::string threading_model;
    std::optional<GUID> typelib;
    std::optional<GUID> appid;
    bool programmable = false;
};

struct typelib_record_t {
    GUID libid;
    std::string name;
    std::string version;
    std::string path;
};

struct appid_record_t {
    GUID appid;
    std::string name;
    // File name of the server program that runs under this AppID ("" for none).
    std::string executable;
};

class class_registry_t {
public:
    explicit class_registry_t(std::filesystem::path file);

    // $OSTREL_AUTOMATION_REGISTRY when set and not empty, else
    // $XDG_DATA_HOME/ostrel/automation-classes.ini, else
    // ~/.local/share/ostrel/automation-classes.ini; empty when there is no home.
    static std::filesystem::path default_path();

    const std::filesystem::path& path() const { return file_; }

    // Every lookup reads the file afresh; a missing file is an empty registry.
    std::optional<class_record_t> find_class(const CLSID& clsid) const;
    // A ProgID in any letter case (a version-independent one leads to its
    // current version), or a CLSID in text form.
    std::optional<CLSID> clsid_from_progid(std::string_view progid) const;
    std::optional<std::string> progid_from_clsid(const CLSID& clsid) const;
    std::vector<class_record_t> classes() const;
    std::optional<typelib_record_t> find_typelib(const GUID& libid) const;
    std::optional<appid_record_t> find_appid(const GUID& appid) const;

    // Writes replace the whole file (a temporary file renamed over it), under
    // a lock that serialises writers of all processes. False when the file
    // cannot be written; it is then unchanged.
    //
    // add_class writes the class and its ProgIDs, replacing earlier entries
    // of the same names; remove_class removes the class and every ProgID
    // that leads to it.
    bool add_class(const class_record_t& record);
    bool remove_class(const CLSID& clsid);
    bool add_typelib(const typelib_record_t& record);
    bool remove_typelib(const GUID& libid);
    bool add_appid(const appid_record_t& record);
    bool remove_appid(const GUID& appid);

private:
    std::filesystem::path file_;
};

} // namespace platform::automation
