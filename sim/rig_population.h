#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/cards/contact_card.h"
#include "sim/cards/mifare_classic_card.h"
#include "sim/cards/ntag_tag.h"
#include "sim/cards/type_a_cpu_card.h"
#include "sim/cards/type_b_card.h"
#include "sim/cards/uhf_tag.h"
#include "sim/device/esp_wifi_module.h"

// The cards and module contents of the simulated reader as korvicard-sim starts it, for
// manual runs of the driver and the test bench. Each call makes a fresh object.

namespace sim {

// The device type the reader reports (command 31): a V3-U.
inline constexpr std::uint32_t kSampleDeviceType = 0x3001;
// The password the relay switch requests must carry.
inline constexpr char kSampleRelayPassword[] = "1357924680";

// A fresh Mifare Classic card (transport keys), UID 3A 5C 7E 91 (1K) or 4B 6D 8F A2 (4K).
std::shared_ptr<MifareClassicCard> SampleMifareCard(MifareClassicCard::Size size);
// A fresh NTAG21x tag of the model, the default UID 04 11 22 33 44 55 66.
std::shared_ptr<NtagTag> SampleNtagTag(NtagTag::Model model);
// The resident identity card's type-B side as the test bench talks to it: its identifier
// (00 36 00 00 08), GET CHALLENGE of 4 or 8 bytes (fresh ones at every call), SELECT of file
// 6002 and READ BINARY of its 32-byte DN code (80 B0 00 00 20).
std::shared_ptr<TypeBCard> SampleIdentityTypeBCard();
// A blank FM1208 type A CPU card (Fm1208Application): its erase is free.
std::shared_ptr<TypeACpuCard> SampleFm1208Card();
// An FM1208 card issued with the all-FF external authentication key 00 (16 bytes): its erase
// needs that authentication.
std::shared_ptr<TypeACpuCard> SampleIssuedFm1208Card();
// A city transit card: SELECT of "1PAY.SYS.DDF01" and READ BINARY of its public file
// (SFI 4), the card serial 1000075123456789 first.
std::shared_ptr<TypeACpuCard> SampleTransitCard();
// A contactless PBOC debit card (BankCardApplication with its default data).
std::shared_ptr<TypeACpuCard> SampleContactlessBankCard();
// A card with a 7-byte UID (04 3C 51 6A 72 2E 80) and the ISO 14443-4 protocol, as a DESFire
// EV1 answers: ATQA 0x0344, SAK 0x20, ATS 06 75 77 81 02 80. Every APDU gets 6D 00.
std::shared_ptr<TypeACpuCard> SampleDesfireCard();

// A PSAM for slot 0: SELECT of the master file (also with the GSM class A0), GET CHALLENGE
// of 4 or 8 bytes, READ BINARY of the terminal number (SFI 16, 6 bytes).
std::shared_ptr<ContactCard> SamplePsam();
// A contact PBOC debit card for slot 1.
std::shared_ptr<ContactCard> SampleContactBankCard();

// Three EPC Gen2 tags of 96-bit EPCs, at -52, -61 and -70 dBm.
std::vector<UhfTag> SampleUhfTags();
// Three access points for the WiFi module's scans (SSID, channel, RSSI, encryption).
std::vector<EspWifiModule::Record> SampleAccessPoints();
// The station block of the WiFi module: SSID "KorviCard-Lab", pass phrase "1357924680",
// addresses by DHCP (zero).
EspWifiModule::Record SampleStationInfo();
// One lottery ticket as a host sends it to the printer (GBK text, ESC/POS formatting, a QR
// code of 32 data bytes), for the printer capture.
std::vector<std::uint8_t> SampleTicket();

}  // namespace sim
