#include "firmware/database.h"

#include "platform/profile/profile.h"
#include "platform/text/ascii.h"
#include "platform/text/codepage.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <limits>
#include <optional>
#include <tuple>

namespace {

constexpr const char* ini_name = "database.ini";
constexpr const char* section_options = "options";
constexpr const char* section_checksums = "Checksums";
constexpr const char* section_types = "Device Types";
// A shown type name is at most 255 characters.
constexpr std::size_t type_buffer = 256;

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

using platform::text::equals_no_case;

// One unsigned decimal number after optional blanks; none when there is no
// digit or it does not fit 32 bits.
std::optional<std::uint32_t> read_number(std::string_view text, std::size_t& at) {
    while (at < text.size() && is_blank(text[at]))
        ++at;
    std::uint64_t value = 0;
    const std::size_t start = at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        value = value * 10 + static_cast<unsigned>(text[at] - '0');
        if (value > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt;
        ++at;
    }
    if (at == start)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::string ini_path(const std::string& folder) {
    return folder + ini_name;
}

// "code boot ", "code boot fpga " or "code boot fpga fpga2": the blanks
// after boot and fpga belong to the stored form.
std::string checksum_value(const update::checksums_t& c) {
    std::string value = std::to_string(c.code) + " " + std::to_string(c.boot) + " ";
    if (c.fpga != 0 || c.fpga2 != 0)
        value += std::to_string(c.fpga) + " ";
    if (c.fpga2 != 0)
        value += std::to_string(c.fpga2);
    return value;
}

// The regular files of the folder whose names end in ".bin" (any case),
// by name without regard to case.
std::vector<std::string> image_files(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < 4 ||
            !equals_no_case(std::string_view(name).substr(name.size() - 4), ".bin"))
            continue;
        struct stat info {};
        if (::stat((folder + name).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int order = platform::text::compare_no_case(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

} // namespace

// ---------------------------------------------------------------------------

image_record image_record::from_file_name(std::string_view file_name,
                                          const update::checksums_t& checksums) {
    image_record record;
    record.file_name = std::string(file_name);
    record.checksums = checksums;

    std::string text(file_name);
    std::replace(text.begin(), text.end(), '_', ' ');
    std::size_t at = 0;
    while (at < text.size() && is_blank(text[at]))
        ++at;
    const std::size_t type_start = at;
    while (at < text.size() && !is_blank(text[at]))
        ++at;
    if (at == type_start)
        return record;
    const std::string type = text.substr(type_start, at - type_start);
    std::uint32_t numbers[3] = {};
    for (std::uint32_t& number : numbers) {
        const std::optional<std::uint32_t> read = read_number(text, at);
        if (!read)
            return record;
        number = *read;
    }
    record.type_name = type;
    record.major = numbers[0];
    record.minor = numbers[1];
    record.build = numbers[2];
    record.valid = true;
    return record;
}

bool version_less(const image_record& a, const image_record& b) {
    return std::tie(a.major, a.minor, a.build) < std::tie(b.major, b.minor, b.build);
}

// ---------------------------------------------------------------------------

std::string catalogue_t::display_name(const image_record* record) const {
    if (!record)
        return "???";
    const auto shown = device_types_.find(record->type_name);
    const std::string& type = shown != device_types_.end() ? shown->second : record->type_name;
    return type + " version " + std::to_string(record->major) + "." +
           std::to_string(record->minor) + "." + std::to_string(record->build);
}

std::string catalogue_t::image_path(const image_record& record) const {
    return folder_ + record.file_name;
}

const image_record* catalogue_t::find_by_code(std::uint32_t code) const {
    if (code == 0)
        return nullptr;
    for (const image_record& record : records_)
        if (record.checksums.code == code)
            return &record;
    return nullptr;
}

std::vector<const image_record*> catalogue_t::find_all() const {
    std::vector<const image_record*> all;
    for (const image_record& record : records_)
        all.push_back(&record);
    return all;
}

std::vector<const image_record*> catalogue_t::find_compatible(const image_record* record) const {
    std::vector<const image_record*> found;
    for (const image_record& r : records_)
        if (!record || r.type_name == record->type_name)
            found.push_back(&r);
    return found;
}

const image_record* catalogue_t::own(const image_record* record) const {
    if (!record)
        return nullptr;
    for (const image_record& r : records_)
        if (&r == record)
            return &r;
    for (const image_record& r : records_)
        if (equals_no_case(r.file_name, record->file_name) && r.type_name == record->type_name)
            return &r;
    return nullptr;
}

const image_record* catalogue_t::find_prefered(const image_record* record) const {
    if (!record)
        return nullptr;
    const image_record* given = own(record);
    const image_record* best = given && given->exists ? given : nullptr;
    for (const image_record& r : records_) {
        if (r.type_name != record->type_name || !r.exists)
            continue;
        if (!best || version_less(*best, r))
            best = &r;
    }
    return best;
}

// ---------------------------------------------------------------------------

database_t::database_t() : current_(std::make_shared<const catalogue_t>()) {
    update::register_families();
}

database_t::~database_t() {
    std::lock_guard guard(init_lock_);
    const std::shared_ptr<const catalogue_t> catalogue = snapshot();
    try {
        const platform::profile::ini_file_t ini(ini_path(catalogue->folder_));
        if (dirty_ && ini.read_int(section_options, "writeini", 1) != 0)
            save_checksums(*catalogue);
    } catch (...) {
        // A cache that cannot be written is recomputed next time.
    }
}

std::shared_ptr<const catalogue_t> database_t::snapshot() const {
    std::lock_guard guard(snapshot_lock_);
    return current_;
}

void database_t::init(const std::string& folder) {
    std::lock_guard guard(init_lock_);
    const std::shared_ptr<const catalogue_t> previous = snapshot();
    if (dirty_) {
        save_checksums(*previous);
        dirty_ = false;
    }

    auto next = std::make_shared<catalogue_t>();
    next->folder_ = folder;
    if (!folder.empty() && folder.back() != '/')
        next->folder_ += '/';
    // Shown names of an earlier folder stay known.
    next->device_types_ = previous->device_types_;
    load_device_types(*next);
    const bool dropped = load_checksums(*next);
    const bool added = scan(*next);

    {
        std::lock_guard swap(snapshot_lock_);
        current_ = std::move(next);
    }
    dirty_ = added || dropped;
}

std::unique_ptr<update::upload_job_t> database_t::start_upload(const qo::ip_address_t& unit) const {
    return std::make_unique<update::upload_job_t>(snapshot(), unit);
}

void database_t::load_device_types(catalogue_t& catalogue) {
    const platform::profile::ini_file_t ini(ini_path(catalogue.folder_));
    for (const std::string& key : ini.key_names(section_types))
        catalogue.device_types_[key] = ini.read_string(section_types, key, key, type_buffer);
}

bool database_t::load_checksums(catalogue_t& catalogue) {
    const platform::profile::ini_file_t ini(ini_path(catalogue.folder_));
    bool dropped = false;
    for (const std::string& key : ini.key_names(section_checksums)) {
        const std::string value = ini.read_string(section_checksums, key, "0");
        // code, boot, fpga, fpga2; missing ones are 0.
        std::uint32_t numbers[4] = {};
        std::size_t at = 0;
        for (std::uint32_t& number : numbers) {
            const std::optional<std::uint32_t> read = read_number(value, at);
            if (!read)
                break;
            number = *read;
        }
        update::checksums_t checksums;
        checksums.code = numbers[0];
        checksums.boot = numbers[1];
        checksums.fpga = numbers[2];
        checksums.fpga2 = numbers[3];
        // A code checksum of 0 is no valid code: no scan lists such an image,
        // and an older cache that did must not offer it as an update. The
        // file, when present, is measured anew.
        if (checksums.code == 0) {
            dropped = true;
            continue;
        }
        image_record record = image_record::from_file_name(key, checksums);
        if (record.valid)
            catalogue.records_.push_back(std::move(record));
    }
    return dropped;
}

bool database_t::scan(catalogue_t& catalogue) {
    const platform::profile::ini_file_t ini(ini_path(catalogue.folder_));
    const bool nocache = ini.read_int(section_options, "nocache", 0) != 0;
    auto& records = catalogue.records_;
    bool added = false;
    for (const std::string& name : image_files(catalogue.folder_)) {
        const auto cached =
            std::find_if(records.begin(), records.end(),
                         [&](const image_record& r) { return equals_no_case(r.file_name, name); });
        if (cached != records.end()) {
            if (!nocache) {
                cached->exists = true;
                continue;
            }
            records.erase(cached);
        }
        update::checksums_t checksums;
        if (!update::is_family_image(catalogue.folder_ + name, checksums))
            continue;
        image_record record = image_record::from_file_name(name, checksums);
        if (!record.valid)
            continue;
        record.exists = true;
        records.push_back(std::move(record));
        added = true;
    }
    return added;
}

void database_t::save_checksums(const catalogue_t& catalogue) {
    platform::profile::ini_file_t ini(ini_path(catalogue.folder_));
    std::vector<std::string> lines;
    for (const image_record& record : catalogue.records_) {
        // The ini layer writes UTF-8 only; a name in another encoding would
        // make it refuse the whole section, so such an image is left out of
        // the cache and measured again next time.
        if (!platform::text::is_valid_utf8(record.file_name))
            continue;
        lines.push_back(record.file_name + "=" + checksum_value(record.checksums));
    }
    // The section goes first, so that it is written anew at the end of the
    // file.
    ini.write_string(section_checksums, std::nullopt, std::nullopt);
    if (!lines.empty())
        ini.write_section(section_checksums, lines);
}
