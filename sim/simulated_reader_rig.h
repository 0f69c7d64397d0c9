#pragma once

#include <memory>
#include <span>

#include "sim/cards/card_field.h"
#include "sim/cards/type_b_card.h"
#include "sim/commands/cpu_card_commands.h"
#include "sim/commands/device_commands.h"
#include "sim/commands/esp_isp_commands.h"
#include "sim/commands/esp_wifi_commands.h"
#include "sim/commands/felica_commands.h"
#include "sim/commands/m100_commands.h"
#include "sim/commands/mifare_commands.h"
#include "sim/commands/nfc_buffer_commands.h"
#include "sim/commands/ntag_commands.h"
#include "sim/commands/printer_commands.h"
#include "sim/commands/sam_slot_commands.h"
#include "sim/commands/samv_commands.h"
#include "sim/commands/type_b_commands.h"
#include "sim/device/esp_wifi_module.h"
#include "sim/device/m100_module.h"
#include "sim/device/nfc_text_buffer.h"
#include "sim/device/printer_capture.h"
#include "sim/device/reader_device.h"
#include "sim/device/sam_slots.h"
#include "sim/device/samv_module.h"
#include "sim/field_cards.h"
#include "sim/simulated_reader.h"

namespace sim {

// The whole simulated reader: one SimulatedReader with every model of the simulator and the
// handlers of every command family registered on it (Mifare and ISO 14443-A, NTAG21x, type
// B, FeliCa, CPU cards, NFC buffer, SAM slots, device controls, M100 UHF module, SAMV module,
// ESP WiFi module and its boot loader, printer capture and QR relay), populated for manual
// runs:
//   - the RF field: the card chosen (a Mifare Classic 1K unless said otherwise); the reader
//     runs protocol 'A', as at power-up
//   - SAM slot 0 a PSAM, slot 1 a contact bank card (rig_population.h); slot 2 a SIM, slot 3
//     a social-security card, slot 4 a Sinopec fuel card (contact_card_samples.h)
//   - the M100 module with three tags in its field
//   - the SAMV module with an identity card (SampleIdentityCard) on it; the APDUs of its read
//     go to the type B card active in the field
//   - the WiFi module on, in station mode, its station block set, three access points
//   - the device identity of a V3-U reader, a Bluetooth module in command mode on UART 0
//   - the relays' password "1357924680"
//   - one ticket in the printer capture
// Not thread-safe: an adapter thread reaches it through a ReaderPort.
class ReaderRig {
  public:
    explicit ReaderRig(FieldCard card = FieldCard::kMifare1K);
    ReaderRig(const ReaderRig&) = delete;
    ReaderRig& operator=(const ReaderRig&) = delete;

    // Takes every card out of the RF field and holds these into it, at most one per protocol
    // (as ChooseFieldCards gives them); each answers only while the reader runs its protocol
    // ('A', 'B' or 'F').
    void PlaceFieldCards(std::span<const FieldCard> cards);
    // The same for one card (kNone empties the field).
    void PresentFieldCard(FieldCard card) { PlaceFieldCards({&card, 1}); }

    // Puts a contact card into a slot (0-5), replacing the one there.
    void InsertContactCard(int slot, std::shared_ptr<ContactCard> card);

    // Takes every card out of the RF field and holds this type A card into it; the caller
    // keeps its own pointer to set up or inspect the card.
    void PresentTypeACard(std::shared_ptr<TypeACard> card);

    // Holds this type B card into the field beside whatever is there.
    void PresentTypeBCard(std::shared_ptr<TypeBCard> card);

    SimulatedReader& reader() { return reader_; }
    // What went to the QR host.
    const PrinterCommands& printerCommands() const { return printerCommands_; }

  private:
    // Holds one more card into the field beside the others.
    void HoldFieldCard(FieldCard card);

    // Models first: the command objects below hold references to them.
    SimulatedReader reader_;
    CardField field_;
    ReaderDevice device_;
    SamSlots slots_;
    NfcTextBuffer nfcBuffer_;
    M100Module uhf_;
    SamvModule samv_;
    EspWifiModule wifi_;
    PrinterCapture printer_;

    MifareCommands mifare_{reader_, field_};
    NtagCommands ntag_{reader_, field_};
    TypeBCommands typeB_{reader_, field_};
    FelicaCommands felica_{reader_, field_};
    CpuCardCommands cpu_{reader_, field_};
    NfcBufferCommands nfc_{reader_, nfcBuffer_};
    SamSlotCommands sam_{reader_, slots_};
    DeviceCommands deviceCommands_{reader_, device_};
    M100Commands uhfCommands_{reader_, uhf_};
    SamvCommands samvCommands_{reader_, samv_, [this](std::span<const std::uint8_t> apdu) {
                                   return cpu_.ExchangeTypeBApdu(apdu);
                               }};
    EspWifiCommands wifiCommands_{reader_, wifi_};
    EspIspCommands ispCommands_{reader_, wifi_};
    PrinterCommands printerCommands_{reader_, printer_};
};

}  // namespace sim
