#include "sim/commands/m100_commands.h"

#include <utility>

namespace sim {

M100Commands::M100Commands(SimulatedReader& reader, M100Module& module) {
    reader.SetHandler(kModuleCommand, [&module](const Request& request) {
        std::vector<std::vector<std::uint8_t>> answers = module.Process(request.payload);
        if (answers.empty()) return Reply::Ok();
        Reply reply = Reply::Ok(std::move(answers.front()));
        reply.laterPayloads.assign(std::make_move_iterator(answers.begin() + 1),
                                   std::make_move_iterator(answers.end()));
        return reply;
    });
}

}  // namespace sim
