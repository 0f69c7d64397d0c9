#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "korvicard/KorviCardDriver.h"
#include "sim/cards/ntag_tag.h"
#include "sim/commands/device_commands.h"
#include "sim/device/reader_device.h"
#include "sim_fixture/sim_handle_bench.h"

// The Mifare Classic and ISO 14443-A exports on the callback route against the simulated
// reader: what the reader decoded, and the record after the reply.

namespace {

using Bytes = std::vector<std::uint8_t>;
using Card = sim::MifareClassicCard;

const Bytes kUid(SimCardBench::kUid.begin(), SimCardBench::kUid.end());
const Bytes kFF6(6, 0xFF);

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Field(const std::uint8_t* bytes, std::size_t count) { return Bytes(bytes, bytes + count); }

// A zeroed record whose key field starts with the transport key, as callers pass it.
KorviCardParam Record() {
    KorviCardParam record{};
    std::memset(record.arrKeys, 0xFF, 6);
    return record;
}

Card::Block Pattern(std::uint8_t first) {
    Card::Block block{};
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(first + i);
    return block;
}

// The card activated and sector `sector` authenticated with key A.
void OpenSector(SimHandleBench& bench, int sector) {
    KorviCardParam record = Record();
    ASSERT_EQ(KorviCardGetCardNo(bench.handle, 0x26, &record), 1);
    ASSERT_EQ(KorviCardLoadKey(bench.handle, 0x60, sector, &record), 1);
    ASSERT_EQ(KorviCardAuthentication(bench.handle, 0x60, sector, &record), 1);
    bench.ClearRequests();
}

struct ExportRow {
    const char* name;
    std::function<void(SimHandleBench&, std::shared_ptr<Card>&)> prepare;
    std::function<int(int handle, KorviCardParam&)> call;
    std::uint8_t command;
    Bytes payload;
    std::function<void(SimHandleBench&, const Card&, const KorviCardParam&)> check;
};

void NoPreparation(SimHandleBench&, std::shared_ptr<Card>&) {}
void Selected(SimHandleBench& bench, std::shared_ptr<Card>&) {
    KorviCardParam record = Record();
    ASSERT_EQ(KorviCardGetCardNo(bench.handle, 0x26, &record), 1);
    bench.ClearRequests();
}
void Sector1(SimHandleBench& bench, std::shared_ptr<Card>& card) {
    card->SetRawBlock(4, Pattern(0x40));
    card->SetRawBlock(6, Card::MakeValueBlock(10, 6));
    OpenSector(bench, 1);
}

TEST(CApiMifare, EachExportSendsItsRequestAndFillsTheRecord) {
    const Bytes data = Field(Pattern(0xA0).data(), 16);
    const ExportRow rows[] = {
        {"request",
         NoPreparation,
         [](int h, KorviCardParam& r) { return KorviCardRequest(h, 0x26, &r); },
         1,
         {0x26},
         [](SimHandleBench&, const Card&, const KorviCardParam& r) {
             EXPECT_EQ(r.nCardType, 4);
             EXPECT_EQ(r.nBufferSize, 2);
         }},
        {"anticollision",
         [](SimHandleBench& b, std::shared_ptr<Card>&) {
             KorviCardParam r = Record();
             ASSERT_EQ(KorviCardRequest(b.handle, 0x26, &r), 1);
             b.ClearRequests();
         },
         [](int h, KorviCardParam& r) { return KorviCardAnticoll(h, &r); },
         2,
         {},
         [](SimHandleBench&, const Card&, const KorviCardParam& r) {
             EXPECT_EQ(Field(r.arrCardNo, 8), Cat(kUid, {0, 0, 0, 0}));
         }},
        {"select",
         [](SimHandleBench& b, std::shared_ptr<Card>&) {
             KorviCardParam r = Record();
             ASSERT_EQ(KorviCardRequest(b.handle, 0x26, &r), 1);
             ASSERT_EQ(KorviCardAnticoll(b.handle, &r), 1);
             b.ClearRequests();
         },
         [](int h, KorviCardParam& r) {
             std::memcpy(r.arrCardNo, SimCardBench::kUid.data(), 4);
             return KorviCardSelect(h, &r);
         },
         3, kUid,
         [](SimHandleBench&, const Card&, const KorviCardParam& r) {
             EXPECT_EQ(r.nCardSize, 0x08);
             EXPECT_EQ(r.arrBuffer[0], 0x08);
             EXPECT_EQ(r.nBufferSize, 1);
         }},
        {"load key",
         NoPreparation,
         [](int h, KorviCardParam& r) {
             const std::uint8_t key[6] = {1, 2, 3, 4, 5, 6};
             std::memcpy(r.arrKeys, key, 6);
             return KorviCardLoadKey(h, 0x61, 39, &r);
         },
         10,
         {0x61, 39, 1, 2, 3, 4, 5, 6},
         [](SimHandleBench& b, const Card&, const KorviCardParam&) {
             EXPECT_EQ(b.mifare.LoadedKey(Card::KeyType::kB, 39), (Card::Key{1, 2, 3, 4, 5, 6}));
         }},
        {"authentication",
         Selected,
         [](int h, KorviCardParam& r) { return KorviCardAuthentication(h, 0x60, 1, &r); },
         4,
         {0x60, 1},
         [](SimHandleBench&, const Card& c, const KorviCardParam& r) {
             EXPECT_EQ(Field(r.arrBuffer, 4), kUid);
             EXPECT_EQ(c.AuthenticatedSector(), 1);
         }},
        {"authentication with the key given", Selected,
         [](int h, KorviCardParam& r) {
             return KorviCardAuthenticationWithPassword(h, 0x60, 2, &r);
         },
         46, Cat({0x60, 2}, kFF6),
         [](SimHandleBench&, const Card& c, const KorviCardParam& r) {
             EXPECT_EQ(Field(r.arrBuffer, 4), kUid);
             EXPECT_EQ(c.AuthenticatedSector(), 2);
         }},
        {"read",
         Sector1,
         [](int h, KorviCardParam& r) { return KorviCardRead(h, 4, &r); },
         6,
         {4},
         [](SimHandleBench&, const Card&, const KorviCardParam& r) {
             EXPECT_EQ(Field(r.arrBuffer, 16), Field(Pattern(0x40).data(), 16));
             EXPECT_EQ(r.nBufferSize, 16);
         }},
        {"write", Sector1,
         [](int h, KorviCardParam& r) {
             const Card::Block block = Pattern(0xA0);
             std::memcpy(r.arrBuffer, block.data(), 16);
             r.nBufferSize = 16;
             return KorviCardWrite(h, 5, &r);
         },
         7, Cat({5}, data),
         [](SimHandleBench&, const Card& c, const KorviCardParam&) {
             EXPECT_EQ(c.RawBlock(5), Pattern(0xA0));
         }},
        {"value block",
         Sector1,
         [](int h, KorviCardParam&) { return KorviCardInitValue(h, 5, -2); },
         7,
         {5, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 5, 0xFA, 5, 0xFA},
         [](SimHandleBench&, const Card& c, const KorviCardParam&) {
             EXPECT_EQ(Card::ParseValueBlock(c.RawBlock(5)), -2);
         }},
        {"increment",
         Sector1,
         [](int h, KorviCardParam&) { return KorviCardIncrement(h, 6, 1000); },
         8,
         {6, 0xE8, 0x03, 0, 0},
         [](SimHandleBench&, const Card& c, const KorviCardParam&) {
             EXPECT_EQ(Card::ParseValueBlock(c.RawBlock(6)), 1010);
         }},
        {"decrement",
         Sector1,
         [](int h, KorviCardParam&) { return KorviCardDecrement(h, 6, 0x01020304); },
         9,
         {6, 4, 3, 2, 1},
         [](SimHandleBench&, const Card& c, const KorviCardParam&) {
             EXPECT_EQ(Card::ParseValueBlock(c.RawBlock(6)), 10 - 0x01020304);
         }},
        {"restore and transfer",
         Sector1,
         [](int h, KorviCardParam&) {
             return KorviCardRestore(h, 6) == 1 ? KorviCardTransfer(h, 5) : 0;
         },
         13,
         {5},
         [](SimHandleBench& b, const Card& c, const KorviCardParam&) {
             EXPECT_EQ(b.Commands(), (Bytes{12, 13}));
             EXPECT_EQ(c.RawBlock(5), Card::MakeValueBlock(10, 6));
         }},
        {"manufacturer block",
         [](SimHandleBench& b, std::shared_ptr<Card>& c) {
             c->SetBlock0Writable(true);
             Selected(b, c);
         },
         [](int h, KorviCardParam& r) {
             const std::uint8_t block0[16] = {0x11, 0x22, 0x33, 0x44, 0x44, 0x08, 0x04};
             std::memcpy(r.arrBuffer, block0, 16);
             r.arrBuffer[16] = 0x77;
             r.nBufferSize = 16;
             return KorviCardWriteBlock0(h, &r);
         },
         37,
         {0x11, 0x22, 0x33, 0x44, 0x44, 0x08, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x77},
         [](SimHandleBench&, const Card& c, const KorviCardParam&) {
             EXPECT_EQ(c.Uid(), (Bytes{0x11, 0x22, 0x33, 0x44}));
         }},
        {"halt",
         Selected,
         [](int h, KorviCardParam&) { return KorviCardHalt(h); },
         5,
         {},
         [](SimHandleBench&, const Card& c, const KorviCardParam&) {
             EXPECT_EQ(c.state(), sim::TypeACard::State::kHalted);
         }},
        {"beep",
         NoPreparation,
         [](int h, KorviCardParam&) { return KorviCardBeep(h, 0x1234); },
         11,
         {0x34, 0x12},
         [](SimHandleBench& b, const Card&, const KorviCardParam&) {
             EXPECT_EQ(b.mifare.Beeps(), (std::vector<std::uint16_t>{0x1234}));
         }},
        {"empty buffer",
         [](SimHandleBench& b, std::shared_ptr<Card>&) {
             b.mifare.SetReaderBuffer({9, 8, 7});
         },
         [](int h, KorviCardParam& r) { return KorviCardEmptyBuffer(h, &r); },
         41,
         {},
         [](SimHandleBench&, const Card&, const KorviCardParam& r) {
             EXPECT_EQ(Field(r.arrCosResultBuffer, 3), (Bytes{9, 8, 7}));
             EXPECT_EQ(r.unCosReultBufferLength, 3u);
         }},
        {"card number", NoPreparation,
         [](int h, KorviCardParam& r) { return KorviCardGetCardNo(h, 0x52, &r); }, 3, kUid,
         [](SimHandleBench& b, const Card&, const KorviCardParam& r) {
             EXPECT_EQ(b.Commands(), (Bytes{1, 2, 3}));
             EXPECT_EQ(r.nCardType, 4);
             EXPECT_EQ(Field(r.arrCardNo, 4), kUid);
             EXPECT_EQ(r.nCardSize, 8);
         }},
        {"card number in one call",
         NoPreparation,
         [](int h, KorviCardParam& r) { return KorviCardGetCardNoEx(h, 0x26, 10, 0, 0, &r); },
         50,
         {0x26, 10, 0, 0},
         [](SimHandleBench& b, const Card&, const KorviCardParam& r) {
             EXPECT_EQ(r.nCardType, 4);
             EXPECT_EQ(r.nBufferSize, 8);
             EXPECT_EQ(Field(r.arrCardNo, 4), kUid);
             EXPECT_EQ(b.mifare.Beeps(), (std::vector<std::uint16_t>{10}));
         }},
        {"block in one call",
         [](SimHandleBench&, std::shared_ptr<Card>& c) { c->SetRawBlock(5, Pattern(0x50)); },
         [](int h, KorviCardParam& r) { return KorviCardReadData(h, 0x26, 5, 1, 10, 0, &r); }, 51,
         Cat({0x26, 5, 1, 10, 0}, kFF6),
         [](SimHandleBench&, const Card&, const KorviCardParam& r) {
             EXPECT_EQ(r.nCardType, 4);
             EXPECT_EQ(r.nCardSize, 8);
             EXPECT_EQ(Field(r.arrCardNo, 4), kUid);
             EXPECT_EQ(Field(r.arrBuffer, 16), Field(Pattern(0x50).data(), 16));
             EXPECT_EQ(r.nBufferSize, 23);
         }},
        {"block written in one call", Sector1,
         [](int h, KorviCardParam& r) {
             const Card::Block block = Pattern(0xA0);
             std::memcpy(r.arrBuffer, block.data(), 16);
             r.nBufferSize = 16;
             return KorviCardWriteData(h, 5, 10, 1, &r);
         },
         52, Cat({5, 10, 1}, data),
         [](SimHandleBench&, const Card& c, const KorviCardParam&) {
             EXPECT_EQ(c.RawBlock(5), Pattern(0xA0));
         }},
        {"key change",
         [](SimHandleBench& b, std::shared_ptr<Card>&) { OpenSector(b, 5); },
         [](int h, KorviCardParam&) {
             return KorviCardChangePassword(h, 5, "a0A1a2A3a4A5 and more", "B0B1B2B3B4B5");
         },
         7,
         {23, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0x7F, 0x07, 0x88, 0x00, 0xB0, 0xB1, 0xB2, 0xB3,
          0xB4, 0xB5},
         [](SimHandleBench&, const Card&, const KorviCardParam&) {}},
    };
    for (const ExportRow& row : rows) {
        SCOPED_TRACE(row.name);
        SimHandleBench bench;
        ASSERT_GT(bench.handle, 0);
        std::shared_ptr<Card> card = bench.PresentMifare(Card::Size::k1K);
        row.prepare(bench, card);
        if (testing::Test::HasFatalFailure()) return;
        KorviCardParam record = Record();
        ASSERT_EQ(row.call(bench.handle, record), 1) << KorviCardGetErrorCode(bench.handle);
        EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 0);
        ASSERT_FALSE(bench.reader.Requests().empty());
        EXPECT_EQ(bench.reader.Requests().back().command, row.command);
        EXPECT_EQ(bench.LastPayload(), row.payload);
        row.check(bench, *card, record);
    }
}

