#pragma once

#include <cstdint>
#include <memory>

#include "api/handle_registry.h"
#include "core/protocol/reader_session.h"
#include "korvicard/KorviCardDriver.h"
#include "sim/callback_adapter.h"
#include "sim/simulated_reader.h"

namespace api_test {

// A command the simulated readers of these tests answer with an empty success reply;
// any other command gets the reader's code 19.
constexpr std::uint8_t kEchoCommand = 0x42;
constexpr std::uint8_t kUnknownCommand = 0xEE;
constexpr int kUnknownCommandCode = 19;

inline void AnswerEcho(sim::SimulatedReader& reader) {
    reader.SetHandler(kEchoCommand, [](const sim::Request&) { return sim::Reply::Ok({0x5A}); });
}

// One request/reply through the session that handle names; false when it names none.
inline bool Exchange(int handle, std::uint8_t command) {
    std::shared_ptr<ReaderSession> session = Readers().Find(handle);
    return session && session->Transact(command, nullptr, 0, 1000);
}

// A reader opened on the callback route and attached to its own simulated reader.
class CallbackReader {
public:
    CallbackReader() {
        AnswerEcho(reader);
        handle = KorviCardOpenDevice(nullptr, 0, 0, 0, 0, sim::SimulatorTransport);
        if (handle > 0) {
            sim::AttachSimulator(handle, reader);
        }
    }
    ~CallbackReader() {
        sim::DetachSimulator(handle);
        KorviCardCloseDevice(handle);
    }
    CallbackReader(const CallbackReader&) = delete;
    CallbackReader& operator=(const CallbackReader&) = delete;

    sim::SimulatedReader reader;
    int handle = -1;
};

}  // namespace api_test
