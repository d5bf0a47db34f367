// Loading and saving a stream of 100,000 small objects (link-sized: 44 bytes
// of fields each), against a plain read of the same bytes measured in the same
// run: a memcpy of the whole stream and a loop that reads every 32-bit word.
// Also the peak heap taken by a load against the objects' own size.
//
// Targets: load and save each within 8x of the word loop, load memory within
// 2x of the objects.
// A third baseline, plain objects, allocates the objects and copies their
// fields without any archive machinery: what any owning load has to pay.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <malloc.h>

#include "platform/archive/archive.h"
#include "platform/archive/object_array.h"

namespace {

// Heap accounting: live bytes as malloc holds them (usable size plus its
// 8-byte header) and the peak since the last reset.
// Off while timing: the accounting itself costs more than a small load.
std::atomic<bool> counting{false};
std::atomic<std::size_t> live{0}, peak{0};

void* take(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    if (!counting.load(std::memory_order_relaxed))
        return p;
    const std::size_t now = live.fetch_add(malloc_usable_size(p) + 8) + malloc_usable_size(p) + 8;
    std::size_t old = peak.load();
    while (now > old && !peak.compare_exchange_weak(old, now)) {
    }
    return p;
}

void give(void* p) {
    if (p == nullptr)
        return;
    if (counting.load(std::memory_order_relaxed))
        live.fetch_sub(malloc_usable_size(p) + 8);
    std::free(p);
}

} // namespace

void* operator new(std::size_t size) {
    return take(size);
}
void* operator new[](std::size_t size) {
    return take(size);
}
void operator delete(void* p) noexcept {
    give(p);
}
void operator delete[](void* p) noexcept {
    give(p);
}
void operator delete(void* p, std::size_t) noexcept {
    give(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    give(p);
}

namespace {

namespace pa = platform::archive;

// The archive form of a sheet link: five int32, two points, two int32.
class CBenchLink : public pa::serializable_t {
    ARCHIVE_DECLARE_SERIAL(CBenchLink)
public:
    void Serialize(pa::archive_t& ar) override {
        if (ar.IsStoring()) {
            ar << id << source_module << source_channel << destination_module << destination_channel
               << start << end << pen_width << colour;
            return;
        }
        const std::uint32_t schema = ar.GetObjectSchema();
        if (schema == 1 || schema == 2)
            ar >> id >> source_module >> source_channel >> destination_module >>
                destination_channel >> start >> end >> pen_width >> colour;
    }

    std::int32_t id = 0, source_module = 0, source_channel = 0, destination_module = 0,
                 destination_channel = 0;
    pa::raw_point start, end;
    std::int32_t pen_width = 1, colour = 0;
};

ARCHIVE_IMPLEMENT_SERIAL(CBenchLink, pa::serializable_t, 2);

constexpr int objects = 100000;
constexpr int rounds = 15;

// Best of several rounds; `after` runs untimed (freeing what a round made).
template <class F, class G> double best_seconds(F&& run, G&& after) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        run();
        const auto t1 = std::chrono::steady_clock::now();
        after();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    return best;
}

template <class F> double best_seconds(F&& run) {
    return best_seconds(run, [] {});
}

} // namespace

int main() {
    pa::object_array_t<CBenchLink> links;
    for (int i = 0; i < objects; ++i) {
        auto l = std::make_unique<CBenchLink>();
        l->id = i + 1;
        l->source_module = i % 97;
        l->destination_module = i % 89;
        l->start = {i, 2 * i};
        l->end = {3 * i, 4 * i};
        links.push_back(std::move(l));
    }
    pa::class_registry_t classes;
    classes.add(CBenchLink::class_record);

    std::vector<std::uint8_t> bytes;
    const double save = best_seconds([&] {
        pa::archive_t ar;
        links.Serialize(ar);
        bytes = ar.TakeBytes();
    });

    std::vector<std::uint8_t> copy(bytes.size());
    volatile std::uint32_t sink = 0;
    const double copy_time = best_seconds([&] {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        sink = sink + copy[copy.size() / 2];
    });
    const double loop_time = best_seconds([&] {
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
            std::uint32_t w;
            std::memcpy(&w, bytes.data() + i, 4);
            sum += w;
        }
        sink = sink + sum;
    });

    // The inherent part of a load: a new object per element, its fields
    // copied from the stream at known places (no tags checked, no table).
    std::vector<std::unique_ptr<CBenchLink>> plain;
    const double plain_objects = best_seconds(
        [&] {
            plain.reserve(objects);
            const std::uint8_t* p = bytes.data() + 2 + 6 + std::strlen("CBenchLink");
            const auto next = [&p] {
                std::int32_t v;
                std::memcpy(&v, p, 4);
                p += 4;
                return v;
            };
            for (int i = 0; i < objects; ++i) {
                if (i > 0)
                    p += 2;
                auto l = std::make_unique<CBenchLink>();
                l->id = next();
                l->source_module = next();
                l->source_channel = next();
                l->destination_module = next();
                l->destination_channel = next();
                l->start = {next(), next()};
                l->end = {next(), next()};
                l->pen_width = next();
                l->colour = next();
                plain.push_back(std::move(l));
            }
        },
        [&] { plain.clear(); });

    std::size_t loaded_count = 0;
    pa::object_array_t<CBenchLink> back;
    const double load = best_seconds(
        [&] {
            pa::archive_t ar(bytes, classes);
            back.Serialize(ar);
            loaded_count = back.size();
        },
        [&] { back.clear(); });

    // Peak heap of one load, with the loaded array still alive at the end.
    std::size_t load_peak = 0;
    {
        counting = true;
        auto loaded = std::make_unique<pa::object_array_t<CBenchLink>>();
        {
            pa::archive_t ar(bytes, classes);
            loaded->Serialize(ar);
        }
        load_peak = peak.load();
        counting = false;
    }
    const double own = static_cast<double>(objects) * sizeof(CBenchLink);

    std::printf("archive: %d objects, %zu bytes stream, %zu loaded\n", objects, bytes.size(),
                loaded_count);
    std::printf("  plain read: memcpy %.3f ms, word loop %.3f ms\n", copy_time * 1e3,
                loop_time * 1e3);
    std::printf("  plain objects (allocate and copy fields, no checks): %.3f ms\n",
                plain_objects * 1e3);
    std::printf("  load %.3f ms: %.1fx memcpy, %.1fx plain objects, word loop ratio %.2f "
                "(target <= 8)\n",
                load * 1e3, load / copy_time, load / plain_objects, load / loop_time);
    std::printf("  save %.3f ms: %.1fx memcpy, word loop ratio %.2f (target <= 8)\n", save * 1e3,
                save / copy_time, save / loop_time);
    std::printf("  load peak heap %.1f KiB for %.1f KiB of objects: ratio %.2f (target <= 2)\n",
                load_peak / 1024.0, own / 1024.0, load_peak / own);
    return 0;
}
