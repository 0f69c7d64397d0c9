// The contact page's script over the ICC_Reader_ interface: its own process-wide reader,
// not the bench's open handle.

#include <QPushButton>
#include <array>
#include <vector>

#include "testbench/core/bounded_hex.h"
#include "testbench/core/gbk_text.h"
#include "testbench/core/log_memo.h"
#include "testbench/pages/contact_card_page.h"

namespace bench {

namespace {

constexpr int kSamSlot = 0x11;
constexpr int kCardSlot = 0x01;
constexpr std::size_t kResponseSize = 256;

// "1PAY.SYS.DDF01" selected by name.
const std::vector<std::uint8_t> kSelectPse = {0x00, 0xA4, 0x04, 0x00, 0x0E, '1', 'P', 'A', 'Y', '.',
                                              'S',  'Y',  'S',  '.',  'D',  'D', 'F', '0', '1'};
const std::vector<std::uint8_t> kGetChallenge = {0x00, 0x84, 0x00, 0x00, 0x04};

class IccScript {
  public:
    IccScript(LogMemo& log, int handle) : log_(log), h_(handle) {}

    void Line(const char* label, int result) {
        log_.AddLog(QString::fromUtf8(label) + QString::number(result));
    }
    // The first r bytes of the response after the label, for r > 0.
    void Data(const char* label, int r) {
        if (r > 0)
            log_.AddLog(QString::fromUtf8(label) + BoundedHex(response_.data(), kResponseSize, r));
    }
    int PowerOn(int slot) {
        response_.fill(0);
        return ICC_Reader_PowerOn(h_, slot, response_.data());
    }
    int Send(int slot, const std::vector<std::uint8_t>& command) {
        response_.fill(0);
        return ICC_Reader_Application(h_, slot, static_cast<int>(command.size()), command.data(),
                                      response_.data());
    }
    std::uint8_t Response(std::size_t at) const { return response_[at]; }

  private:
    LogMemo& log_;
    int h_;
    std::array<std::uint8_t, kResponseSize> response_{};
};

}  // namespace

void ContactCardPage::btnTestICCClick() {
    const int h = ICC_Reader_Open("AUTO");
    if (h <= 0) {
        mmSamLog->AddLog(QStringLiteral("打开设备失败，返回值:") + QString::number(h));
        return;
    }
    RunIccReaderScript(h);
    mmSamLog->AddLog(QStringLiteral("ICC_Reader_Close返回值:") +
                     QString::number(ICC_Reader_Close(h)));
}

void ContactCardPage::RunIccReaderScript(int h) {
    IccScript script(*mmSamLog, h);
    script.Line("打开设备成功，返回值:", h);
    std::array<char, 33> info{};
    const int infoResult = ICC_Reader_Libinfo(info.data());
    info[32] = 0;
    mmSamLog->AddLog(QStringLiteral("ICC_Reader_Libinfo值:") + FromGbk(info.data(), info.size()));
    script.Line("ICC_Reader_Libinfo返回值:", infoResult);
    script.Line("11ICC_Reader_GetStatus返回值:", ICC_Reader_GetStatus(h, kSamSlot));
    script.Line("01ICC_Reader_GetStatus返回值:", ICC_Reader_GetStatus(h, kCardSlot));

    int r = script.PowerOn(kSamSlot);
    script.Line("11ICC_Reader_PowerOn返回值:", r);
    if (r < 0) return;
    script.Data("复位数据：", r);
    r = script.PowerOn(kCardSlot);
    script.Line("01ICC_Reader_PowerOn返回值:", r);
    if (r < 0) return;
    script.Data("复位数据：", r);

    r = script.Send(kSamSlot, kGetChallenge);
    script.Line("11ICC_Reader_Application返回值:", r);
    if (r < 0) return;
    script.Data("随机数：", r);
    r = script.Send(kCardSlot, kGetChallenge);
    script.Line("01 ICC_Reader_Application返回值:", r);
    if (r < 0) return;
    script.Data("随机数：", r);

    r = script.Send(kSamSlot, kSelectPse);
    script.Line("11ICC_Reader_Application返回值:", r);
    script.Data("选择1PAY.SYS.DDF01：", r);
    r = script.Send(kCardSlot, kSelectPse);
    script.Line("01ICC_Reader_Application返回值:", r);
    if (r > 0) {
        script.Data("选择1PAY.SYS.DDF01：", r);
        if (script.Response(0) == 0x61) {
            r = script.Send(kCardSlot, {0x00, 0xC0, 0x00, 0x00, script.Response(1)});
            script.Line("01 ICC_Reader_Application返回值:", r);
            if (r < 0) return;
            script.Data("后续数据：", r);
        }
    }
    script.Line("11ICC_Reader_PowerOff返回值:", ICC_Reader_PowerOff(h, kSamSlot));
    script.Line("01ICC_Reader_PowerOff返回值:", ICC_Reader_PowerOff(h, kCardSlot));
}

}  // namespace bench