TEST(CApiMifare, KeyChangeAddressesTheTrailerOfEverySectorSize) {
    struct Row {
        int sector;
        int trailer;
    };
    for (const Row row : {Row{0, 3}, Row{5, 23}, Row{31, 127}, Row{32, 143}, Row{39, 255}}) {
        SCOPED_TRACE(row.sector);
        SimHandleBench bench;
        std::shared_ptr<Card> card = bench.PresentMifare(Card::Size::k4K);
        OpenSector(bench, row.sector);
        ASSERT_EQ(KorviCardChangePassword(bench.handle, row.sector, "A0A1A2A3A4A5", "B0B1B2B3B4B5"),
                  1);
        EXPECT_EQ(bench.LastPayload().at(0), row.trailer);
        const Card::Block& trailer = card->RawBlock(row.trailer);
        EXPECT_EQ(trailer[0], 0xA0);
        EXPECT_EQ(trailer[10], 0xB0);
    }
}

// Arguments the driver refuses: 0, nothing sent, the error code left as it was.
TEST(CApiMifare, BadArgumentsFailBeforeAnythingIsSent) {
    SimHandleBench bench;
    bench.PresentMifare(Card::Size::k4K);
    char text[64] = {};
    const std::string longSectorText(49, 'x');
    const std::string longSector0Text(33, 'x');
    const struct {
        const char* what;
        std::function<int(int, KorviCardParam&)> call;
    } rows[] = {
        {"request, null record",
         [](int h, KorviCardParam&) { return KorviCardRequest(h, 0x26, nullptr); }},
        {"anticollision, null record",
         [](int h, KorviCardParam&) { return KorviCardAnticoll(h, nullptr); }},
        {"select, null record", [](int h, KorviCardParam&) { return KorviCardSelect(h, nullptr); }},
        {"card number, null record",
         [](int h, KorviCardParam&) { return KorviCardGetCardNo(h, 0x26, nullptr); }},
        {"card number in one call, null record",
         [](int h, KorviCardParam&) { return KorviCardGetCardNoEx(h, 0x26, 0, 0, 0, nullptr); }},
        {"read data, null record",
         [](int h, KorviCardParam&) { return KorviCardReadData(h, 0x26, 4, 1, 0, 0, nullptr); }},
        {"write data, null record",
         [](int h, KorviCardParam&) { return KorviCardWriteData(h, 4, 0, 1, nullptr); }},
        {"empty buffer, null record",
         [](int h, KorviCardParam&) { return KorviCardEmptyBuffer(h, nullptr); }},
        {"block 0, null record",
         [](int h, KorviCardParam&) { return KorviCardWriteBlock0(h, nullptr); }},
        {"read, null record", [](int h, KorviCardParam&) { return KorviCardRead(h, 4, nullptr); }},
        {"load key, sector 40",
         [](int h, KorviCardParam& r) { return KorviCardLoadKey(h, 0x60, 40, &r); }},
        {"authentication, sector 40",
         [](int h, KorviCardParam& r) { return KorviCardAuthentication(h, 0x60, 40, &r); }},
        {"authentication with the key, sector 40",
         [](int h, KorviCardParam& r) {
             return KorviCardAuthenticationWithPassword(h, 0x60, 40, &r);
         }},
        {"key change, sector 40",
         [](int h, KorviCardParam&) {
             return KorviCardChangePassword(h, 40, "FFFFFFFFFFFF", "FFFFFFFFFFFF");
         }},
        {"key change, key A not hex",
         [](int h, KorviCardParam&) {
             return KorviCardChangePassword(h, 1, "FFFFFFFFFFFG", "FFFFFFFFFFFF");
         }},
        {"key change, key B with a blank",
         [](int h, KorviCardParam&) {
             return KorviCardChangePassword(h, 1, "FFFFFFFFFFFF", "FF FFFFFFFFF");
         }},
        {"key change, key B of 11 digits",
         [](int h, KorviCardParam&) {
             return KorviCardChangePassword(h, 1, "FFFFFFFFFFFF", "FFFFFFFFFFF");
         }},
        {"key change, null key",
         [](int h, KorviCardParam&) {
             return KorviCardChangePassword(h, 1, nullptr, "FFFFFFFFFFFF");
         }},
        {"write, no data", [](int h, KorviCardParam& r) { return KorviCardWrite(h, 4, &r); }},
        {"write, 64 bytes",
         [](int h, KorviCardParam& r) {
             r.nBufferSize = 64;
             return KorviCardWrite(h, 4, &r);
         }},
        {"write, negative size",
         [](int h, KorviCardParam& r) {
             r.nBufferSize = -16;
             return KorviCardWrite(h, 4, &r);
         }},
        {"write data, no data",
         [](int h, KorviCardParam& r) { return KorviCardWriteData(h, 4, 0, 1, &r); }},
        {"write data, 62 bytes",
         [](int h, KorviCardParam& r) {
             r.nBufferSize = 62;
             return KorviCardWriteData(h, 4, 0, 1, &r);
         }},
        {"block 0, wrong check byte",
         [](int h, KorviCardParam& r) {
             const std::uint8_t block0[5] = {1, 2, 3, 4, 5};
             std::memcpy(r.arrBuffer, block0, 5);
             r.nBufferSize = 16;
             return KorviCardWriteBlock0(h, &r);
         }},
        {"block 0, 17 bytes",
         [](int h, KorviCardParam& r) {
             r.nBufferSize = 17;
             return KorviCardWriteBlock0(h, &r);
         }},
        {"text read, null buffer",
         [](int h, KorviCardParam&) { return KorviCardReadText(h, 1, nullptr, 16); }},
        {"text read, length 0",
         [&](int h, KorviCardParam&) { return KorviCardReadText(h, 1, text, 0); }},
        {"text read, sector 40",
         [&](int h, KorviCardParam&) { return KorviCardReadText(h, 40, text, 64); }},
        {"text write, null text",
         [](int h, KorviCardParam&) { return KorviCardWriteText(h, 1, nullptr, 4); }},
        {"text write, sector 40",
         [](int h, KorviCardParam&) { return KorviCardWriteText(h, 40, "abc", 3); }},
        {"text write, 49 bytes into sector 1",
         [&](int h, KorviCardParam&) {
             return KorviCardWriteText(h, 1, longSectorText.c_str(), 49);
         }},
        {"text write, 33 bytes into sector 0",
         [&](int h, KorviCardParam&) {
             return KorviCardWriteText(h, 0, longSector0Text.c_str(), 33);
         }},
    };
    // Text operations need the card type of a card-number call.
    KorviCardParam first = Record();
    ASSERT_EQ(KorviCardGetCardNo(bench.handle, 0x26, &first), 1);
    ASSERT_EQ(KorviCardAuthentication(bench.handle, 0x60, 16, &first), 1);
    ASSERT_EQ(KorviCardRead(bench.handle, 200, &first), 0);  // another sector: code 9
    ASSERT_EQ(KorviCardGetErrorCode(bench.handle), 9);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        bench.ClearRequests();
        KorviCardParam record = Record();
        EXPECT_EQ(row.call(bench.handle, record), 0);
        EXPECT_TRUE(bench.reader.Requests().empty());
        EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 9);
    }
}

