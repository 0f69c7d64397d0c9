#include "testbench/core/id_card_texts.h"

#include <array>

#include "testbench/core/error_texts.h"
#include "testbench/core/hex_text.h"

namespace bench {

namespace {

constexpr std::array<const char*, 56> kNations = {
    "汉",     "蒙古",   "回",       "藏",     "维吾尔",   "苗",   "彝",     "壮",
    "布依",   "朝鲜",   "满",       "侗",     "瑶",       "白",   "土家",   "哈尼",
    "哈萨克", "傣",     "黎",       "傈僳",   "佤",       "畲",   "高山",   "拉祜",
    "水",     "东乡",   "纳西",     "景颇",   "柯尔克孜", "土",   "达斡尔", "仫佬",
    "羌",     "布朗",   "撒拉",     "毛南",   "仡佬",     "锡伯", "阿昌",   "普米",
    "塔吉克", "怒",     "乌孜别克", "俄罗斯", "鄂温克",   "德昂", "保安",   "裕固",
    "京",     "塔塔尔", "独龙",     "鄂伦春", "赫哲",     "门巴", "珞巴",   "基诺"};

// Codes 0-42; code 12 and the codes above 42 have texts of this bench's own.
constexpr std::array<const char*, 43> kTwoIdErrors = {
    "正常执行 没有错误",
    "错误IP地址 格式错误",
    "寻卡错误",
    "选卡错误",
    "获取卡号错误 执行卡ID COS指令失败",
    "获取卡号错误结果 没有返回9000",
    "获取卡号其他错误",
    "取随机数错误",
    "取随机数错误结果 没有返回9000",
    "第一个文件错误",
    "选第一个文件错误结果 没有返回9000",
    "读第一个文件错误",
    "读第一个文件错误结果 没有返回9000",
    "接收内部认证 TCP 动作",
    "执行内部认证",
    "发送内部认证结果 TCP",
    "获取随机数",
    "发送随机数 TCP",
    "接收外部认证 TCP 动作",
    "执行外部认证",
    "读取并发送第二个文件",
    "读取并发送第三个文件",
    "读取并发送第四个文件",
    "接收最后的数据",
    "连接服务器失败",
    "服务器端SAMV繁忙",
    "读取并发送第五个文件",
    "返回数据为空",
    "MCU复位错误",
    "SAMV复位错误",
    "SAMV管理信息",
    "获取SAMV地址端口错误",
    "获取SAMV最后错误失败",
    "连接wl解码服务器失败",
    "连接调度服务器失败",
    "发送COS指令失败",
    "数据全部为0",
    "COS结果错误",
    "网络发送错误",
    "复位PSAM失败",
    "查询PSAM状态失败",
    "获取MFKEY失败",
    "处理PSAM校验加密数据失败",
};

constexpr std::array<const char*, 8> kSamDataTypes = {"第一个文件", "内部认证",   "取随机数",
                                                      "外部认证",   "第二个文件", "第三个文件",
                                                      "第四个文件", "第五个文件"};

}  // namespace

QString TrimControls(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= u' ') ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ') --end;
    return text.mid(begin, end - begin);
}

QString TwoIdFieldText(std::span<const std::uint8_t> field) {
    QString text;
    for (std::size_t i = 0; i + 1 < field.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(field[i] | field[i + 1] << 8);
        if (unit == 0) break;
        text.append(QChar(unit));
    }
    return TrimControls(text);
}

QString NationName(const QString& code) {
    if (code.isEmpty()) return QStringLiteral("民族编码为空");
    const int value = DecimalTextToValue(code);
    if (value < 1 || value > static_cast<int>(kNations.size())) return {};
    return QString::fromUtf8(kNations[static_cast<std::size_t>(value - 1)]);
}

QString TwoIdErrorText(int code) {
    const unsigned index = static_cast<unsigned>(code) & 0xFFu;
    if (index < kTwoIdErrors.size()) return QString::fromUtf8(kTwoIdErrors[index]);
    return QStringLiteral("未知错误");
}

QString TwoIdErrorDetail(int code) {
    const QString number = QString::number(code);
    if (!HasReaderText(code)) return number;
    return number + QStringLiteral("错误描述:") + TwoIdErrorText(code);
}

QString SamDataTypeName(std::uint8_t type) {
    if (type < 1 || type > kSamDataTypes.size()) return {};
    return QString::fromUtf8(kSamDataTypes[type - 1u]);
}

}  // namespace bench
