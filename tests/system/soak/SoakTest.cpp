// The system left running as a user leaves it, for LXQ_SOAK_SECONDS (scripts/soak runs it): a
// driver host with a USB, a serial and a PCI receiver on a band of seven stations; the front panel
// on the USB receiver memory-scanning with the demodulator playing into a file; a second program
// tuning and reading the serial receiver 46 times a second; a sweep every 5 minutes, a new scene
// every 6, the computer's sleep and wake every 4 (the panel's scan ends at the sleep; the user
// starts it again after the wake). Printed at the end: crashes, hangs, growth per hour of memory,
// threads and descriptors of each process, the scanner's holds and those on a channel without a
// station (false stops), and how much audio the loudspeaker kept of the time it played.
// Not a test of ctest: it runs for as long as it is told.

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/TMemoryRecord.h"
#include "tests/system/FrontPanelRig.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <future>
#include <map>
#include <set>
#include <sstream>

extern char** environ;

namespace lxq::systemtest {
namespace {

constexpr int kHolding = 2;
constexpr std::int64_t kSleepEveryS = 240, kSweepEveryS = 300, kSceneEveryS = 360;
constexpr int kClientRate = 46;
constexpr int kWarmUpS = 120;
constexpr int kSampleEveryS = 15;

// Two bands in turn: the second takes two stations off the air and puts one on 96.0 MHz.
const char* const kScenes[2] = {
    "noise -125\n"
    "station 145500000 -48 fm tone=1000 deviation=2500 ctcss=88.5\n"
    "station 145550000 -60 fm tone=800 deviation=2500\n"
    "station 146000000 -70 am tone=1000 depth=0.5\n"
    "station 433500000 -55 fm tone=1200 deviation=2500 ctcss=100.0\n"
    "station 433600000 -80 am tone=700 depth=0.5\n"
    "station 162550000 -65 fm tone=900 deviation=2500\n"
    "station 118100000 -75 am tone=1100 depth=0.5\n",
    "noise -125\n"
    "station 96000000 -60 fm tone=1000 deviation=2500\n"
    "station 145500000 -48 fm tone=1000 deviation=2500 ctcss=88.5\n"
    "station 146000000 -70 am tone=1000 depth=0.5\n"
    "station 433500000 -55 fm tone=1200 deviation=2500 ctcss=100.0\n"
    "station 162550000 -65 fm tone=900 deviation=2500\n"
    "station 118100000 -75 am tone=1100 depth=0.5\n",
};

std::set<std::int64_t> StationsOf(const char* scene) {
    std::set<std::int64_t> out;
    std::istringstream in(scene);
    for (std::string word; in >> word;)
        if (word == "station") {
            std::int64_t hz = 0;
            in >> hz;
            out.insert(hz);
        }
    return out;
}

// One process's figures from /proc.
struct Usage {
    double rssKb = 0, threads = 0, fds = 0;
};

Usage Sample(pid_t pid) {
    Usage u;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) u.rssKb = std::atof(line.c_str() + 6);
        if (line.rfind("Threads:", 0) == 0) u.threads = std::atof(line.c_str() + 8);
    }
    if (DIR* d = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++u.fds;
        closedir(d);
    }
    return u;
}

// Least-squares slope of y over t, per hour.
double PerHour(const std::vector<std::pair<double, double>>& points) {
    if (points.size() < 2) return 0;
    double st = 0, sy = 0, stt = 0, sty = 0;
    for (auto [t, y] : points) st += t, sy += y, stt += t * t, sty += t * y;
    const double n = static_cast<double>(points.size());
    const double d = n * stt - st * st;
    return d == 0 ? 0 : (n * sty - st * sy) / d * 3600.0;
}

// The second program, started with posix_spawn so that nothing of this process's threads is
// copied into it; its report lines come through a pipe.
class Client {
public:
    Client() {
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string path = BuildFolder() + "/lxq745_tuner_loop", rate = std::to_string(kClientRate);
        const char* argv[] = {path.c_str(), "SIMS0001", rate.c_str(), nullptr};
        if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        fd_ = out[0];
        fcntl(fd_, F_SETFL, O_NONBLOCK);
    }
    ~Client() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0) close(fd_);
    }
    pid_t Pid() const { return pid_; }
    // Reads what it printed; the time of its last progress.
    void Poll() {
        char buffer[4096];
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) text_.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = text_.find('\n')) != std::string::npos; text_.erase(0, end + 1)) {
            unsigned long long loops = 0, errors = 0;
            int open = 0;
            if (std::sscanf(text_.c_str(), "loops %llu errors %llu open %d", &loops, &errors, &open) == 3) {
                if (loops != loops_ || open == 0) lastProgress = std::chrono::steady_clock::now();
                loops_ = loops;
                errors_ = errors;
            }
        }
    }
    bool Alive() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
    void Signal(int number) const {
        if (pid_ > 0) kill(pid_, number);
    }
    unsigned long long Loops() const { return loops_; }
    unsigned long long Errors() const { return errors_; }
    std::chrono::steady_clock::time_point lastProgress = std::chrono::steady_clock::now();

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string text_;
    unsigned long long loops_ = 0, errors_ = 0;
};