TEST(CApiMifare, EveryExportAnswersZeroForANullHandle) {
    SimHandleBench bench;
    bench.PresentMifare(Card::Size::k1K);
    KorviCardParam r = Record();
    r.nBufferSize = 16;
    char text[32] = "text";
    for (int handle : {0, -1, bench.handle + 1000}) {
        SCOPED_TRACE(handle);
        EXPECT_EQ(KorviCardRequest(handle, 0x26, &r), 0);
        EXPECT_EQ(KorviCardAnticoll(handle, &r), 0);
        EXPECT_EQ(KorviCardSelect(handle, &r), 0);
        EXPECT_EQ(KorviCardAuthentication(handle, 0x60, 1, &r), 0);
        EXPECT_EQ(KorviCardAuthenticationWithPassword(handle, 0x60, 1, &r), 0);
        EXPECT_EQ(KorviCardHalt(handle), 0);
        EXPECT_EQ(KorviCardRead(handle, 4, &r), 0);
        EXPECT_EQ(KorviCardWrite(handle, 4, &r), 0);
        EXPECT_EQ(KorviCardWriteBlock0(handle, &r), 0);
        EXPECT_EQ(KorviCardIncrement(handle, 4, 1), 0);
        EXPECT_EQ(KorviCardDecrement(handle, 4, 1), 0);
        EXPECT_EQ(KorviCardRestore(handle, 4), 0);
        EXPECT_EQ(KorviCardTransfer(handle, 4), 0);
        EXPECT_EQ(KorviCardLoadKey(handle, 0x60, 1, &r), 0);
        EXPECT_EQ(KorviCardBeep(handle, 10), 0);
        EXPECT_EQ(KorviCardEmptyBuffer(handle, &r), 0);
        EXPECT_EQ(KorviCardGetCardNo(handle, 0x26, &r), 0);
        EXPECT_EQ(KorviCardGetCardNoEx(handle, 0x26, 0, 0, 0, &r), 0);
        EXPECT_EQ(KorviCardInitValue(handle, 4, 1), 0);
        EXPECT_EQ(KorviCardChangePassword(handle, 1, "FFFFFFFFFFFF", "FFFFFFFFFFFF"), 0);
        EXPECT_EQ(KorviCardReadData(handle, 0x26, 4, 1, 0, 0, &r), 0);
        EXPECT_EQ(KorviCardWriteData(handle, 4, 0, 1, &r), 0);
        EXPECT_EQ(KorviCardReadText(handle, 1, text, 32), 0);
        EXPECT_EQ(KorviCardWriteText(handle, 1, text, 4), 0);
    }
    EXPECT_TRUE(bench.reader.Requests().empty());
}

