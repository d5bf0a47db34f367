#include "shell/frame_resources.h"

#include "shell/commands.h"

#include <map>

namespace shell {

namespace {

using Items = std::vector<CMenuEntry>;

CMenuEntry Popup(int key, std::string text, Items items)
{
    return {key, std::move(text), std::move(items)};
}

const CMenuEntry kSeparator{};

CMenuEntry Recent()
{
    return {kRecentFilesPlace, "最近文件", {}};
}

Items FileNewOpen()
{
    return {{ID_FILE_NEW, "新建(&N)\tCtrl+N", {}}, {ID_FILE_OPEN, "打开(&O)...\tCtrl+O", {}}};
}

Items DocumentFile(Items extra)
{
    Items items = FileNewOpen();
    items.push_back({ID_FILE_CLOSE, "关闭(&C)", {}});
    items.push_back({ID_FILE_SAVE, "保存(&S)\tCtrl+S", {}});
    items.push_back({ID_FILE_SAVE_AS, "另存为(&A)...", {}});
    items.push_back(kSeparator);
    for (auto& entry : extra)
        items.push_back(std::move(entry));
    if (!extra.empty())
        items.push_back(kSeparator);
    items.push_back({ID_FILE_PRINT, "打印(&P)...\tCtrl+P", {}});
    items.push_back({ID_FILE_PRINT_PREVIEW, "打印预览(&V)", {}});
    items.push_back({ID_FILE_PRINT_SETUP, "打印设置(&R)...", {}});
    items.push_back(kSeparator);
    items.push_back(Recent());
    items.push_back(kSeparator);
    items.push_back({ID_APP_EXIT, "退出(&X)", {}});
    return items;
}

CMenuEntry WindowMenu(int key)
{
    return Popup(key, "窗口(&W)",
                 {{ID_WINDOW_CASCADE, "层叠(&C)", {}},
                  {ID_WINDOW_TILE_HORZ, "平铺(&T)", {}},
                  {ID_WINDOW_ARRANGE, "排列图标(&A)", {}}});
}

CMenuEntry HelpMenu(int key)
{
    return Popup(key, "帮助(&H)", {{ID_APP_ABOUT, "关于 Ostrel(&A)...", {}}});
}

std::vector<CMenuEntry> MainMenu()
{
    Items file = FileNewOpen();
    file.push_back(kSeparator);
    file.push_back(Recent());
    file.push_back(kSeparator);
    file.push_back({ID_APP_EXIT, "退出(&X)", {}});
    return {Popup(1, "文件(&F)", std::move(file)),
            Popup(2, "查看(&V)",
                  {{ID_VIEW_TOOLBAR, "工具栏(&T)", {}},
                   {ID_VIEW_STATUS_BAR, "状态栏(&S)", {}},
                   {ID_VIEW_OUTPUT, "输出窗口(&O)", {}}}),
            Popup(3, "设置(&S)",
                  {{ID_VIEW_HWCONFIG, "查看硬件配置(&V)...", {}},
                   {ID_NET_TYPE, "网络类型(&N)...", {}},
                   {ID_DSP_TEMPLATE, "DSP模板选择(&L)", {}},
                   {ID_LANGUAGE, "语言(&L)...", {}}}),
            HelpMenu(4)};
}

std::vector<CMenuEntry> DeviceMenu()
{
    return {Popup(1, "文件(&F)", DocumentFile({})),
            Popup(2, "编辑(&E)",
                  {{32801, "撤消\tCtrl+Z(&U)", {}},
                   {32800, "重复\tCtrl+Y(&R)", {}},
                   kSeparator,
                   {32796, "删除(&D)\tDel", {}},
                   kSeparator,
                   {32798, "设备(&M)", {}},
                   {32790, "模块连线(&L)", {}},
                   {32792, "全部物体(&O)\tCtrl+A", {}}}),
            Popup(3, "查看(&V)",
                  {{32919, "标准(&S)", {}},
                   {32920, "特制(&P)", {}},
                   {32905, "设备(&D)", {}},
                   {ID_VIEW_STATUS_BAR, "状态栏(&S)", {}},
                   {ID_VIEW_OUTPUT, "输出窗口(&O)", {}},
                   kSeparator,
                   {32915, "放大(&I)\t2x", {}},
                   {32914, "正常(&N)\t1x", {}},
                   {32917, "缩小(&U)\t.5x", {}},
                   kSeparator,
                   {32897, "栅格(&G)", {}}}),
            Popup(4, "设置(&S)",
                  {{32926, "文档大小(&S)...", {}},
                   {32896, "颜色配置(&C)...", {}},
                   {32923, "连接关系(&L)...", {}},
                   kSeparator,
                   {32928, "IP段参数(&I)...", {}},
                   {32930, "硬件配置(&F)...", {}},
                   {ID_VIEW_HWCONFIG, "查看硬件配置(&V)...", {}},
                   {ID_NET_TYPE, "网络类型(&N)...", {}},
                   kSeparator,
                   {ID_DSP_TEMPLATE, "DSP模板选择(&L)", {}},
                   {ID_LANGUAGE, "语言(&L)...", {}}}),
            WindowMenu(5), HelpMenu(6)};
}

std::vector<CMenuEntry> DspMenu()
{
    return {Popup(1, "文件(&F)",
                  DocumentFile({{32959, "另存为模板(&A)...", {}},
                                {32960, "加载算法模板(&L)...", {}}})),
            Popup(2, "编辑(&E)",
                  {{32801, "撤消(&U)\tCtrl+Z", {}},
                   {32800, "重复(&R)\tCtrl+Y", {}},
                   kSeparator,
                   {32782, "剪切(&T)\tCtrl+X", {}},
                   {32805, "复制(&C)\tCtrl+C", {}},
                   {32784, "粘贴(&P)\tCtrl+V", {}},
                   {32785, "复制参数(&Y)\tCtrl+U", {}},
                   {32786, "粘贴参数(&E)\tCtrl+T", {}},
                   {32796, "删除(&D)\tDel", {}},
                   kSeparator,
                   Popup(7, "选择(&S)",
                         {{32791, "算法模块(&M)", {}},
                          {32790, "模块连线(&L)", {}},
                          {32792, "全部物体(&O)\tCtrl+A", {}}}),
                   kSeparator,
                   {32794, "设置参数(&O)...", {}},
                   {32889, "设置所有通道参数(&A)...", {}},
                   {32795, "属性(&R)...", {}},
                   kSeparator,
                   {32937, "隐藏算法模块(&H)", {}},
                   {32939, "显示算法模块(&W)", {}}}),
            Popup(3, "查看(&V)",
                  {{59392, "标准(&S)", {}},
                   {32881, "视图(&V)", {}},
                   {ID_VIEW_STATUS_BAR, "状态栏(&S)", {}},
                   {32886, "添加算法(&A)", {}},
                   kSeparator,
                   {32872, "放大1倍(&O)", {}},
                   {32873, "缩小为50%(&I)", {}},
                   {32874, "原始大小(&N)", {}}}),
            Popup(4, "下载(&D)",
                  {{32802, "开始下载(&S)", {}},
                   {32867, "停止下载(&T)", {}},
                   {32940, "继续下载(&C)", {}},
                   kSeparator,
                   {32955, "固化算法(&F)", {}}}),
            Popup(5, "设置(&S)",
                  {{ID_DSP_TEMPLATE, "DSP模板选择(&L)", {}},
                   {ID_NET_TYPE, "网络类型(&N)...", {}},
                   {ID_LANGUAGE, "语言(&L)...", {}}}),
            WindowMenu(6), HelpMenu(8)};
}

std::vector<CMenuEntry> ArrangeMenu()
{
    return {Popup(1, "堆叠",
                  {{32854, "按左边(&L)", {}},
                   {32855, "按右边(&R)", {}},
                   {32856, "按上边(&T)", {}},
                   {32857, "按下边(&B)", {}}}),
            Popup(2, "对齐",
                  {{32858, "按左边(&L)", {}},
                   {32859, "按右边(&R)", {}},
                   {32860, "按上边(&T)", {}},
                   {32877, "按下边(&B)", {}}}),
            Popup(3, "居中",
                  {{32864, "视图(&I)", {}}, {32862, "水平(&H)", {}}, {32863, "纵向(&V)", {}}}),
            Popup(4, "等间距", {{32865, "水平(&A)", {}}, {32866, "纵向(&D)", {}}})};
}

std::vector<CMenuEntry> ModulesMenu()
{
    return {Popup(1, "延时器",
                  {{32808, "5 ms      (&1)", {}},
                   {32809, "10 ms    (2)", {}},
                   {32810, "20 ms    (3)", {}},
                   {32811, "50 ms    (4)", {}},
                   {32812, "100 ms  (&5)", {}}}),
            Popup(2, "路由器", {{32813, "&4X4", {}}, {32814, "&8X8", {}}, {32816, "&16X16", {}}}),
            Popup(3, "混音器",
                  {{32817, "4X1(&1)", {}},
                   {33017, "4X2(&2)", {}},
                   {32818, "4X4(&3)", {}},
                   {32819, "8X1(&4)", {}},
                   {33018, "8X2(&5)", {}},
                   {33019, "8X4(&6)", {}},
                   {32821, "8X8(&7)", {}}}),
            Popup(4, "动态处理",
                  {{32822, "自动增益器(&E)", {}},
                   {32823, "压缩器(&C)", {}},
                   {32824, "限制器(&L)", {}},
                   {32825, "噪声门(&N)", {}},
                   {32826, "扩展器(&X)", {}},
                   {33020, "削峰器(&P)", {}}}),
            Popup(5, "信号发生器",
                  {{32827, "正弦(&S)", {}}, {32828, "白噪声(&W)", {}}, {32829, "粉噪声(&P)", {}}}),
            Popup(6, "均衡器",
                  {{32831, "1 波段(&1)", {}},
                   {32832, "3 波段(&2)", {}},
                   {32833, "5 波段(&3)", {}},
                   {32834, "7 波段(&4)", {}},
                   {32835, "10 波段(&5)", {}},
                   {32836, "16 波段(&6)", {}},
                   {32837, "1/3 倍频程图示(&7)", {}},
                   {32838, "2/3 倍频程图示(&8)", {}},
                   {32839, "  1  倍频程图示(9)", {}}}),
            Popup(7, "滤波器",
                  {{32840, "低通(&L)", {}},
                   {32842, "高通(&H)", {}},
                   {32844, "低通斜坡(&O)", {}},
                   {32845, "高通斜坡(&I)", {}}}),
            Popup(8, "分频器", {{32846, "&2 输出", {}}, {32847, "&3 输出", {}}, {32848, "&4 输出", {}}}),
            Popup(9, "电平表",
                  {{32849, " &1 通道", {}},
                   {32851, " &2 通道", {}},
                   {32852, " &4 通道", {}},
                   {32853, " &8 通道", {}}})};
}

// The two submenus of a DSP view's right click: one for a module
// selection, one for the rest.
std::vector<CMenuEntry> DspContextMenu()
{
    return {Popup(1, "AriModule",
                  {{32794, "设置参数(&O)...", {}},
                   {32889, "设置所有通道参数(&A)...", {}},
                   kSeparator,
                   {32782, "剪切(&T)\tCtrl+X", {}},
                   {32805, "复制(&C)\tCtrl+C", {}},
                   {32784, "粘贴(&P)\tCtrl+V", {}},
                   {32796, "删除(&D)\tDel", {}},
                   kSeparator,
                   {32785, "复制参数(&Y)\tCtrl+U", {}},
                   {32786, "粘贴参数(&E)\tCtrl+T", {}},
                   {33045, "保存参数(&V)...", {}},
                   {33046, "加载参数(&L)...", {}},
                   kSeparator,
                   {33048, "建立绑定(&N)...", {}},
                   {33051, "加入绑定(&J)...", {}},
                   {33052, "退出绑定(&X)", {}},
                   {33054, "解散绑定(&I)", {}},
                   kSeparator,
                   {32795, "属性(&R)...", {}}}),
            Popup(2, "Others",
                  {{32784, "粘贴(&P)\tCtrl+V", {}},
                   {32796, "删除(&D)\tDel", {}},
                   kSeparator,
                   {32791, "算法模块(&M)", {}},
                   {32790, "模块连线(&L)", {}},
                   {32792, "全部物体(&O)\tCtrl+A", {}},
                   kSeparator,
                   {32795, "属性(&R)...", {}}})};
}

// The two submenus of a device view's right click: one over a device, one
// elsewhere. The channel-gain and DSP items lead the device's, so that
// they leave with the separator after them.
std::vector<CMenuEntry> DeviceContextMenu()
{
    return {Popup(1, "Device",
                  {{32772, "通道增益调节(&G)...", {}},
                   {32774, "DSP算法编辑(&E)...", {}},
                   kSeparator,
                   {32775, "属性(&P)...", {}},
                   kSeparator,
                   {32796, "删除(&D)\tDel", {}}}),
            Popup(2, "Global",
                  {{32796, "删除(&D)\tDel", {}},
                   kSeparator,
                   {32798, "设备(&M)", {}},
                   {32790, "模块连线(&L)", {}},
                   {32792, "全部物体(&O)\tCtrl+A", {}},
                   kSeparator,
                   {32777, "模板大小(&H)...", {}},
                   {32778, "颜色设定(&C)...", {}}})};
}

std::vector<CMenuEntry> AttriQuickMenu()
{
    return {Popup(1, "Attri Quick", {{32806, "设置默认值(&D)", {}}})};
}

constexpr CToolbarButton kSep{0, -1};

} // namespace

const std::vector<CMenuEntry>& MenuResource(int id)
{
    static const std::map<int, std::vector<CMenuEntry>> menus = {
        {kMenuMain, MainMenu()},       {kMenuDevice, DeviceMenu()}, {kMenuDsp, DspMenu()},
        {kMenuArrange, ArrangeMenu()}, {kMenuModules, ModulesMenu()},
        {kMenuDspContext, DspContextMenu()}, {kMenuAttriQuick, AttriQuickMenu()},
        {kMenuDeviceContext, DeviceContextMenu()},
    };
    static const std::vector<CMenuEntry> none;
    const auto found = menus.find(id);
    return found == menus.end() ? none : found->second;
}

const std::vector<CToolbarButton>& ToolbarResource(int id)
{
    static const std::map<int, std::vector<CToolbarButton>> toolbars = {
        {kToolbarStandard,
         {{ID_FILE_NEW}, {ID_FILE_OPEN}, {ID_FILE_SAVE}, kSep, {32801}, {32800}, kSep, {32915},
          {32914}, {32917}, kSep, {ID_FILE_PRINT}, {ID_APP_ABOUT}}},
        {kToolbarSpecial,
         {{ID_DOWNLOAD_DEVICE_SHEET}, {ID_LEAVE_RUN}, kSep, {32928}, {32930}, {ID_VIEW_HWCONFIG},
          {ID_NET_TYPE}, kSep, {ID_VIEW_OUTPUT}}},
        {kToolbarDsp,
         {{ID_FILE_NEW}, {ID_FILE_OPEN}, {ID_FILE_SAVE}, kSep, {32782}, {32805}, {32784}, kSep,
          {32801}, {32800}, kSep, {32802}, {32867}, {32940}, {32955}, kSep, {ID_FILE_PRINT},
          {ID_APP_ABOUT}}},
        {kToolbarArrange,
         {{32869}, {32795}, {32871}, kSep, {32872}, {32873}, {32874}, {kZoomCombo}, {32876}, kSep,
          {32854, 0}, {32858, 1}, {32864, 2}, {32865, 3}, kSep, {32882}, {32952}, {33030}}},
        {kToolbarModules,
         {{32808, 0}, {32813, 1}, {32817, 2}, {32879}, {32822, 3}, {32827, 4}, {32831, 5},
          {32840, 6}, {32846, 7}, {32849, 8}, {32875}}},
    };
    static const std::vector<CToolbarButton> none;
    const auto found = toolbars.find(id);
    return found == toolbars.end() ? none : found->second;
}

int ToolbarDropDownMenu(int toolbarId)
{
    switch (toolbarId) {
    case kToolbarArrange:
        return kMenuArrange;
    case kToolbarModules:
        return kMenuModules;
    default:
        return 0;
    }
}

} // namespace shell
