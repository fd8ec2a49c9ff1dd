#pragma once
// A small in-process fuzzer for the readers of outside text: each target makes
// inputs of its own shape, the campaign mutates them, runs the reader and checks
// its invariants. Seedable; prints the inputs tried and every distinct finding.
// A crash or a hang ends the run with the input that caused it.
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "EscapedBytes.h"

namespace exl::fuzz {

class Random {
public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}
    int Below(int n) { return n <= 1 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(engine_); }
    bool OneIn(int n) { return Below(n) == 0; }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))];
    }

private:
    std::mt19937 engine_;
};

struct Target {
    const char* name;
    int share;  // parts of the whole number of inputs
    // A fresh input of the reader's own shape.
    std::function<std::string(Random&)> generate;
    // Runs the reader on the input; empty when every invariant holds, else what broke.
    std::function<std::string(const std::string&)> check;
    // Pieces the mutator inserts: what the reader treats specially.
    std::vector<std::string> tokens;
};

// Byte flips, inserted tokens, repeated, cut and joined pieces.
std::string Mutate(Random& random, std::string input, const std::vector<std::string>& tokens);

// Failure reports show inputs with their bytes escaped, cut to this many bytes.
constexpr std::size_t kShownInputBytes = 300;
using exl::test::EscapedBytes;

// Runs total inputs shared out by the targets' shares; returns the number of findings.
// The whole input of every distinct finding is kept in findingsDirectory.
int RunCampaign(const std::vector<Target>& targets, std::uint32_t seed, long long total,
                const std::string& findingsDirectory);

}  // namespace exl::fuzz