// The reader's refusals reach the caller as its codes, and the record keeps its contents.
TEST(CApiMifare, ReaderRefusalsGiveTheirCodesAndLeaveTheRecord) {
    struct Row {
        const char* what;
        std::function<void(SimHandleBench&, Card&)> prepare;
        std::function<int(int, KorviCardParam&)> call;
        int code;
    };
    const Row rows[] = {
        {"no card", [](SimHandleBench& b, Card&) { b.field.RemoveTypeA(); },
         [](int h, KorviCardParam& r) { return KorviCardGetCardNo(h, 0x26, &r); }, 6},
        {"wrong key",
         [](SimHandleBench&, Card& c) {
             c.SetTrailer(1, {1, 2, 3, 4, 5, 6}, Card::kTransportAccess, Card::kTransportKey);
         },
         [](int h, KorviCardParam& r) {
             return KorviCardGetCardNo(h, 0x26, &r) == 1 && KorviCardLoadKey(h, 0x60, 1, &r) == 1
                        ? KorviCardAuthentication(h, 0x60, 1, &r)
                        : -1;
         },
         9},
        {"read before authentication", [](SimHandleBench&, Card&) {},
         [](int h, KorviCardParam& r) {
             return KorviCardGetCardNo(h, 0x26, &r) == 1 ? KorviCardRead(h, 4, &r) : -1;
         },
         9},
        {"locked block",
         [](SimHandleBench& b, Card& c) {
             c.SetTrailer(1, Card::kTransportKey, Card::EncodeAccess({0b010, 0, 0, 1}),
                          Card::kTransportKey);
             OpenSector(b, 1);
         },
         [](int h, KorviCardParam& r) {
             r.nBufferSize = 16;
             return KorviCardWrite(h, 4, &r);
         },
         12},
        {"text over a locked block",
         [](SimHandleBench& b, Card& c) {
             c.SetTrailer(1, Card::kTransportKey, Card::EncodeAccess({0, 0b010, 0, 1}),
                          Card::kTransportKey);
             OpenSector(b, 1);
         },
         [](int h, KorviCardParam&) {
             return KorviCardWriteText(h, 1, "twenty bytes of text", 20);
         },
         12},
        {"card number when the reader runs type B",
         [](SimHandleBench& b, Card&) { b.field.SetProtocol('B'); },
         [](int h, KorviCardParam& r) { return KorviCardGetCardNoEx(h, 0x26, 0, 0, 0, &r); }, 6},
        {"card number whose anticollision fails after the request answered",
         [](SimHandleBench& b, Card&) {
             b.reader.SetHandler(2, [](const sim::Request&) { return sim::Reply::Failure(7); });
         },
         [](int h, KorviCardParam& r) { return KorviCardGetCardNo(h, 0x26, &r); }, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SimHandleBench bench;
        std::shared_ptr<Card> card = bench.PresentMifare(Card::Size::k1K);
        row.prepare(bench, *card);
        KorviCardParam record = Record();
        std::memset(record.arrBuffer, 0x5A, sizeof record.arrBuffer);
        record.nBufferSize = 16;
        KorviCardParam before = record;
        EXPECT_EQ(row.call(bench.handle, record), 0);
        EXPECT_EQ(KorviCardGetErrorCode(bench.handle), row.code);
        // Steps that succeeded (the request, the key) wrote their fields; the failed one none.
        if (row.code == 7) {
            EXPECT_EQ(record.nCardType, 4);
            EXPECT_EQ(std::memcmp(record.arrCardNo, before.arrCardNo, 8), 0);
        } else if (row.code != 9) {
            EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);
        }
    }
}