class Soak : public FrontPanelSystem {
protected:
    // `lxq745ctl <args>` while the panel runs; its exit status and what it printed, or -2 when it
    // did not end within 20 s (a hang of the host).
    int HostCommand(const std::string& args, std::string* said = nullptr) {
        auto done = std::async(std::launch::async, [args] {
            std::string text;
            FILE* p = popen((BuildFolder() + "/lxq745ctl " + args + " 2>&1").c_str(), "r");
            if (p == nullptr) return std::make_pair(-1, text);
            char line[512];
            while (std::fgets(line, sizeof line, p)) text += line;
            const int status = pclose(p);
            return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, text);
        });
        Run(20000, [&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        if (done.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            ++hangs["host"];
            done.wait();
            return -2;
        }
        auto [status, text] = done.get();
        if (said) *said = text;
        return status;
    }
    void ScanMemories() {
        form->stSpeedButton3->SetDown(true);
        form->stSpeedButton20Click(form->stSpeedButton20);
    }
    // What the loudspeaker has written of the recording in progress (its file under ".tmp").
    std::int64_t AudioFrames() {
        std::error_code ec;
        const auto size = std::filesystem::file_size(Wav() + ".tmp", ec);
        return ec || size < 44 ? 0 : static_cast<std::int64_t>((size - 44) / 4);
    }

    std::map<std::string, int> hangs;
};

TEST_F(Soak, HoursOfUse) {
    const char* given = std::getenv("LXQ_SOAK_SECONDS");
    const std::int64_t seconds = given ? std::atoll(given) : 60;
    const std::string sceneFiles[2] = {Scratch("a.scene"), Scratch("b.scene")};
    for (int i = 0; i < 2; ++i) std::ofstream(sceneFiles[i]) << kScenes[i];
    Start("usb,serial,pci", kScenes[0], {"/#SIMU0001"});
    Client client;
    ASSERT_GT(client.Pid(), 0);
    const pid_t host = HostPid();

    // The memories: every station of either band, and the empty channels beside them.
    const std::int64_t channels[] = {96'000'000,  118'100'000, 145'500'000, 145'525'000, 145'550'000,
                                     146'000'000, 146'025'000, 162'550'000, 162'575'000, 433'500'000,
                                     433'550'000, 433'600'000};
    std::int32_t number = 1;
    for (std::int64_t hz : channels) {
        auto m = std::make_unique<TMemoryRecord>(NewMemoryRecord());
        m->number = number++;
        m->frequency = hz;
        m->mode = hz == 146'000'000 || hz == 433'600'000 || hz == 118'100'000 ? 1 : 2; // AM or FMN
        m->levelSquelch = -90;
        if (hz == 145'500'000 || hz == 433'500'000) {
            m->squelchType = 4; // CTCSS
            m->squelchValue = hz == 145'500'000 ? 88'500 : 100'000;
        }
        form->Memories().push_back(std::move(m));
    }
    form->RebuildSortedMemories();
    form->Settings().onLost = 1;
    form->Settings().delayTimeMs = 2000;
    form->myFrequencyEdit3->SetValue(145'000'000);
    form->myFrequencyEdit4->SetValue(146'100'000);
    form->myFrequencyEdit5->SetValue(25'000);

    // Once: a sleep while the second program holds its receiver says why it is refused.
    std::string refusal;
    const int refused = HostCommand("sleep", &refusal);
    Run(200, [this] { return form->RestartList() == nullptr; }); // the panel wakes again
    Run(10000, [this] { return form->RestartList() == nullptr; });

    ScanMemories();
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    std::map<std::string, std::vector<std::pair<double, double>>> series;
    int holds = 0, falseStops = 0, sleeps = 0, wakes = 0, refusedSleeps = 0, sweeps = 0, scenes = 0;
    std::vector<std::string> falseList;
    int scene = 0, previousScene = 0;
    double sceneChangedAt = -1e9;
    double audioSeconds = 0, playedSeconds = 0;
    double sessionStart = 0;
    double nextSleep = kSleepEveryS, nextSweep = kSweepEveryS, nextScene = kSceneEveryS, nextSample = 0;
    std::uint8_t lastState = form->ScannerState;
    bool crashedHost = false, crashedClient = false;

    while (elapsed() < static_cast<double>(seconds) && !crashedHost) {
        const auto sliceStart = Clock::now();
        Run(1000, [&] {
            const std::uint8_t state = form->ScannerState;
            if (state == kHolding && lastState != kHolding) {
                ++holds;
                const std::int64_t hz = form->Q7->GetFreq();
                const bool now = StationsOf(kScenes[scene]).count(hz) != 0;
                const bool lately = elapsed() - sceneChangedAt < 10 && StationsOf(kScenes[previousScene]).count(hz) != 0;
                if (!now && !lately) {
                    ++falseStops;
                    falseList.push_back(std::to_string(hz) + " Hz at " + std::to_string(static_cast<int>(elapsed())) + " s");
                }
            }
            lastState = state;
            return false;
        });
        if (Clock::now() - sliceStart > std::chrono::seconds(10)) ++hangs["panel"];
        client.Poll();
        if (Clock::now() - client.lastProgress > std::chrono::seconds(10)) {
            ++hangs["client"];
            client.lastProgress = Clock::now();
        }
        crashedHost = kill(host, 0) != 0 || waitpid(host, nullptr, WNOHANG) == host;
        crashedClient = crashedClient || !client.Alive();
        const double t = elapsed();
        if (t >= nextSample) {
            nextSample += kSampleEveryS;
            if (t >= kWarmUpS || seconds < 2 * kWarmUpS) {
                for (auto [name, pid] : {std::pair<const char*, pid_t>{"host", host}, {"panel", getpid()}, {"client", client.Pid()}}) {
                    const Usage u = Sample(pid);
                    series[std::string(name) + " rss kB"].push_back({t, u.rssKb});
                    series[std::string(name) + " threads"].push_back({t, u.threads});
                    series[std::string(name) + " descriptors"].push_back({t, u.fds});
                }
            }
        }
        if (t >= nextScene) {
            nextScene += kSceneEveryS;
            previousScene = scene;
            scene = 1 - scene;
            if (HostCommand("scene " + sceneFiles[scene]) == 0) ++scenes;
            sceneChangedAt = elapsed();
        }
        if (t >= nextSweep) {
            nextSweep += kSweepEveryS;
            form->stSpeedButton7Click(form->stSpeedButton7);
            form->stSpeedButton30->SetDown(true);
            form->stSpeedButton30->Click();
            Run(30000, [this] { return !form->Sweeping(); });
            if (form->Sweeping()) {
                ++hangs["sweep"];
                form->stSpeedButton31Click(form->stSpeedButton31);
            } else {
                ++sweeps;
            }
            ScanMemories();
        }
        if (t >= nextSleep) {
            nextSleep += kSleepEveryS;
            playedSeconds += elapsed() - sessionStart;
            client.Signal(SIGUSR1); // the second program lets go of its receiver for the sleep
            Run(300);
            const int slept = HostCommand("sleep");
            if (slept == 0) ++sleeps;
            else ++refusedSleeps;
            Run(2000);
            if (HostCommand("wake") == 0 && slept == 0) ++wakes;
            Run(10000, [this] { return form->RestartList() == nullptr; });
            if (form->RestartList() != nullptr) ++hangs["wake"];
            client.Signal(SIGUSR2);
            sessionStart = elapsed();
            lastState = form->ScannerState;
            ScanMemories(); // the sleep ended the scan; the user starts it again
        }
    }
    // The recording goes on across the demodulator's restarts: the file holds every session.
    audioSeconds = static_cast<double>(AudioFrames()) / 48000.0;
    playedSeconds += elapsed() - sessionStart;
    client.Poll();
    const double total = elapsed();

    std::printf("\n==== soak: %.0f s (%.2f h) ====\n", total, total / 3600.0);
    std::printf("crashes: host %d, second program %d, panel 0 (it prints this)\n", crashedHost ? 1 : 0, crashedClient ? 1 : 0);
    std::printf("hangs: panel %d, host %d, second program %d, sweep %d, wake %d\n", hangs["panel"], hangs["host"],
                hangs["client"], hangs["sweep"], hangs["wake"]);
    std::printf("refused sleep (second program holding its receiver): exit %d: %s", refused, refusal.c_str());
    std::printf("sleeps %d (refused %d), wakes %d, sweeps %d, scene changes %d\n", sleeps, refusedSleeps, wakes, sweeps, scenes);
    std::printf("second program: %llu loops (%.1f/s), %llu errors\n", client.Loops(),
                static_cast<double>(client.Loops()) / total, client.Errors());
    std::printf("scanner: %d holds, %d false stops%s\n", holds, falseStops, falseStops ? ":" : "");
    for (const auto& f : falseList) std::printf("  false stop on %s\n", f.c_str());
    std::printf("audio kept: %.1f s of %.1f s played (%.1f %%)\n", audioSeconds, playedSeconds,
                playedSeconds > 0 ? 100.0 * audioSeconds / playedSeconds : 0.0);
    std::printf("growth per hour after %d s of warm-up (first -> last sample):\n", seconds < 2 * kWarmUpS ? 0 : kWarmUpS);
    for (const auto& [name, points] : series) {
        if (points.empty()) continue;
        std::printf("  %-22s %+10.1f /h   (%.0f -> %.0f)\n", name.c_str(), PerHour(points), points.front().second,
                    points.back().second);
    }
    std::fflush(stdout);
    EXPECT_FALSE(crashedHost);
    EXPECT_FALSE(crashedClient);
    EXPECT_EQ(falseStops, 0);
}

} // namespace
} // namespace lxq::systemtest
