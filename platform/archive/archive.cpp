#include "platform/archive/archive.h"

#include <algorithm>
#include <stdexcept>

#include "platform/text/format.h"

namespace platform::archive {
namespace {

constexpr std::uint16_t null_tag = 0;
constexpr std::uint16_t new_class_tag = 0xFFFF;
constexpr std::uint16_t class_tag = 0x8000;
constexpr std::uint16_t big_object_tag = 0x7FFF;
constexpr std::uint32_t big_class_tag = 0x80000000u;

std::string describe(std::string_view name) {
    std::string out = "\"";
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7F || c == '"' || c == '\\')
            out += text::format("\\x%02X", b);
        else
            out += c;
    }
    return out + "\"";
}

bool is_ascii(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16LE code units -> UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16le_to_utf8(const std::uint8_t* p, std::size_t units) {
    std::string out;
    out.reserve(units);
    const auto unit = [p](std::size_t i) {
        return static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            append_utf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            append_utf8(out, 0xFFFD);
        } else {
            append_utf8(out, u);
        }
    }
    return out;
}

} // namespace

archive_t::archive_t() : storing_(true) {}

archive_t::archive_t(std::span<const std::uint8_t> data, const class_registry_t& classes,
                     std::size_t start)
    : storing_(false), data_(data.data()), size_(data.size()), pos_(start), classes_(&classes) {
    if (start > data.size())
        throw archive_error(start,
                            text::format("a start within the %lu bytes of data", data.size()));
    // Index 0 is the null tag.
    loaded_.push_back(0);
}

void archive_t::throw_direction() const {
    throw std::logic_error(storing_ ? "archive_t: loading operation on a storing archive"
                                    : "archive_t: storing operation on a loading archive");
}

void archive_t::grow(std::size_t more) {
    require_storing();
    // Blocks double from 4 KiB to 1 MiB, or take a larger write whole.
    const auto room = static_cast<std::size_t>(out_end_ - block_.get());
    if (block_ != nullptr) {
        const auto size = static_cast<std::size_t>(out_next_ - block_.get());
        full_blocks_.push_back({std::move(block_), size});
        full_size_ += size;
    }
    const std::size_t next =
        std::max(more, std::clamp(2 * room, std::size_t{4096}, std::size_t{1} << 20));
    block_ = std::make_unique_for_overwrite<std::uint8_t[]>(next);
    out_next_ = block_.get();
    out_end_ = block_.get() + next;
}

std::span<const std::uint8_t> archive_t::Bytes() const {
    if (!full_blocks_.empty()) {
        const std::size_t size = used();
        const std::size_t room = std::max(2 * size, std::size_t{4096});
        auto joined = std::make_unique_for_overwrite<std::uint8_t[]>(room);
        std::uint8_t* p = joined.get();
        for (const auto& b : full_blocks_)
            p = std::copy_n(b.bytes.get(), b.size, p);
        std::copy(block_.get(), out_next_, p);
        full_blocks_.clear();
        full_size_ = 0;
        block_ = std::move(joined);
        out_next_ = block_.get() + size;
        out_end_ = block_.get() + room;
    }
    return {block_.get(), used()};
}

std::vector<std::uint8_t> archive_t::TakeBytes() {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(used());
    for (const auto& b : full_blocks_)
        bytes.insert(bytes.end(), b.bytes.get(), b.bytes.get() + b.size);
    bytes.insert(bytes.end(), block_.get(), out_next_);
    full_blocks_.clear();
    full_size_ = 0;
    block_.reset();
    out_next_ = out_end_ = nullptr;
    return bytes;
}

std::size_t archive_t::object_map_t::slot(const serializable_t* object) const {
    // In address order at first: objects made one after another lie close
    // together, and so do their entries, where spread ones would cost a cache
    // miss each. Objects are 16 bytes apart at least (the heap's alignment),
    // so only those 16 * size bytes apart meet; once they pile up the address
    // is mixed to spread them.
    auto h = reinterpret_cast<std::uintptr_t>(object) >> 4;
    if (mixed_)
        h = (h * 0x9E3779B97F4A7C15ull) >> 17;
    return static_cast<std::size_t>(h) & (table_.size() - 1);
}

