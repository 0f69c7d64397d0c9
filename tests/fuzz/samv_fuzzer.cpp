// The SAMV module's answer behind KorviCardGetTwoIdInfo and its helper exports: the count
// polls, the header and chunk reads, the total of the two layouts (with and without a
// fingerprint), the check byte and the record filled from the assembled answer, all from
// reader replies whose payloads the input chooses (fuzz_reader.h).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "core/identity/samv_frame.h"
#include "fuzz_reader.h"
#include "korvicard/KorviCardDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    HasSamvPreamble(bytes);
    SamvFrameTotal(bytes);
    SamvCheckByteValid(bytes);

    fuzz_reader::ReplyScript script(data, size);
    ReaderSession session;
    fuzz_reader::Attach(session, script);
    auto record = std::make_unique<TwoIdInfoParam>();
    session.GetTwoIdInfo(record.get());
    if (record->unTwoIdFingerprintLength < 0) __builtin_trap();

    // The helper commands on what the input has left.
    KorviCardParam param{};
    session.GetSamvUartData(&param);
    if (param.unCosReultBufferLength > sizeof param.arrCosResultBuffer) __builtin_trap();
    std::uint8_t sdt[32];
    int length = sizeof sdt;
    session.GetSdtCmd(sdt, &length);
    if (length < 0 || length > static_cast<int>(sizeof sdt)) __builtin_trap();
    std::int32_t status = 0;
    session.GetSamvPowerStatus(&status);
    session.GetSamvLastApdu(&param);
    session.GetSamvLastApduResult(&param);
    return 0;
}
