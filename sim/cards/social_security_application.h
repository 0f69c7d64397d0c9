#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "sim/cards/command_apdu.h"
#include "sim/cards/select_read_application.h"

namespace sim {

// A social-security card: the master file 3F00, the application DF "sx1.sh." followed by
// the GBK text for "social security", and in it the basic-information files EF05 (card
// identifier, type, version, issuer, issue and validity dates, card number: records 1-7)
// and EF06 (holder: ID number, name, sex, nation, ...: records 1-6). Each record answers
// as tag (its number), length and data. SELECT (MF by identifier, DF by name, EF by
// identifier within the DF) and READ RECORD of the current EF.
class SocialSecurityApplication : public SelectReadApplication {
  public:
    static const std::vector<std::uint8_t> kDfName;

    using Records = std::map<std::uint8_t, std::vector<std::uint8_t>>;
    SocialSecurityApplication(Records ef05, Records ef06);

    void Reset() override;

  private:
    enum class Level { kNone, kMaster, kApplication };

    ApduAnswer Select(const CommandApdu& apdu) override;
    ApduAnswer ReadRecord(const CommandApdu& apdu) const override;

    Records ef05_;
    Records ef06_;
    Level level_ = Level::kNone;
    const Records* currentEf_ = nullptr;
};

}  // namespace sim