void archive_t::object_map_t::rebuild(std::size_t size) {
    std::vector<std::pair<const serializable_t*, std::uint32_t>> old(size, {nullptr, 0});
    old.swap(table_);
    for (const auto& entry : old)
        if (entry.first != nullptr)
            for (std::size_t i = slot(entry.first);; i = (i + 1) & (table_.size() - 1))
                if (table_[i].first == nullptr) {
                    table_[i] = entry;
                    break;
                }
}

void archive_t::object_map_t::reserve(std::size_t more) {
    // At most half full, as find_or_add keeps it; at least doubled, so that
    // many small arrays still grow it geometrically.
    const std::size_t need = 2 * (used_ + more + 1);
    if (need > table_.size())
        rebuild(std::max({std::bit_ceil(need), 2 * table_.size(), std::size_t{64}}));
}

std::pair<const serializable_t*, std::uint32_t>&
archive_t::object_map_t::find_or_add(const serializable_t* object) {
    // One probe finds the object or the slot it takes: the table is grown
    // first, so that the slot stays where the new entry belongs.
    if (2 * (used_ + 1) > table_.size())
        rebuild(std::max<std::size_t>(64, 2 * table_.size()));
    std::size_t probes = 0;
    for (std::size_t i = slot(object);; i = (i + 1) & (table_.size() - 1)) {
        auto& entry = table_[i];
        if (entry.first == object)
            return entry;
        if (entry.first == nullptr) {
            entry.first = object;
            ++used_;
            return entry;
        }
        if (++probes == pile_up && !mixed_) {
            mixed_ = true;
            rebuild(table_.size());
            return find_or_add(object);
        }
    }
}

void archive_t::throw_short(std::size_t need, const char* what) const {
    require_loading();
    throw archive_error(pos_, text::format("%s (%lu bytes), %lu left", what, need, size_ - pos_));
}

void archive_t::Write(const void* data, std::size_t size) {
    require_storing();
    if (static_cast<std::size_t>(out_end_ - out_next_) < size)
        grow(size);
    if (size != 0) {
        std::memcpy(out_next_, data, size);
        out_next_ += size;
    }
}

void archive_t::Read(void* data, std::size_t size, const char* what) {
    require_loading();
    if (size_ - pos_ < size)
        throw_short(size, what);
    std::memcpy(data, data_ + pos_, size);
    pos_ += size;
}

