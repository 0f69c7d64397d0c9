#include "testbench/core/error_texts.h"

#include <array>

#include "korvicard/KorviCardDriver.h"

namespace bench {

QString ErrorCodeText(int code) {
    static const std::array<const char*, 28> kTexts = {
        "正常执行",
        "未知的错误",
        "发送失败",
        "接收超时",
        "接收长度为0",
        "接收校验失败",
        "寻卡错误",
        "防冲突错误",
        "选卡错误",
        "三次验证错误",
        "中止错误",
        "读错误",
        "写错误",
        "加值错误",
        "减值错误",
        "装载密码错误",
        "蜂鸣错误",
        "数据块传入卡的内部寄存器错误",
        "内部寄存器传入卡的卡数据块错误",
        "发送14443指令错误",
        "发送扫描动作开始信号错误",
        "获取扫描AP计数错误",
        "获取扫描结果错误",
        "获取STA信息错误",
        "设置STA信息错误",
        "获取模式错误",
        "设置模式错误",
        "复位WIFI模块错误",
    };
    const unsigned byte = static_cast<unsigned>(code) & 0xFFu;
    if (byte < kTexts.size()) return QString::fromUtf8(kTexts[byte]);
    if (byte == 32) return QStringLiteral("轮询操作失败。没有标签返回或者返回数据CRC 校验错误。");
    return QStringLiteral("未知错误");
}

bool HasReaderText(int code) { return (static_cast<unsigned>(code) & 0xFFu) != 0; }

QString WithReaderErrorText(const QString& line, int handle) {
    const int code = KorviCardGetErrorCode(handle);
    if (!HasReaderText(code)) return line;
    const QString text = ErrorCodeText(code);
    return line.isEmpty() ? text : line + QLatin1Char(' ') + text;
}

}  // namespace bench
