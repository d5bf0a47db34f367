#include "resources/string_table.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace resources {

namespace {

struct entry_t {
    int id;
    std::string_view text;
};

// Kept sorted by id (checked below); the leading blanks of the exception
// messages are part of the texts, they indent them in the output list.
constexpr entry_t kStrings[] = {
    {157, "非预期的文件格式！"},
    {158, "    异常 %d：复制%s设备不正确！"},
    {159, "    异常 %d：绘制设备时载入位图失败！"},
    {160, "设备尺寸太大，当前文档模板无法放下！"},
    {222, "    异常 %d：撤销操作时不正确的设备类型 '%s' 历史纪录！"},
    {236, "执行重做操作时发现设备类型不匹配！"},
    {441, "电流"},
    {442, "电压"},
    {443, "温度"},
};

constexpr bool sorted_by_id() {
    for (std::size_t i = 1; i < std::size(kStrings); ++i)
        if (kStrings[i - 1].id >= kStrings[i].id)
            return false;
    return true;
}
static_assert(sorted_by_id(), "string table rows must be sorted by id, each id once");

} // namespace

std::string_view LoadString(int id) {
    const auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                     [](const entry_t& e, int key) { return e.id < key; });
    if (it == std::end(kStrings) || it->id != id)
        return {};
    return it->text;
}

} // namespace resources
