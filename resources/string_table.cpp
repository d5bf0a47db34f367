#include "resources/string_table.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <iterator>

namespace resources {

namespace {

// Kept sorted by id (checked below); the leading blanks of the exception
// messages are part of the texts, they indent them in the output list.
constexpr CBuiltinString kStrings[] = {
    {1, "起始IP："},
    {2, "终止IP："},
    {3, "网卡IP："},
    {100, "线程初始化 COM 失败！"},
    // The splash's lines: product title, version, notice, product id.
    {128, "Ostrel传输系统"},
    {131, "3.10"},
    {132, "本软件受著作权法保护，未经许可不得复制或分发。"},
    {133, "产品ID：3.10 发布版"},
    // The language's own name, shown by the language dialog; the DSP palette
    // also tells Chinese captions from English ones by it.
    {134, "简体中文(Simplied Chinese)"},
    {157, "非预期的文件格式！"},
    {158, "    异常 %d：复制%s设备不正确！"},
    {159, "    异常 %d：绘制设备时载入位图失败！"},
    {160, "设备尺寸太大，当前文档模板无法放下！"},
    {162, "检查网络..."},
    {163, "    警告 %d：设备 '%s' (%s)不在线！"},
    {164, "    信息：设备 '%s' (%s)的IP有效 '%s'。"},
    {165, "    信息：设备 '%s' (%s)已经分配IP'%s'。"},
    {166, "    信息：设备 '%s' (%s)分配IP失败 '%s'！"},
    {167, "    错误 %d：[严重] 设备 '%s' (%s)分配IP失败！"},
    {168, "检查设备的MAC地址..."},
    {169, "    错误 %d：设备 '%s'的MAC地址 '%s'无效！"},
    {170, "    警告 %d：无法完成从 %s—%d(发送) 到 %s—%d(接收)的连接！"},
    {171, "    信息：已经完成从 %s—%d(发送) 到 %s—%d(接收)的连接。"},
    {172, "    警告 %d：清除连接 %s—%d(接收)失败！"},
    {173, "    信息：清除连接 %s—%d(接收)成功。"},
    {174, "开始建立连接..."},
    {190, "'%s' (%s)"},
    {191, "    信息：成功固化设备的连接关系 '%s' (%s)。"},
    {192, "    警告 %d：固化设备连接关系失败 '%s' (%s)！"},
    {193, "编译失败 —— %d 错误，%d 警告。"},
    {194, "    信息：COM 初始化成功！"},
    {195, "    信息：网卡IP：'%s'，起始IP： '%s'。"},
    {196, "    错误 %d：[严重] 起始IP的前三个部分必须和网卡的相同！"},
    {197, "--------------------编译成功： %s---------------------"},
    {198, "初始化 COM..."},
    {199, "    错误 %d：[严重] COM初始化失败！"},
    {200, "    信息：网卡IP：'%s'，终止IP：'%s'。"},
    {201, "    错误 %d：[严重] 终止IP的前三个部分必须和网卡的相同！"},
    {202, "编译完成 —— %d 错误，%d 警告。"},
    {203, "    异常 %d：组件初始化失败！"},
    {204, "    异常 %d：创建网络线程失败！"},
    {205, "图纸尺寸:"},
    {206, "模板背景"},
    {207, "物理连线"},
    {208, "虚拟连线"},
    {209, "不可关闭当前执行文档！"},
    {221, "不可关闭当前处于运行状态的文档！"},
    {222, "    异常 %d：撤销操作时不正确的设备类型 '%s' 历史纪录！"},
    {227, "固化算法模板序号选择错误！"},
    {231, "没有找到对应的模板文件！"},
    {236, "执行重做操作时发现设备类型不匹配！"},
    {248, "设备的MAC地址无效！"},
    {250, "数据库错误：获取路由信息失败！"},
    // A language pack's rank: with no pack named in Ostrel.ini, the pack with
    // the smallest non-zero number is chosen.
    {270, "2"},
    {278, "设备名称"},
    {285, "不正确的文件格式！"},
    {286, "打开文件错误！"},
    {287, "没有找到文档模板！"},
    {292, "初始化网络失败！"},
    {293, "当前并无此设备，或此设备不在线！"},
    {294, "读取传输权限(SP)失败！"},
    {295, "写传输权限(SP)失败！"},
    {296, "写传输内容(Syscontact)失败！"},
    {297, "读取传输内容(Syscontact)失败！"},
    {298, "MCU忙(SP = 127)！"},
    {299, "DSP返回的字符串校验不正确(头不等于*或者尾不等于#)！"},
    {300, "实时控制期间不能移动算法模块！"},
    {301, "实时控制期间不能删除算法模块或连线！"},
    {302, "实时控制期间不能增加算法模块或连线！"},
    {303, "实时控制期间不能加载算法模板！"},
    {304, "算法模板的设备MAC错误！"},
    {305, "新建设备文档将要关闭当前打开文档。\r\n是否确定继续新建设备文档？"},
    {306, "算法模块的总使用时间超过上限！"},
    {307, "算法模块总使用空间超过上限！"},
    {308, "设置算法模块ID失败！"},
    {309, "产生DSP控制命令失败！"},
    {310, "不能正确载入算法模板！"},
    {311, "检查网络线程错误：抓包错误>100！\r\n请重新启动 Ostrel程序！"},
    {312, "Ostrel 程序已经运行！"},
    {323, "请先保存设备文档！"},
    {324, "是否需要保存文档？"},
    {327, "%d 连线(%d 选中)"},
    {328, "0 算法模块 (0 图形选中)"},
    {329, "%d 算法模块(%d 图形 %d 选中)"},
    {330, "ID未设定"},
    {331, "ID已设定"},
    {332, "总使用空间  %d%%"},
    {333, "总使用空间 < 1%"},
    {334, "总使用时间  %d%%"},
    {335, "总使用时间 < 1%"},
    {336, "运行"},
    {337, "停止"},
    {338, "连线不正确！"},
    {339, "算法模块的ID没有设置！"},
    {343, "当前没有可显示的已固化算法模板！"},
    {349, "保存文档失败！"},
    {441, "电流"},
    {442, "电压"},
    {443, "温度"},
    {460, "新建绑定组"},
    {461, "加入绑定组"},
    {462, "未设定"},
    {463, "未定义"},
    {464, "新建绑定组的名称不能为空！"},
    {465, "已经存在相同名称的绑定组！"},
    {467, "所有选中算法模块都要退出绑定组，是否确定？"},
    {471, "当前算法模块的绑定组已经设定！"},
    {487, "新的绑定组名称不能为空！"},
    {488, "已经存在相同名称的绑定组！"},
    // Toolbar buttons' tips, by command id.
    {32782, "剪切"},
    {32784, "粘贴"},
    {32795, "属性"},
    {32800, "重复"},
    {32801, "撤消"},
    {32802, "开始下载"},
    {32805, "复制"},
    {32808, "延时器"},
    {32813, "路由器"},
    {32817, "混音器"},
    {32822, "动态处理"},
    {32827, "信号发生器"},
    {32831, "均衡器"},
    {32840, "滤波器"},
    {32846, "分频器"},
    {32849, "电平表"},
    {32854, "堆叠"},
    {32858, "对齐"},
    {32864, "居中"},
    {32865, "等间距"},
    {32867, "停止下载"},
    {32869, "算法模块列表"},
    {32871, "栅格"},
    {32872, "放大"},
    {32873, "缩小"},
    {32874, "原始大小"},
    {32875, "文本"},
    {32914, "正常大小"},
    {32915, "放大"},
    {32917, "缩小"},
    {32922, "输出窗口"},
    {32924, "下载设备文档"},
    {32925, "退出运行状态"},
    {32928, "IP段参数"},
    {32930, "硬件配置"},
    {32932, "查看硬件配置"},
    {32940, "继续下载"},
    {32952, "命令窗口"},
    {32955, "固化算法"},
    {33030, "数据库路由信息"},
    {33038, "网络类型"},
    {57600, "新建"},
    {57601, "打开"},
    {57603, "保存"},
    {57607, "打印"},
    {57664, "关于"},
};

constexpr bool sorted_by_id() {
    for (std::size_t i = 1; i < std::size(kStrings); ++i)
        if (kStrings[i - 1].id >= kStrings[i].id)
            return false;
    return true;
}
static_assert(sorted_by_id(), "string table rows must be sorted by id, each id once");

std::atomic<const IStringSource*> g_source{nullptr};

} // namespace

std::string_view BuiltinString(int id) {
    const auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                     [](const CBuiltinString& e, int key) { return e.id < key; });
    if (it == std::end(kStrings) || it->id != id)
        return {};
    return it->text;
}

std::span<const CBuiltinString> BuiltinStrings() {
    return kStrings;
}

std::string_view LoadString(int id) {
    if (const IStringSource* source = g_source.load(std::memory_order_acquire))
        if (const std::optional<std::string_view> text = source->Find(id))
            return *text;
    return BuiltinString(id);
}

const IStringSource* SetStringSource(const IStringSource* source) {
    return g_source.exchange(source, std::memory_order_acq_rel);
}

} // namespace resources
