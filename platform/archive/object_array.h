#pragma once
// object_array_t<T>: an owning array of serializable objects of the T family,
// stored in the framework's object-array form (count, then each element as an
// object tag with its fields).
//
// Loading builds the new elements aside and replaces the old ones only when
// the whole array has loaded; on an error the array keeps what it held and
// the elements loaded so far are destroyed. Elements must be non-null: a
// holder owns each of its objects, so a null or a second reference to an
// object has no meaning here and is refused in both directions.
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/archive/archive.h"

namespace platform::archive {

template <class T> class object_array_t {
public:
    using container = std::vector<std::unique_ptr<T>>;

    object_array_t() = default;
    object_array_t(object_array_t&&) noexcept = default;
    object_array_t& operator=(object_array_t&&) noexcept = default;

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    // Unchecked, as the vector's operator[].
    T* operator[](std::size_t index) const { return items_[index].get(); }
    // Null when index is outside 0 .. size() - 1.
    T* get(std::size_t index) const {
        return index < items_.size() ? items_[index].get() : nullptr;
    }

    typename container::iterator begin() { return items_.begin(); }
    typename container::iterator end() { return items_.end(); }
    typename container::const_iterator begin() const { return items_.begin(); }
    typename container::const_iterator end() const { return items_.end(); }

    void push_back(std::unique_ptr<T> item) { items_.push_back(std::move(item)); }
    void insert(std::size_t index, std::unique_ptr<T> item) {
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    }
    // Takes the element out of the array and hands it to the caller.
    std::unique_ptr<T> remove(std::size_t index) {
        std::unique_ptr<T> item = std::move(items_[index]);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        return item;
    }
    void clear() { items_.clear(); }

    container& items() { return items_; }
    const container& items() const { return items_; }

    void Serialize(archive_t& ar) {
        if (ar.IsStoring()) {
            ar.WriteArrayBegin(items_.size());
            for (const auto& item : items_) {
                if (!item)
                    throw archive_error(ar.Tell(), std::string("an object of the ") +
                                                       T::class_record.name +
                                                       " family, found a null element");
                ar.WriteObject(item.get());
            }
            return;
        }
        const std::uint32_t count = ar.ReadArrayBegin();
        container loaded;
        loaded.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t at = ar.Tell();
            std::unique_ptr<T> item = ar.ReadObject<T>();
            if (!item)
                throw archive_error(at, std::string("an object of the ") + T::class_record.name +
                                            " family, found a null tag");
            loaded.push_back(std::move(item));
        }
        ar.ReadArrayEnd();
        items_ = std::move(loaded);
    }

private:
    container items_;
};

} // namespace platform::archive