TEST(CApiMifare, CardNumberOfADoubleSizeUidSkipsTheSelect) {
    SimHandleBench bench;
    auto tag = std::make_shared<sim::NtagTag>(sim::NtagTag::Model::kNtag213);
    bench.field.PresentTypeA(tag);
    KorviCardParam record = Record();
    ASSERT_EQ(KorviCardGetCardNo(bench.handle, 0x26, &record), 1);
    EXPECT_EQ(bench.Commands(), (Bytes{1, 2}));
    EXPECT_EQ(record.nCardType, 0x44);
    EXPECT_EQ(Field(record.arrCardNo, 8), (Bytes{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0}));
    EXPECT_EQ(tag->state(), sim::TypeACard::State::kActive);
}

// Replies longer than their destination: each field takes what it holds, nothing beyond.
TEST(CApiMifare, OverlongRepliesStayInsideTheirFields) {
    SimHandleBench bench;
    Bytes big(251);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i + 1);
    for (std::uint8_t command : {1, 2, 3, 4, 6, 41, 50, 51}) {
        bench.reader.SetHandler(command, [&](const sim::Request&) { return sim::Reply::Ok(big); });
    }
    const auto check = [&](const char* what, auto&& call, auto&& expect) {
        SCOPED_TRACE(what);
        KorviCardParam record{};
        std::memset(&record, 0xEE, sizeof record);
        const KorviCardParam before = record;
        ASSERT_EQ(call(record), 1);
        expect(record, before);
    };
    const auto same = [](const void* a, const void* b, std::size_t n) {
        return std::memcmp(a, b, n) == 0;
    };
    check(
        "request", [&](KorviCardParam& r) { return KorviCardRequest(bench.handle, 0x26, &r); },
        [&](const KorviCardParam& r, const KorviCardParam& b) {
            EXPECT_EQ(r.nCardType, 0x04030201);
            EXPECT_EQ(r.nBufferSize, 64);
            EXPECT_TRUE(same(r.arrCardNo, b.arrCardNo, 8));
            EXPECT_TRUE(same(r.arrBuffer, b.arrBuffer, 64));
        });
    check(
        "anticollision", [&](KorviCardParam& r) { return KorviCardAnticoll(bench.handle, &r); },
        [&](const KorviCardParam& r, const KorviCardParam& b) {
            // Card type 0x04030201 (from the request above) has a 4-byte UID.
            EXPECT_EQ(Field(r.arrCardNo, 4), (Bytes{1, 2, 3, 4}));
            EXPECT_TRUE(same(r.arrCardNo + 4, b.arrCardNo + 4, 4));
            EXPECT_EQ(r.nCardSize, b.nCardSize);
        });
    check(
        "select", [&](KorviCardParam& r) { return KorviCardSelect(bench.handle, &r); },
        [&](const KorviCardParam& r, const KorviCardParam& b) {
            EXPECT_EQ(r.nCardSize, 0x04030201);
            EXPECT_EQ(Field(r.arrBuffer, 64), Bytes(big.begin(), big.begin() + 64));
            EXPECT_EQ(r.nBufferSize, 64);
            EXPECT_TRUE(same(r.arrKeys, b.arrKeys, 64));
        });
    check(
        "authentication",
        [&](KorviCardParam& r) { return KorviCardAuthentication(bench.handle, 0x60, 1, &r); },
        [&](const KorviCardParam& r, const KorviCardParam& b) {
            EXPECT_EQ(Field(r.arrBuffer, 4), (Bytes{1, 2, 3, 4}));
            EXPECT_TRUE(same(r.arrBuffer + 4, b.arrBuffer + 4, 60));
        });
    check(
        "read", [&](KorviCardParam& r) { return KorviCardRead(bench.handle, 4, &r); },
        [&](const KorviCardParam& r, const KorviCardParam& b) {
            EXPECT_EQ(r.nBufferSize, 64);
            EXPECT_TRUE(same(r.arrKeys, b.arrKeys, 64));
        });
    check(
        "empty buffer", [&](KorviCardParam& r) { return KorviCardEmptyBuffer(bench.handle, &r); },
        [&](const KorviCardParam& r, const KorviCardParam& b) {
            EXPECT_EQ(r.unCosReultBufferLength, 251u);
            EXPECT_TRUE(same(r.arrCosResultBuffer + 251, b.arrCosResultBuffer + 251, 5));
        });
    check(
        "card number in one call",
        [&](KorviCardParam& r) { return KorviCardGetCardNoEx(bench.handle, 0x26, 0, 0, 0, &r); },
        [&](const KorviCardParam& r, const KorviCardParam& b) {
            EXPECT_EQ(r.nCardType, 0x0201);
            EXPECT_EQ(r.nBufferSize, 3);
            EXPECT_EQ(Field(r.arrCardNo, 4), (Bytes{4, 5, 6, 7}));
            EXPECT_TRUE(same(r.arrCardNo + 4, b.arrCardNo + 4, 4));
        });
    check(
        "block in one call",
        [&](KorviCardParam& r) { return KorviCardReadData(bench.handle, 0x26, 4, 1, 0, 0, &r); },
        [&](const KorviCardParam& r, const KorviCardParam& b) {
            EXPECT_EQ(Field(r.arrBuffer, 16), Bytes(big.begin() + 7, big.begin() + 23));
            EXPECT_TRUE(same(r.arrBuffer + 16, b.arrBuffer + 16, 48));
            EXPECT_EQ(r.nBufferSize, 64);
        });
}

