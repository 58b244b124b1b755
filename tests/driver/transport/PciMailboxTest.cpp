// The register mailbox against the simulated card: the handshake, the folding of a value's top
// bit into the command byte, multi-byte registers, and the failures a silent or busy card causes.

#include <gtest/gtest.h>

#include "driver/sim/PciCardSimulator.h"
#include "driver/transport/PciMailbox.h"
#include "platform/sys/Clock.h"

namespace lxq::transport {
namespace {

// Records the raw data-register traffic on its way to the simulated card.
class TappedCard final : public PciCard {
public:
    explicit TappedCard(PciCard& inner) : inner_(inner) {}
    std::uint32_t Read32(Window w, std::uint32_t o) override { return inner_.Read32(w, o); }
    std::uint16_t Read16(Window w, std::uint32_t o) override { return inner_.Read16(w, o); }
    void Write32(Window w, std::uint32_t o, std::uint32_t v) override {
        if (w == Window::Mailbox && o == kPciMailboxData) writes.push_back(v);
        inner_.Write32(w, o, v);
    }
    std::uint32_t ReadConfig(std::uint32_t o) override { return inner_.ReadConfig(o); }
    bool WriteConfig(std::uint32_t o, std::uint32_t v) override { return inner_.WriteConfig(o, v); }
    bool ConnectInterrupt(std::function<bool()> h) override { return inner_.ConnectInterrupt(std::move(h)); }
    void DisconnectInterrupt() override { inner_.DisconnectInterrupt(); }
    std::vector<std::uint32_t> writes;

private:
    PciCard& inner_;
};

class PciMailboxTest : public ::testing::Test {
protected:
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    sim::SimReceiver receiver{sim::SimVariant::Pci};
    sim::PciCardSimulator card{receiver};
    TappedCard tap{card};
    PciMailbox mailbox{tap};
};

TEST_F(PciMailboxTest, WriteFoldsTheTopBitIntoTheCommandByte) {
    struct Case {
        std::uint8_t reg, value;
        std::uint32_t command, data;
    } cases[] = {
        {13, 0xC5, 0xC0 | 13, 0x45}, // bit 7 of the value travels as bit 6 of the command
        {22, 0x45, 0x80 | 22, 0x45},
        {63, 0x80, 0xC0 | 63, 0x00},
        {0, 0x7F, 0x80, 0x7F},
    };
    for (const auto& c : cases) {
        tap.writes.clear();
        ASSERT_EQ(mailbox.WriteReg(c.reg, c.value), MailboxResult::Ok);
        ASSERT_EQ(tap.writes.size(), 2u);
        EXPECT_EQ(tap.writes[0], c.command);
        EXPECT_EQ(tap.writes[1], c.data);
        std::uint8_t back = 0;
        ASSERT_EQ(mailbox.ReadReg(c.reg, back), MailboxResult::Ok);
        EXPECT_EQ(back, c.value) << "register " << int(c.reg);
    }
}

TEST_F(PciMailboxTest, MultiByteRegistersGoLowByteFirst) {
    ASSERT_TRUE(mailbox.Write32(pcireg::kMainFraction, 0x89ABCDEFu));
    ASSERT_TRUE(mailbox.Write16(pcireg::kBandWord, 0x1234));
    EXPECT_EQ(card.Register(pcireg::kMainFraction), 0xEF);
    EXPECT_EQ(card.Register(pcireg::kMainFraction + 3), 0x89);
    EXPECT_EQ(card.Register(pcireg::kBandWord), 0x34);
    std::uint16_t band = 0;
    ASSERT_TRUE(mailbox.Read16(pcireg::kBandWord, band));
    EXPECT_EQ(band, 0x1234);
}

TEST_F(PciMailboxTest, SilentCardReportsNoAnswer) {
    card.SetSilent(true);
    std::uint8_t value = 0;
    EXPECT_EQ(mailbox.ReadReg(8, value), MailboxResult::NoAnswer);
    EXPECT_EQ(mailbox.WriteReg(5, 7), MailboxResult::NoAnswer);
    EXPECT_FALSE(mailbox.Write32(pcireg::kMainControl, 1));
    EXPECT_FALSE(receiver.Powered());
}

TEST_F(PciMailboxTest, CardIdleWaitsOutBusyBitsAndGivesUpAfterOneSecond) {
    card.SetBusyReads(5);
    const auto start = clock.Now();
    EXPECT_TRUE(mailbox.CardIdle());
    EXPECT_LT(clock.Now() - start, plat::sys::kNsPerSecond);

    card.SetBusyReads(1'000'000);
    const auto stuck = clock.Now();
    EXPECT_FALSE(mailbox.CardIdle());
    EXPECT_GE(clock.Now() - stuck, plat::sys::kNsPerSecond);
}

} // namespace
} // namespace lxq::transport
