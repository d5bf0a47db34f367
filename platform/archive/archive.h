#pragma once
// archive_t: the byte stream that sheet objects store themselves into and
// load themselves from, in the framework's archive forms.
//
// An archive either stores (bytes collect in Bytes()) or loads (from a buffer
// that the caller keeps alive); a Serialize function asks IsStoring() and
// writes or reads the same fields in the same order.
//
// Forms, all little-endian:
//  - integers of 8, 16 and 32 bits, float, double; raw rectangles (16 bytes),
//    points and sizes (8 bytes);
//  - strings: a length prefix (1 byte below 255; else 0xFF and 16 bits below
//    0xFFFE; else 0xFF, 0xFFFF and 32 bits) and the characters in the
//    archive's code page. On load the wide form (0xFF, 0xFFFE, a prefix of
//    the same shape, UTF-16 characters) is accepted as well;
//  - counts: 16 bits, or 0xFFFF and 32 bits from 0xFFFF on;
//  - object tags: 0 for null; 0xFFFF, schema, name length and name for a
//    class written for the first time; 0x8000 | index for a class seen
//    before; the index alone for an object stored before; the object's
//    fields follow a class tag. Classes and objects share one index sequence
//    starting at 1: a class takes its number when first written, an object
//    right after its class tag, before its own fields. From index 0x7FFF on
//    a tag is 0x7FFF followed by 32 bits (0x80000000 | index for classes).
//
// Loading checks every length and count against the bytes that remain before
// it allocates anything, and every class against the family the caller
// expects. Any failure is an archive_error with the offset and what was
// expected; objects created by a failed load are destroyed before the error
// leaves the archive. After an archive_error the archive must not be used
// further.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/archive/archive_error.h"
#include "platform/archive/class_registry.h"
#include "platform/archive/code_page.h"
#include "platform/archive/raw_types.h"
#include "platform/archive/runtime_class.h"
#include "platform/archive/serializable.h"
#include "platform/archive/trace.h"

namespace platform::archive {

static_assert(std::endian::native == std::endian::little,
              "archive_t copies little-endian values as they are in memory");

// What GetObjectSchema returns when no class reference is pending.
inline constexpr std::uint32_t no_schema = 0xFFFFFFFFu;

class archive_t {
public:
    // Highest index a class or an object may take in one archive.
    static constexpr std::uint32_t max_index = 0x3FFFFFFE;
    // Deepest nesting of objects inside objects that a load accepts; no file
    // of the program comes near it, a hostile one could exhaust the stack.
    static constexpr int max_depth = 64;

    // A storing archive.
    archive_t();
    // A loading archive over `data`, beginning at `start`. Offsets in errors
    // and Tell() count from the beginning of `data`.
    archive_t(std::span<const std::uint8_t> data, const class_registry_t& classes,
              std::size_t start = 0);

    archive_t(const archive_t&) = delete;
    archive_t& operator=(const archive_t&) = delete;

    bool IsStoring() const { return storing_; }
    bool IsLoading() const { return !storing_; }

    void SetCodePage(const code_page_t& code_page) { code_page_ = code_page; }
    const code_page_t& GetCodePage() const { return code_page_; }

    // Loading only; null to stop tracing. The sink must outlive the reads.
    void SetTraceSink(trace_sink_t* sink) { trace_ = sink; }

    // Storing: what has been written so far (valid until the next write).
    std::span<const std::uint8_t> Bytes() const;
    // Storing: hands the written bytes over; the archive is done with.
    std::vector<std::uint8_t> TakeBytes();

    // Storing: bytes written; loading: the offset of the next byte to read.
    std::size_t Tell() const { return storing_ ? used() : pos_; }
    // Loading: bytes left to read.
    std::size_t Remaining() const { return storing_ ? 0 : size_ - pos_; }
    bool AtEnd() const { return Remaining() == 0; }

    // Raw bytes; `what` names them in an error.
    void Write(const void* data, std::size_t size);
    void Read(void* data, std::size_t size, const char* what = "raw bytes");

    archive_t& operator<<(std::uint8_t v) { return put(v); }
    archive_t& operator<<(std::int16_t v) { return put(v); }
    archive_t& operator<<(std::uint16_t v) { return put(v); }
    archive_t& operator<<(std::int32_t v) { return put(v); }
    archive_t& operator<<(std::uint32_t v) { return put(v); }
    archive_t& operator<<(float v) { return put(v); }
    archive_t& operator<<(double v) { return put(v); }
    archive_t& operator<<(const raw_rect& v) { return put(v); }
    archive_t& operator<<(const raw_point& v) { return put(v); }
    archive_t& operator<<(const raw_size& v) { return put(v); }
    // UTF-8 text, stored in the archive's code page.
    archive_t& operator<<(std::string_view utf8) {
        WriteString(utf8);
        return *this;
    }

