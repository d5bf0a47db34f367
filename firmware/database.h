#pragma once
// The firmware catalogue: the images "<type>_<major>_<minor>_<build>.bin"
// of one folder that a device family recognises, with their part
// checksums, cached in the folder's database.ini.
//
// What the catalogue lists is an immutable snapshot (catalogue_t) held by
// shared pointers: versions, vectors, units and jobs keep the snapshot they
// were made from, and database_t::init builds a new one and swaps it in, so
// nothing that refers to a record is freed or changed under it.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/base.h"
#include "firmware/job.h"
#include "qo/ip_address.h"

// One firmware image.
struct image_record {
    std::string file_name;
    // "unknown" until the name parses.
    std::string type_name = "unknown";
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    update::checksums_t checksums;
    // The file name parsed.
    bool valid = false;
    // The file was seen in the folder by the last scan.
    bool exists = false;

    // A record for the file name: every "_" reads as a blank, then the name
    // must give a type (no blank in it) and three unsigned decimal numbers;
    // the last one ends at the first character that is not a digit (".bin").
    static image_record from_file_name(std::string_view file_name,
                                       const update::checksums_t& checksums);
};

// true when a's version is older than b's: major, then minor, then build.
bool version_less(const image_record& a, const image_record& b);

// One catalogue as a scan left it. Record pointers it returns point into
// this snapshot.
class catalogue_t {
public:
    // Ends in "/" unless empty (the current folder).
    const std::string& folder() const { return folder_; }
    // In catalogue order.
    const std::vector<image_record>& records() const { return records_; }

    // "<shown type> version <major>.<minor>.<build>", the shown type being
    // the [Device Types] name of the type if it has one; "???" for none.
    std::string display_name(const image_record* record) const;
    // Folder + file name.
    std::string image_path(const image_record& record) const;

    // The first record with this code checksum. A code checksum of 0 is a
    // unit without valid code, which no image is: none.
    const image_record* find_by_code(std::uint32_t code) const;
    std::vector<const image_record*> find_all() const;
    // The records of the record's type, present or not; all records for
    // none.
    std::vector<const image_record*> find_compatible(const image_record* record) const;
    // The newest present record of the record's type: the record itself wins
    // a tie, else the first in catalogue order. None for none.
    const image_record* find_prefered(const image_record* record) const;

    // The record of this snapshot for a record that may come from another
    // one (same file name); none when it has none.
    const image_record* own(const image_record* record) const;

private:
    friend class database_t;

    std::string folder_;
    std::vector<image_record> records_;
    std::map<std::string, std::string> device_types_;
};

class database_t {
public:
    // Empty until init. Registers the built-in device families.
    database_t();
    // Rewrites [Checksums] when [options] writeini (default 1) allows and a
    // scan found new images or left out a cached entry.
    ~database_t();
    database_t(const database_t&) = delete;
    database_t& operator=(const database_t&) = delete;

    // Rewrites [Checksums] of the current folder first when needed (whatever
    // writeini says), then builds the catalogue of `folder` and swaps it in.
    // A missing folder or ini file gives an empty catalogue or the defaults.
    void init(const std::string& folder);

    // The current snapshot (never null).
    std::shared_ptr<const catalogue_t> snapshot() const;

    // Makes and starts an upload job against the current snapshot.
    std::unique_ptr<update::upload_job_t> start_upload(const qo::ip_address_t& unit) const;

private:
    static void load_device_types(catalogue_t& catalogue);
    // true when it left out a cached entry that the file is to lose.
    static bool load_checksums(catalogue_t& catalogue);
    // true when it listed a new image.
    static bool scan(catalogue_t& catalogue);
    static void save_checksums(const catalogue_t& catalogue);

    // One init (and the destructor's save) at a time; guards dirty_.
    std::mutex init_lock_;
    // The [Checksums] section of the current folder needs rewriting.
    bool dirty_ = false;

    mutable std::mutex snapshot_lock_;
    std::shared_ptr<const catalogue_t> current_;
};
