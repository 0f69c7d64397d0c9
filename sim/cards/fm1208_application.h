#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "sim/cards/apdu_responder.h"
#include "sim/cards/challenge_generator.h"
#include "sim/cards/command_apdu.h"

namespace sim {

// The file system of an FM1208 CPU card as its personalisation commands see it: the master
// file 3F00 with its key file and elementary files.
//   00 A4 SELECT             the master file (by identifier 3F00, or with no data)
//   80 0E ERASE DF           empties the master file; free on a blank card, otherwise only
//                            after an external authentication with key 00 (else 69 85)
//   80 E0 CREATE FILE        P1 P2 the identifier, data its header; 6A 89 when it exists,
//                            69 85 for an elementary file before the key file
//   80 D4 WRITE KEY          P2 the key identifier, data: type, use and change rights, state,
//                            error counter, the key; 6A 82 without a key file
//   00 84 GET CHALLENGE      4 or 8 bytes (else 67 00), the challenge of the next
//                            EXTERNAL AUTHENTICATE
//   00 82 EXTERNAL AUTHENT.  P2 the key (type 39); data the challenge padded with zero bytes
//                            to 8, enciphered with it; 6A 88 no such key, 69 84 no challenge,
//                            63 00 a wrong cryptogram
// Other instructions answer 6D 00, another class 6E 00.
class Fm1208Application : public ApduResponder {
  public:
    static constexpr std::uint8_t kExternalKeyType = 0x39;

    // A blank card: the master file without key file, its erase free.
    Fm1208Application();
    // A card issued with an external authentication key 00 of these bytes (8 or 16): the
    // erase needs that authentication first.
    explicit Fm1208Application(std::vector<std::uint8_t> externalKey);

    void Reset() override;
    ApduAnswer Process(std::span<const std::uint8_t> command) override;

    bool hasKeyFile() const { return keyFile_; }
    const std::set<std::uint16_t>& files() const { return files_; }
    // The key of type and identifier, if written.
    std::optional<std::vector<std::uint8_t>> Key(std::uint8_t type, std::uint8_t id) const;

  private:
    ApduAnswer Erase();
    ApduAnswer CreateFile(const CommandApdu& apdu);
    ApduAnswer WriteKey(const CommandApdu& apdu);
    ApduAnswer GetChallenge(const CommandApdu& apdu);
    ApduAnswer ExternalAuthenticate(const CommandApdu& apdu);

    bool eraseFree_ = true;
    bool keyFile_ = false;
    std::set<std::uint16_t> files_;
    std::map<std::pair<std::uint8_t, std::uint8_t>, std::vector<std::uint8_t>> keys_;
    ChallengeGenerator challenges_{{0x3C, 0x9A, 0x51, 0xE7, 0x08, 0xB2, 0x6D, 0x14}};
    std::optional<std::vector<std::uint8_t>> challenge_;
    bool authenticated_ = false;
};

}  // namespace sim
