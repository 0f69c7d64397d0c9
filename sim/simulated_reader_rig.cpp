#include "sim/simulated_reader_rig.h"

#include <memory>
#include <utility>

#include "sim/cards/felica_card.h"
#include "sim/contact_card_samples.h"
#include "sim/device/bluetooth_at_module.h"
#include "sim/rig_population.h"

namespace sim {

ReaderRig::ReaderRig(FieldCard card) {
    device_.deviceType = kSampleDeviceType;
    device_.SetRelayPassword(kSampleRelayPassword);
    device_.Uart(0).peripheral = BluetoothAtModule();
    slots_.Insert(0, SamplePsam());
    slots_.Insert(1, SampleContactBankCard());
    slots_.Insert(2, SampleSimCard());
    slots_.Insert(3, SampleSocialSecurityCard());
    slots_.Insert(4, SampleFuelCard(SampleSinopecData()));
    uhf_.tags = SampleUhfTags();
    samv_.card = SampleIdentityCard();
    wifi_.SetStationInfo(SampleStationInfo());
    wifi_.SetAccessPoints(SampleAccessPoints());
    printer_.Print(SampleTicket());
    PresentFieldCard(card);
}

void ReaderRig::InsertContactCard(int slot, std::shared_ptr<ContactCard> card) {
    slots_.Insert(slot, std::move(card));
}

void ReaderRig::PresentTypeACard(std::shared_ptr<TypeACard> card) {
    PlaceFieldCards({});
    field_.PresentTypeA(std::move(card));
}

void ReaderRig::PlaceFieldCards(std::span<const FieldCard> cards) {
    field_.RemoveTypeA();
    PresentTypeBCard(nullptr);
    felica_.Present(nullptr);
    for (const FieldCard card : cards) HoldFieldCard(card);
}

void ReaderRig::HoldFieldCard(FieldCard card) {
    switch (card) {
        case FieldCard::kMifare1K:
            field_.PresentTypeA(SampleMifareCard(MifareClassicCard::Size::k1K));
            break;
        case FieldCard::kMifare4K:
            field_.PresentTypeA(SampleMifareCard(MifareClassicCard::Size::k4K));
            break;
        case FieldCard::kNtag213:
            field_.PresentTypeA(SampleNtagTag(NtagTag::Model::kNtag213));
            break;
        case FieldCard::kNtag215:
            field_.PresentTypeA(SampleNtagTag(NtagTag::Model::kNtag215));
            break;
        case FieldCard::kNtag216:
            field_.PresentTypeA(SampleNtagTag(NtagTag::Model::kNtag216));
            break;
        case FieldCard::kTypeB:
            PresentTypeBCard(SampleIdentityTypeBCard());
            break;
        case FieldCard::kCpu:
            field_.PresentTypeA(SampleFm1208Card());
            break;
        case FieldCard::kFm1208Issued:
            field_.PresentTypeA(SampleIssuedFm1208Card());
            break;
        case FieldCard::kTransit:
            field_.PresentTypeA(SampleTransitCard());
            break;
        case FieldCard::kBank:
            field_.PresentTypeA(SampleContactlessBankCard());
            break;
        case FieldCard::kDesfire:
            field_.PresentTypeA(SampleDesfireCard());
            break;
        case FieldCard::kFelica:
            felica_.Present(std::make_shared<FelicaCard>());
            break;
        case FieldCard::kNone:
            break;
    }
}

void ReaderRig::PresentTypeBCard(std::shared_ptr<TypeBCard> card) {
    // One card for both families: the type B commands activate it, the CPU-card command
    // then carries its ISO 14443-4 traffic.
    typeB_.Present(card);
    cpu_.PresentTypeB(std::move(card));
}

}  // namespace sim
