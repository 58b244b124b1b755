// The termios serial port, over a pseudo-terminal whose other end is the simulated serial
// receiver: the whole serial transport (handshake, commands, answers) runs on a real tty.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "driver/host/ReceiverDevice.h"
#include "driver/host/TermiosSerialPort.h"
#include "driver/sim/SerialReceiverSimulator.h"
#include "driver/transport/SerialTransport.h"
#include "tests/driver/transport/DeviceRequests.h"

namespace lxq::host {
namespace {

// Carries bytes between the pseudo-terminal's master side and the simulated receiver. The
// receiver follows the speed the port set on the tty. A pseudo-terminal has neither DTR nor 7-bit
// characters: the purge that comes just before the DTR pulse at 1200 baud (packet mode reports it
// on the master side) stands for the pulse on the announcement's 7-bit line, and data at 1200 baud
// is the speed-change request on the 8-bit line.
class PtyBridge {
public:
    explicit PtyBridge(sim::SerialReceiverSimulator& receiver) : receiver_(receiver) {
        char name[64];
        EXPECT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        int on = 1;
        EXPECT_EQ(ioctl(master_, TIOCPKT, &on), 0);
        name_ = name;
        receiver_.Open();
        thread_ = std::thread([this] { Run(); });
    }
    ~PtyBridge() {
        stop_ = true;
        thread_.join();
        close(master_);
        close(slave_);
    }
    const std::string& Name() const { return name_; }

private:
    transport::LineSettings Line() const {
        termios t{};
        tcgetattr(master_, &t);
        transport::LineSettings line;
        line.baud = cfgetospeed(&t) == B38400 ? 38400 : 1200;
        line.dataBits = 8;
        return line;
    }

    void Run() {
        while (!stop_) {
            std::uint8_t buffer[513];
            pollfd p{master_, POLLIN | POLLPRI, 0};
            if (poll(&p, 1, 1) > 0) {
                const ssize_t n = read(master_, buffer, sizeof buffer);
                transport::LineSettings line = Line();
                if (n > 1 && buffer[0] == TIOCPKT_DATA) {
                    receiver_.SetLine(line);
                    receiver_.Write(buffer + 1, static_cast<std::size_t>(n - 1));
                } else if (n == 1 && (buffer[0] & TIOCPKT_FLUSHREAD) != 0 && line.baud == 1200) {
                    line.dataBits = 7;
                    receiver_.SetLine(line);
                    receiver_.Purge();
                    receiver_.SetDtr(false);
                    receiver_.SetDtr(true);
                }
            }
            for (std::size_t n; (n = receiver_.Read(buffer, sizeof buffer)) > 0;)
                [[maybe_unused]] auto written = write(master_, buffer, n);
        }
    }

    sim::SerialReceiverSimulator& receiver_;
    int master_ = -1, slave_ = -1;
    std::string name_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(TermiosSerialPort, TheSerialTransportRunsOverARealTty) {
    sim::SimReceiver receiver(sim::SimVariant::Serial);
    sim::SerialReceiverSimulator simulator(receiver);
    PtyBridge bridge(simulator);
    ReceiverDevice device(std::make_unique<transport::SerialTransport>(std::make_unique<TermiosSerialPort>(bridge.Name())));
    ASSERT_EQ(device.FirstOpen(), kStatusSuccess);
    EXPECT_EQ(std::string(device.State().image.modelId, 8), "Q7SERv16");
    ASSERT_EQ(transport::test::Send(device, IOCTL_LXQ745_SET_POWER, {1}, 4).status, kStatusSuccess);
    transport::test::SelectReferenceAndIf2(device);
    const auto tuned = transport::test::Tune(device, 27'125'000);
    ASSERT_EQ(tuned.status, kStatusSuccess);
    EXPECT_EQ(tuned.Word(2), 1u);
    EXPECT_TRUE(receiver.IsTunedTo(27'125'000));
    device.LastClose();
}

TEST(TermiosSerialPort, MissingPortFailsTheOpenAndBusIdsMapToDevicePaths) {
    TermiosSerialPort port("/dev/lxq745-no-such-port");
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(SerialPathForBusId("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialPathForBusId("pts.3"), "/dev/pts/3");
}

} // namespace
} // namespace lxq::host