    archive_t& operator>>(std::uint8_t& v) { return get(v, "an 8-bit integer"); }
    archive_t& operator>>(std::int16_t& v) { return get(v, "a 16-bit integer"); }
    archive_t& operator>>(std::uint16_t& v) { return get(v, "a 16-bit integer"); }
    archive_t& operator>>(std::int32_t& v) { return get(v, "a 32-bit integer"); }
    archive_t& operator>>(std::uint32_t& v) { return get(v, "a 32-bit integer"); }
    archive_t& operator>>(float& v) { return get(v, "a float"); }
    archive_t& operator>>(double& v) { return get(v, "a double"); }
    archive_t& operator>>(raw_rect& v) { return get(v, "a rectangle"); }
    archive_t& operator>>(raw_point& v) { return get(v, "a point"); }
    archive_t& operator>>(raw_size& v) { return get(v, "a size"); }
    archive_t& operator>>(std::string& utf8) {
        utf8 = ReadString();
        return *this;
    }

    void WriteString(std::string_view utf8);
    // The string converted to UTF-8.
    std::string ReadString();

    void WriteCount(std::size_t count);
    // A count of items that take at least `min_item_size` bytes each; a count
    // that the remaining bytes cannot hold is an error.
    std::uint32_t ReadCount(std::size_t min_item_size = 1);

    // Class references, as a derived class's Serialize writes its base's.
    void WriteClass(const runtime_class_t& cls);
    // Reads a class reference of `family` (any class when null). The schema
    // the file holds for the class goes to *schema, or when schema is null
    // becomes what the next GetObjectSchema returns.
    const runtime_class_t& ReadClass(const runtime_class_t* family = nullptr,
                                     std::uint32_t* schema = nullptr);
    // Storing: WriteClass(cls). Loading: reads a class reference that must
    // name exactly `cls` and makes its schema the pending one.
    void SerializeClass(const runtime_class_t& cls);
    // Loading: the schema of the class whose part is being read, once; later
    // calls return no_schema until the next class reference is read.
    std::uint32_t GetObjectSchema() {
        const std::uint32_t schema = object_schema_;
        object_schema_ = no_schema;
        return schema;
    }
    // Loading: makes `schema` the pending one for a part whose class the
    // stream does not name, an object stored by its Serialize alone after
    // a header that tells its class.
    void SetObjectSchema(std::uint32_t schema) {
        require_loading();
        object_schema_ = schema;
    }

    // Writes a null tag, a reference to an object written before, or the
    // object's class tag and fields.
    void WriteObject(serializable_t* object);

    // Reads an object of `family` (any when null), or null for a null tag.
    // Loaded objects have one owner, so a reference to an earlier object is an
    // error here; see ReadObjectOrReference.
    std::unique_ptr<serializable_t> ReadObject(const runtime_class_t* family);
    template <class T> std::unique_ptr<T> ReadObject() {
        return std::unique_ptr<T>(static_cast<T*>(ReadObject(&T::class_record).release()));
    }

    struct read_object_t {
        std::unique_ptr<serializable_t> object; // a new object (null for a null tag)
        std::uint32_t reference = 0;            // else the index of an earlier object
        const runtime_class_t* reference_class = nullptr;
    };
    // As ReadObject, but a reference to an earlier object is returned by its
    // index and class (for tools that show a stream rather than own it).
    read_object_t ReadObjectOrReference(const runtime_class_t* family);

    // Object arrays: the count (each element takes at least a 2-byte tag) and
    // the end of the elements; these also feed the trace.
    std::uint32_t ReadArrayBegin();
    void ReadArrayEnd();
    // Storing: WriteCount(count), with room made for that many more objects
    // among those stored so far.
    void WriteArrayBegin(std::size_t count);

private:
    // A class met while loading, with the schema its latest new-class tag
    // gave (kept per class, as references name the class, not the tag).
    struct class_slot_t {
        const runtime_class_t* cls;
        std::uint16_t schema;
    };
    // Per index, two bytes: 0 for index 0 (null), class_bit | slot for a
    // class, slot + 1 for an object of the class in that slot.
    static constexpr std::uint16_t class_bit = 0x8000;
    struct tag_t {
        std::uint16_t word;
        std::uint32_t value; // class bit in 0x80000000, index below
    };
    struct class_ref_t {
        const runtime_class_t* cls;
        std::uint32_t index;
        bool is_new;
        std::uint32_t schema;
        std::uint16_t slot;
    };

