#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "sim/cards/contact_card.h"
#include "sim/cards/fuel_card_application.h"
#include "sim/cards/social_security_application.h"
#include "sim/cards/type_a_cpu_card.h"

// Contact cards for the reader's slots beside the resident PSAM and bank card, for manual
// runs of the test bench and its tests. Each call makes a fresh object.

namespace sim {

// The ATR of a T=0 card without interface bytes: TS 3B, T0 (K historical bytes), the bytes.
std::vector<std::uint8_t> SampleAtr(std::string_view historical);

// A GSM SIM (class A0, GET RESPONSE announced by 9F xx): SELECT of 3F00, 7F20, 7FF0, 6F07
// (IMSI 460001234567890) and 2FE2 (ICCID 89860012345678901234), READ BINARY of the last
// one selected.
std::shared_ptr<ContactCard> SampleSimCard();

// The holder and basic-information files of the sample social-security card: card number
// "A12345678", holder "张三" (GBK), ID number 110101199001011234, sex "1", nationality 1,
// issued 2015-06-01, valid to 2025-06-01.
SocialSecurityApplication::Records SampleSocialSecurityCardFile();
SocialSecurityApplication::Records SampleSocialSecurityHolderFile();
// The sample social-security card in a slot, and its contactless side in the field.
std::shared_ptr<ContactCard> SampleSocialSecurityCard();
std::shared_ptr<TypeACpuCard> SampleContactlessSocialSecurityCard();

// Fuel cards with 123.45 on the purse and three purchases in the log, issued 2020-03-15,
// valid to 2030-03-14: Sinopec 1000 0123 4567 8901 2345 67 with the built-in PIN 8888,
// PetroChina 9001 0203 0405 0607 with the PIN E7 E7 E7.
FuelCardData SampleSinopecData();
FuelCardData SamplePetroChinaData();
std::shared_ptr<ContactCard> SampleFuelCard(FuelCardData data);

}  // namespace sim