void archive_t::WriteString(std::string_view utf8) {
    require_storing();
    // Every ANSI code page is a superset of ASCII.
    std::string converted;
    std::string_view ansi = utf8;
    if (!is_ascii(utf8)) {
        converted = code_page_.from_utf8(utf8);
        ansi = converted;
    }
    const std::size_t n = ansi.size();
    if (n < 0xFF) {
        put(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        put(std::uint8_t{0xFF});
        put(static_cast<std::uint16_t>(n));
    } else if (n < 0xFFFFFFFFu) {
        put(std::uint8_t{0xFF});
        put(std::uint16_t{0xFFFF});
        put(static_cast<std::uint32_t>(n));
    } else {
        throw archive_error(Tell(), text::format("a string shorter than 4 GiB, got %lu bytes", n));
    }
    Write(ansi.data(), n);
}

std::string archive_t::ReadString() {
    require_loading();
    std::size_t length;
    bool wide = false;
    const auto b = take<std::uint8_t>("a string length");
    if (b < 0xFF) {
        length = b;
    } else {
        auto w = take<std::uint16_t>("a 16-bit string length");
        if (w == 0xFFFE) {
            // Wide string: a second prefix of the usual shape, in which
            // 0xFFFE is an ordinary length.
            wide = true;
            const auto b2 = take<std::uint8_t>("a wide string length");
            if (b2 < 0xFF) {
                length = b2;
            } else {
                w = take<std::uint16_t>("a 16-bit wide string length");
                length = w < 0xFFFF ? w : take<std::uint32_t>("a 32-bit wide string length");
            }
        } else {
            length = w < 0xFFFF ? w : take<std::uint32_t>("a 32-bit string length");
        }
    }
    const std::size_t bytes = wide ? 2 * length : length;
    if (bytes > size_ - pos_)
        throw archive_error(
            pos_, text::format("%lu bytes of string characters, %lu left", bytes, size_ - pos_));
    const std::uint8_t* p = data_ + pos_;
    pos_ += bytes;
    if (wide)
        return utf16le_to_utf8(p, length);
    const std::string_view ansi(reinterpret_cast<const char*>(p), bytes);
    if (is_ascii(ansi))
        return std::string(ansi);
    return code_page_.to_utf8(ansi);
}

void archive_t::WriteCount(std::size_t count) {
    require_storing();
    if (count < 0xFFFF) {
        put(static_cast<std::uint16_t>(count));
    } else if (count < 0xFFFFFFFFu) {
        put(std::uint16_t{0xFFFF});
        put(static_cast<std::uint32_t>(count));
    } else {
        throw archive_error(Tell(), text::format("a count below 0xFFFFFFFF, got %lu", count));
    }
}

std::uint32_t archive_t::ReadCount(std::size_t min_item_size) {
    require_loading();
    const std::size_t at = pos_;
    std::uint32_t count = take<std::uint16_t>("a count");
    if (count == 0xFFFF)
        count = take<std::uint32_t>("a 32-bit count");
    const std::size_t left = size_ - pos_;
    if (min_item_size == 0)
        min_item_size = 1;
    if (count > left / min_item_size)
        throw archive_error(
            at, text::format("a count the remaining %lu bytes can hold, found %u", left, count));
    return count;
}

std::uint32_t archive_t::ReadArrayBegin() {
    const std::size_t at = pos_;
    const std::uint32_t count = ReadCount(sizeof(std::uint16_t));
    // Every element takes at least one index (the count has been checked
    // against the remaining bytes); growth stays geometric for small arrays
    // nested in many objects.
    if (loaded_.capacity() - loaded_.size() < count)
        loaded_.reserve(std::max(loaded_.size() + count, 2 * loaded_.capacity()));
    if (trace_ != nullptr)
        trace_event({.kind = trace_event_t::kind_t::array_begin, .offset = at, .count = count});
    return count;
}

void archive_t::WriteArrayBegin(std::size_t count) {
    WriteCount(count);
    stored_objects_.reserve(count);
}

void archive_t::ReadArrayEnd() {
    if (trace_ != nullptr)
        trace_event({.kind = trace_event_t::kind_t::array_end, .offset = pos_});
}

void archive_t::throw_too_many(std::size_t at) const {
    throw archive_error(at,
                        text::format("at most %u classes and objects in one archive", max_index));
}

void archive_t::WriteClass(const runtime_class_t& cls) {
    require_storing();
    for (const auto& [stored, index] : stored_classes_) {
        if (stored != &cls)
            continue;
        if (index < big_object_tag) {
            put(static_cast<std::uint16_t>(class_tag | index));
        } else {
            put(big_object_tag);
            put(big_class_tag | index);
        }
        return;
    }
    const std::size_t length = std::char_traits<char>::length(cls.name);
    if (length > 0xFFFF)
        throw std::logic_error("archive_t: class name too long");
    const std::uint32_t index = next_store_index(Tell());
    put(new_class_tag);
    put(cls.schema);
    put(static_cast<std::uint16_t>(length));
    Write(cls.name, length);
    stored_classes_.emplace_back(&cls, index);
}

archive_t::class_ref_t archive_t::read_new_class(std::size_t tag_at) {
    class_ref_t ref{};
    const auto schema = take<std::uint16_t>("a class schema");
    const auto length = take<std::uint16_t>("a class name length");
    if (length > size_ - pos_)
        throw archive_error(
            pos_, text::format("a class name of %u bytes, %lu left", length, size_ - pos_));
    const std::string_view name(reinterpret_cast<const char*>(data_ + pos_), length);
    pos_ += length;
    ref.cls = classes_->find(name);
    if (ref.cls == nullptr)
        throw archive_error(tag_at, "a known class, found " + describe(name));
    ref.is_new = true;
    ref.schema = schema;
    return ref;
}

archive_t::class_place_t archive_t::add_class(std::size_t tag_at, const runtime_class_t* cls,
                                              std::uint32_t schema) {
    const std::uint32_t index = next_load_index(tag_at);
    std::size_t slot = 0;
    while (slot < slots_.size() && slots_[slot].cls != cls)
        ++slot;
    if (slot == slots_.size()) {
        // Only registered classes get here, one slot each.
        if (slot >= class_bit - 1)
            throw archive_error(tag_at, "at most 32767 distinct classes in one archive");
        slots_.push_back({cls, 0});
    }
    slots_[slot].schema = static_cast<std::uint16_t>(schema);
    loaded_.push_back(static_cast<std::uint16_t>(class_bit | slot));
    return {index, static_cast<std::uint16_t>(slot)};
}

// Inline: a class seen before is what precedes nearly every object.
[[gnu::always_inline]] inline archive_t::class_ref_t
archive_t::read_class_ref(std::size_t tag_at, const tag_t& tag, const runtime_class_t* family,
                          bool exact) {
    class_ref_t ref{};
    if (tag.word == new_class_tag) {
        ref = read_new_class(tag_at);
    } else {
        const std::uint32_t index = tag.value & ~big_class_tag;
        if (index == 0 || index >= loaded_.size() || !(loaded_[index] & class_bit))
            throw archive_error(tag_at,
                                text::format("a reference to an earlier class, found #%u", index));
        ref.slot = loaded_[index] & ~class_bit;
        ref.cls = slots_[ref.slot].cls;
        ref.index = index;
        ref.schema = slots_[ref.slot].schema;
    }
    if (exact && ref.cls != family)
        throw archive_error(tag_at, std::string("class ") + family->name + ", found " +
                                        describe(ref.cls->name));
    if (!exact && family != nullptr && !ref.cls->IsDerivedFrom(*family))
        throw archive_error(tag_at, std::string("a class of the ") + family->name +
                                        " family, found " + describe(ref.cls->name));
    if (ref.is_new) {
        const class_place_t place = add_class(tag_at, ref.cls, ref.schema);
        ref.index = place.index;
        ref.slot = place.slot;
    }
    return ref;
}

const runtime_class_t& archive_t::ReadClass(const runtime_class_t* family, std::uint32_t* schema) {
    require_loading();
    const std::size_t at = pos_;
    const tag_t tag = read_tag();
    if (!(tag.value & big_class_tag))
        throw archive_error(at, tag.value == 0 ? "a class reference, found a null tag"
                                               : "a class reference, found an object tag");
    const class_ref_t ref = read_class_ref(at, tag, family, false);
    if (schema != nullptr)
        *schema = ref.schema;
    else
        object_schema_ = ref.schema;
    trace_event({.kind = trace_event_t::kind_t::base_class,
                 .offset = at,
                 .cls = ref.cls,
                 .class_index = ref.index,
                 .new_class = ref.is_new,
                 .schema = ref.schema});
    return *ref.cls;
}

void archive_t::SerializeClass(const runtime_class_t& cls) {
    if (storing_) {
        WriteClass(cls);
        return;
    }
    const std::size_t at = pos_;
    const tag_t tag = read_tag();
    if (!(tag.value & big_class_tag))
        throw archive_error(at, std::string("a reference to class ") + cls.name + ", found " +
                                    (tag.value == 0 ? "a null tag" : "an object tag"));
    const class_ref_t ref = read_class_ref(at, tag, &cls, true);
    object_schema_ = ref.schema;
    trace_event({.kind = trace_event_t::kind_t::base_class,
                 .offset = at,
                 .cls = ref.cls,
                 .class_index = ref.index,
                 .new_class = ref.is_new,
                 .schema = ref.schema});
}

void archive_t::WriteObject(serializable_t* object) {
    require_storing();
    if (object == nullptr) {
        put(null_tag);
        return;
    }
    auto& stored = stored_objects_.find_or_add(object);
    if (const std::uint32_t index = stored.second; index != 0) {
        if (index < big_object_tag) {
            put(static_cast<std::uint16_t>(index));
        } else {
            put(big_object_tag);
            put(index);
        }
        return;
    }
    WriteClass(object->GetRuntimeClass());
    stored.second = next_store_index(Tell());
    object->Serialize(*this);
}

archive_t::read_object_t archive_t::read_reference(std::size_t tag_at, std::uint32_t index,
                                                   const runtime_class_t* family) {
    if (index == 0) {
        trace_event({.kind = trace_event_t::kind_t::null_object, .offset = tag_at});
        return {};
    }
    if (index >= loaded_.size() || (loaded_[index] & class_bit))
        throw archive_error(tag_at,
                            text::format("a reference to an earlier object, found #%u", index));
    const runtime_class_t* cls = slots_[loaded_[index] - 1].cls;
    if (family != nullptr && !cls->IsDerivedFrom(*family))
        throw archive_error(tag_at, std::string("an object of the ") + family->name +
                                        " family, found a reference to " + describe(cls->name));
    trace_event({.kind = trace_event_t::kind_t::object_reference,
                 .offset = tag_at,
                 .index = index,
                 .cls = cls});
    return {nullptr, index, cls};
}

// Inline in both readers of an object, ReadObject's being the path of every
// object in a load.
[[gnu::always_inline]] inline std::unique_ptr<serializable_t>
archive_t::read_new_object(std::size_t tag_at, tag_t tag, const runtime_class_t* family) {
    const class_ref_t ref = read_class_ref(tag_at, tag, family, false);
    if (ref.cls->create == nullptr)
        throw archive_error(tag_at, "a class that can be created, found abstract " +
                                        describe(ref.cls->name));
    if (depth_ >= max_depth)
        throw archive_error(tag_at, text::format("objects nested at most %d deep", max_depth));
    const std::uint32_t index = next_load_index(tag_at);
    // The factory itself: CreateObject would test it for null once more.
    std::unique_ptr<serializable_t> object = ref.cls->create(*ref.cls);
    loaded_.push_back(static_cast<std::uint16_t>(ref.slot + 1));
    // Checked here as well: without a sink no event is built per object.
    if (trace_ != nullptr)
        trace_event({.kind = trace_event_t::kind_t::object_begin,
                     .offset = tag_at,
                     .index = index,
                     .cls = ref.cls,
                     .class_index = ref.index,
                     .new_class = ref.is_new,
                     .schema = ref.schema});

    // The object's Serialize sees its class's schema; an outer Serialize
    // still in progress gets its own pending schema back afterwards.
    const std::uint32_t outer_schema = object_schema_;
    object_schema_ = ref.schema;
    ++depth_;
    object->Serialize(*this); // on a throw, `object` is destroyed on the way out
    --depth_;
    object_schema_ = outer_schema;
    if (trace_ != nullptr)
        trace_event({.kind = trace_event_t::kind_t::object_end, .offset = pos_});
    return object;
}

// The direction is checked with the bytes of the tag (see get).
archive_t::read_object_t archive_t::ReadObjectOrReference(const runtime_class_t* family) {
    const std::size_t at = pos_;
    const tag_t tag = read_tag();
    if (!(tag.value & big_class_tag))
        return read_reference(at, tag.value, family);
    return {read_new_object(at, tag, family), 0, nullptr};
}

// ReadObjectOrReference without handing a new object through read_object_t:
// this is the path of every object in a load.
std::unique_ptr<serializable_t> archive_t::ReadObject(const runtime_class_t* family) {
    const std::size_t at = pos_;
    const tag_t tag = read_tag();
    if (tag.value & big_class_tag)
        return read_new_object(at, tag, family);
    const read_object_t r = read_reference(at, tag.value, family);
    if (r.reference != 0)
        throw archive_error(at, text::format("a new object, found a reference to object #%u "
                                             "(a loaded object has one owner)",
                                             r.reference));
    return nullptr;
}

} // namespace platform::archive