// Text in a Mifare sector: whole blocks, a zero block after a text that fills blocks.
TEST(CApiMifare, TextInASector) {
    SimHandleBench bench;
    std::shared_ptr<Card> card = bench.PresentMifare(Card::Size::k1K);
    card->SetRawBlock(6, Pattern(0x60));
    OpenSector(bench, 1);
    const std::string sixteen = "0123456789abcdef";
    ASSERT_EQ(KorviCardWriteText(bench.handle, 1, sixteen.c_str(), 16), 1);
    EXPECT_EQ(bench.Commands(), (Bytes{7, 7}));
    EXPECT_EQ(Field(card->RawBlock(4).data(), 16), Bytes(sixteen.begin(), sixteen.end()));
    EXPECT_EQ(card->RawBlock(5), Card::Block{});
    EXPECT_EQ(card->RawBlock(6), Pattern(0x60)) << "block 6 is left alone";

    char out[64];
    std::memset(out, 'z', sizeof out);
    bench.ClearRequests();
    ASSERT_EQ(KorviCardReadText(bench.handle, 1, out, 20), 1);
    EXPECT_EQ(std::string(out, 16), sixteen);
    EXPECT_EQ(out[16], 'z') << "a second block does not fit 20 bytes";
    EXPECT_EQ(bench.Commands(), (Bytes{6, 6}));

    bench.ClearRequests();
    ASSERT_EQ(KorviCardReadText(bench.handle, 1, out, 64), 1);
    EXPECT_EQ(bench.Commands(), (Bytes{6, 6})) << "the zero block ends the text";
    EXPECT_EQ(out[16], 0);

    // A full sector takes three blocks and no terminator.
    const std::string full(48, 'k');
    bench.ClearRequests();
    ASSERT_EQ(KorviCardWriteText(bench.handle, 1, full.c_str(), 48), 1);
    EXPECT_EQ(bench.Commands(), (Bytes{7, 7, 7}));
    EXPECT_EQ(card->RawBlock(6)[15], 'k');
    EXPECT_EQ(card->RawBlock(7)[6], 0xFF) << "the trailer is not text";

    // Sector 0 skips the manufacturer block.
    OpenSector(bench, 0);
    ASSERT_EQ(KorviCardWriteText(bench.handle, 0, "hi", 2), 1);
    EXPECT_EQ(bench.reader.Requests().front().payload.at(0), 1);
}