    // The room checks are the direction checks as well: a loading archive has
    // no room to write, a storing one nothing to read, and grow() and
    // throw_short() tell a wrong direction first.
    template <class T> archive_t& put(const T& v) {
        if (static_cast<std::size_t>(out_end_ - out_next_) < sizeof(T))
            grow(sizeof(T));
        std::memcpy(out_next_, &v, sizeof(T));
        out_next_ += sizeof(T);
        return *this;
    }
    template <class T> archive_t& get(T& v, const char* what) {
        if (size_ - pos_ < sizeof(T))
            throw_short(sizeof(T), what);
        // Through a local: a byte copy straight into `v` could alias this
        // archive's members and would make every read reload them.
        T value;
        std::memcpy(&value, data_ + pos_, sizeof(T));
        v = value;
        pos_ += sizeof(T);
        return *this;
    }
    template <class T> T take(const char* what) {
        T v;
        get(v, what);
        return v;
    }

    void require_storing() const {
        if (!storing_)
            throw_direction();
    }
    void require_loading() const {
        if (storing_)
            throw_direction();
    }
    [[noreturn]] void throw_direction() const;
    void grow(std::size_t more);
    [[noreturn]] void throw_short(std::size_t need, const char* what) const;
    std::uint32_t next_store_index(std::size_t at) {
        if (next_store_index_ > max_index)
            throw_too_many(at);
        return next_store_index_++;
    }
    // The index the next class or object read takes: loaded_ holds one entry
    // per index given so far.
    std::uint32_t next_load_index(std::size_t at) const {
        if (loaded_.size() > max_index)
            throw_too_many(at);
        return static_cast<std::uint32_t>(loaded_.size());
    }
    [[noreturn]] void throw_too_many(std::size_t at) const;
    tag_t read_tag() {
        const auto word = take<std::uint16_t>("an object tag");
        if (word == 0x7FFF)
            return {word, take<std::uint32_t>("a 32-bit object tag")};
        return {word, (std::uint32_t(word & 0x8000) << 16) | (word & 0x7FFFu)};
    }
    class_ref_t read_class_ref(std::size_t tag_at, const tag_t& tag, const runtime_class_t* family,
                               bool exact);
    // The name and schema after a new-class tag, and the index and slot the
    // class takes once its family has been checked.
    class_ref_t read_new_class(std::size_t tag_at);
    struct class_place_t {
        std::uint32_t index;
        std::uint16_t slot;
    };
    class_place_t add_class(std::size_t tag_at, const runtime_class_t* cls, std::uint32_t schema);
    // After an object tag: null, or an earlier object checked against `family`.
    read_object_t read_reference(std::size_t tag_at, std::uint32_t index,
                                 const runtime_class_t* family);
    // After a class tag: the new object of that class, with its fields read.
    std::unique_ptr<serializable_t> read_new_object(std::size_t tag_at, tag_t tag,
                                                    const runtime_class_t* family);
    void trace_event(const trace_event_t& event) {
        if (trace_ != nullptr)
            trace_->on_trace(event);
    }

    bool storing_;
    code_page_t code_page_ = code_page_t::gbk();
    trace_sink_t* trace_ = nullptr;

    // Objects stored so far, by address: open addressing, as a store visits
    // every object once and a node-based map would cost more than the rest.
    class object_map_t {
    public:
        // The object's entry, added when missing: its index, or 0 while it
        // has none (the caller stores the index it gives the object).
        std::pair<const serializable_t*, std::uint32_t>& find_or_add(const serializable_t* object);
        // Makes room for `more` objects beyond those held, so that they go in
        // without the table being rebuilt on the way.
        void reserve(std::size_t more);

    private:
        std::size_t slot(const serializable_t* object) const;
        void rebuild(std::size_t size);
        // Probes past other entries after which the addresses are mixed.
        static constexpr std::size_t pile_up = 32;
        std::vector<std::pair<const serializable_t*, std::uint32_t>> table_;
        std::size_t used_ = 0;
        bool mixed_ = false;
    };

    // storing: the bytes go into blocks that are neither zero-filled nor
    // copied as the archive grows; they are joined once, when the bytes are
    // asked for. The current block takes the writes from out_next_ to
    // out_end_ (pointers rather than a size, as every byte store makes the
    // compiler load them again); the full ones wait in full_blocks_. Bytes()
    // joins them in place, hence mutable.
    struct block_t {
        std::unique_ptr<std::uint8_t[]> bytes;
        std::size_t size; // written
    };
    mutable std::vector<block_t> full_blocks_;
    mutable std::size_t full_size_ = 0;
    mutable std::unique_ptr<std::uint8_t[]> block_;
    mutable std::uint8_t* out_next_ = nullptr;
    mutable std::uint8_t* out_end_ = nullptr;
    std::size_t used() const {
        return full_size_ + static_cast<std::size_t>(out_next_ - block_.get());
    }
    std::vector<std::pair<const runtime_class_t*, std::uint32_t>> stored_classes_;
    object_map_t stored_objects_;
    std::uint32_t next_store_index_ = 1;

    // loading
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    const class_registry_t* classes_ = nullptr;
    std::vector<std::uint16_t> loaded_;
    std::vector<class_slot_t> slots_;
    std::uint32_t object_schema_ = no_schema;
    int depth_ = 0;
};

} // namespace platform::archive
