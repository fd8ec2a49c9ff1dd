#include "Fuzzer.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>

namespace exl::fuzz {

namespace {

// What the crash filter and the watchdog print: the input being tried.
struct Current {
    const char* target = "";
    const std::string* input = nullptr;
    std::atomic<long long> tried{0};
};
Current current;

constexpr int kHangSeconds = 30;

void ReportCurrent(const char* what) {
    std::printf("finding [%s] %s after %lld inputs; input (%zu bytes): %s\n", current.target, what,
                current.tried.load(), current.input ? current.input->size() : 0,
                current.input ? EscapedBytes(*current.input, 2000).c_str() : "");
    std::fflush(stdout);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
    char what[64];
    std::snprintf(what, sizeof(what), "crash 0x%08lX", info->ExceptionRecord->ExceptionCode);
    ReportCurrent(what);
    _exit(3);
}

// Ends the run when one input takes longer than any reader should.
void Watch(const std::atomic<bool>& done) {
    long long seen = -1;
    auto since = std::chrono::steady_clock::now();
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        long long now = current.tried.load();
        if (now != seen) {
            seen = now;
            since = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - since > std::chrono::seconds(kHangSeconds)) {
            ReportCurrent("hang");
            _exit(4);
        }
    }
}

}  // namespace

std::string Mutate(Random& random, std::string input, const std::vector<std::string>& tokens) {
    int steps = 1 + random.Below(4);
    for (int step = 0; step < steps; ++step) {
        std::size_t at = input.empty() ? 0 : static_cast<std::size_t>(random.Below(static_cast<int>(input.size()) + 1));
        switch (random.Below(7)) {
            case 0:
                if (at < input.size()) input[at] = static_cast<char>(random.Below(256));
                break;
            case 1:
                if (!tokens.empty()) input.insert(at, random.Pick(tokens));
                break;
            case 2:
                if (at < input.size()) input.erase(at, 1 + static_cast<std::size_t>(random.Below(16)));
                break;
            case 3: {
                // A piece repeated, sometimes into a very long line.
                std::size_t length = std::min<std::size_t>(input.size() - std::min(at, input.size()), 8);
                std::string piece = input.substr(at, length == 0 ? 1 : length);
                int times = random.OneIn(20) ? 2000 + random.Below(20000) : 1 + random.Below(8);
                std::string repeated;
                for (int i = 0; i < times; ++i) repeated += piece;
                input.insert(at, repeated);
                break;
            }
            case 4:
                input.insert(at, std::string(1 + static_cast<std::size_t>(random.Below(3)), "\r\n\0\x1A"[random.Below(4)]));
                break;
            case 5:
                input.resize(at);
                break;
            default:
                input.insert(at, 1, static_cast<char>(0x80 + random.Below(128)));
                break;
        }
    }
    return input;
}

namespace {

std::string KeepInput(const std::string& directory, const char* target, int number, const std::string& input) {
    std::string path = directory + "\\fuzz-finding-" + target + "-" + std::to_string(number) + ".bin";
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(input.data(), 1, input.size(), file);
        std::fclose(file);
    }
    return path;
}

}  // namespace

int RunCampaign(const std::vector<Target>& targets, std::uint32_t seed, long long total,
                const std::string& findingsDirectory) {
    SetUnhandledExceptionFilter(OnCrash);
    std::atomic<bool> done{false};
    std::thread watchdog(Watch, std::cref(done));
    Random random(seed);
    int shares = 0;
    for (const Target& target : targets) shares += target.share;
    int findings = 0;
    std::printf("fuzz-readers: seed %u, %lld inputs\n", seed, total);
    long long shared = 0;
    for (const Target& target : targets) {
        // The last target takes what the rounding left, so the total is exact.
        const long long count = &target == &targets.back() ? total - shared : total * target.share / shares;
        shared += count;
        const auto started = std::chrono::steady_clock::now();
        std::map<std::string, long long> distinct;
        std::vector<std::string> pool;
        current.target = target.name;
        for (long long i = 0; i < count; ++i) {
            // A third fresh inputs, the rest mutations of earlier ones.
            std::string input;
            if (pool.empty() || random.OneIn(3)) {
                input = target.generate(random);
            } else {
                input = Mutate(random, random.Pick(pool), target.tokens);
            }
            current.input = &input;
            std::string broken;
            try {
                broken = target.check(input);
            } catch (const std::exception& error) {
                broken = std::string("exception: ") + error.what();
            }
            ++current.tried;
            if (!broken.empty() && distinct[broken]++ == 0) {
                ++findings;
                std::printf("finding [%s] %s; input (%zu bytes, kept in %s): %s\n", target.name, broken.c_str(),
                            input.size(), KeepInput(findingsDirectory, target.name, findings, input).c_str(),
                            EscapedBytes(input, kShownInputBytes).c_str());
            }
            if (pool.size() < 256) {
                pool.push_back(input);
            } else if (input.size() < 200000) {
                pool[static_cast<std::size_t>(random.Below(256))] = input;
            }
        }
        current.input = nullptr;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        long long failed = 0;
        for (const auto& finding : distinct) failed += finding.second;
        std::printf("  %-12s %9lld inputs  %7.1f s  %zu distinct findings (%lld inputs)\n", target.name, count,
                    seconds, distinct.size(), failed);
        std::fflush(stdout);
    }
    done = true;
    watchdog.join();
    std::printf("fuzz-readers: %lld inputs tried, %d findings\n", current.tried.load(), findings);
    return findings;
}

}  // namespace exl::fuzz