// Text over tag pages: the capability container bounds it.
TEST(CApiMifare, TextOverTagPages) {
    struct Row {
        const char* what;
        sim::NtagTag::Model model;
        int capabilityByte;  // -1 keeps the model's own
        int limit;           // the first page no text reaches
    };
    const Row rows[] = {
        {"NTAG213 (0x12, not one of the two known sizes)", sim::NtagTag::Model::kNtag213, -1, 39},
        {"NTAG215", sim::NtagTag::Model::kNtag215, -1, 129},
        {"NTAG216", sim::NtagTag::Model::kNtag216, -1, 225},
        {"Ultralight (0x06: 48 bytes from page 4)", sim::NtagTag::Model::kUltralight, -1, 16},
        {"unknown size byte 0x02: 16 bytes", sim::NtagTag::Model::kNtag213, 0x02, 8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SimHandleBench bench;
        auto tag = std::make_shared<sim::NtagTag>(row.model);
        if (row.capabilityByte >= 0)
            tag->SetCapabilityByte(static_cast<std::uint8_t>(row.capabilityByte));
        bench.field.PresentTypeA(tag);
        KorviCardParam record = Record();
        ASSERT_EQ(KorviCardGetCardNo(bench.handle, 0x26, &record), 1);
        const int capacity = (row.limit - 4) * 4;

        // Too long for the user memory: refused after the capability read, nothing written.
        const std::string tooLong(static_cast<std::size_t>(capacity + 1), 't');
        bench.ClearRequests();
        EXPECT_EQ(KorviCardWriteText(bench.handle, 4, tooLong.c_str(), capacity + 1), 0);
        EXPECT_EQ(bench.Commands(), (Bytes{6}));

        // Exactly full: the last user page is written, never the page after it.
        const std::string full(static_cast<std::size_t>(capacity), 'f');
        const bool hasPageAfter = row.limit < tag->layout().pageCount;
        const sim::NtagTag::Page after =
            hasPageAfter ? tag->RawPage(row.limit) : sim::NtagTag::Page{};
        bench.ClearRequests();
        ASSERT_EQ(KorviCardWriteText(bench.handle, 4, full.c_str(), capacity), 1);
        EXPECT_EQ(bench.reader.Requests().size(), static_cast<std::size_t>(1 + row.limit - 4));
        EXPECT_EQ(bench.LastPayload().at(0), row.limit - 1);
        EXPECT_EQ(tag->RawPage(row.limit - 1), (sim::NtagTag::Page{'f', 'f', 'f', 'f'}));
        if (hasPageAfter) {
            EXPECT_EQ(tag->RawPage(row.limit), after);
        }

        // Read back: only user pages reach the buffer.
        std::vector<char> out(static_cast<std::size_t>(capacity + 64), 'z');
        ASSERT_EQ(KorviCardReadText(bench.handle, 4, out.data(), static_cast<int>(out.size())), 1);
        EXPECT_EQ(std::string(out.data(), static_cast<std::size_t>(capacity)), full);
        EXPECT_EQ(out[static_cast<std::size_t>(capacity)], 'z');

        EXPECT_EQ(KorviCardWriteText(bench.handle, 3, "x", 1), 0) << "page 3 is no user page";
        EXPECT_EQ(KorviCardReadText(bench.handle, row.limit, out.data(), 16), 0);
    }
}

TEST(CApiMifare, TextNeedsAKnownCardType) {
    SimHandleBench bench;
    bench.PresentMifare(Card::Size::k1K);
    char out[16];
    EXPECT_EQ(KorviCardReadText(bench.handle, 1, out, 16), 0) << "no card-number call yet";
    EXPECT_EQ(KorviCardWriteText(bench.handle, 1, "x", 1), 0);
    EXPECT_TRUE(bench.reader.Requests().empty());
}

// The RF protocol letter, and the chip set-up of readers that cannot name their model.
TEST(CApiMifare, CardTypeLetters) {
    struct Row {
        const char* what;
        int letter;
        std::uint32_t deviceType;  // 0: the reader does not answer the device number
        std::uint8_t chipVersion;
        int result;
        Bytes commands;
        char protocol;
    };
    const Row rows[] = {
        {"A", 'A', 0x3002, 0xB1, 1, {20, 31}, 'A'},
        {"lower case b is sent as B", 'b', 0x1003, 0x92, 1, {20, 31}, 'B'},
        {"F", 'F', 0x1003, 0x92, 1, {20, 31}, 'F'},
        {"c", 'c', 0x1003, 0x92, 1, {20, 31}, 'C'},
        {"D is refused", 'D', 0x1003, 0x92, 0, {}, 'A'},
        {"a digit is refused", '1', 0x1003, 0x92, 0, {}, 'A'},
        {"unknown model, chip B1: registers set up",
         'A',
         0x4444,
         0xB1,
         1,
         {20, 31, 213, 213, 213, 213, 213, 213, 213},
         'A'},
        {"unknown model, another chip", 'A', 0x4444, 0x92, 1, {20, 31, 213}, 'A'},
        {"no device number", 'B', 0, 0xB1, 1, {20, 31}, 'B'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SimHandleBench bench;
        sim::ReaderDevice device;
        device.deviceType = row.deviceType;
        device.SetChipVersion(row.chipVersion);
        std::unique_ptr<sim::DeviceCommands> firmware;
        if (row.deviceType != 0) {
            firmware = std::make_unique<sim::DeviceCommands>(bench.reader, device);
        }
        EXPECT_EQ(KorviCardSetCardType(bench.handle, row.letter), row.result);
        EXPECT_EQ(bench.Commands(), row.commands);
        EXPECT_EQ(bench.field.protocol(), row.protocol);
        if (row.result == 1) {
            EXPECT_EQ(bench.reader.Requests().front().payload,
                      (Bytes{static_cast<std::uint8_t>(row.protocol)}));
            EXPECT_EQ(KorviCardGetErrorCode(bench.handle), 0);
        }
        if (row.commands.size() == 9) {
            const std::vector<Bytes> expected = {{0, 55, 0},    {1, 24, 0x94}, {1, 35, 0xC0},
                                                 {1, 39, 0xC4}, {1, 40, 0x3F}, {1, 41, 0x24},
                                                 {1, 38, 0x73}};
            for (std::size_t i = 0; i < expected.size(); ++i) {
                EXPECT_EQ(bench.reader.Requests()[2 + i].payload, expected[i]);
            }
            EXPECT_EQ(device.RfRegister(24), 0x94);
            EXPECT_EQ(device.RfRegister(38), 0x73);
        }
    }
}

}  // namespace
