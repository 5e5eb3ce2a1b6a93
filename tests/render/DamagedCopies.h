// Damaged copies of a good file for the readers' robustness tests: cut short,
// bytes overwritten (half of them in the headers, where sizes, counts and
// offsets live), and both. A fixed seed gives the same copies on every run.
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace kestrune::testing {

inline std::vector<std::string> DamagedCopies(const std::string& good, std::size_t headerBytes, int count,
                                              unsigned seed) {
    std::mt19937 random(seed);
    auto below = [&random](std::size_t limit) {
        return limit == 0 ? std::size_t{0} : std::uniform_int_distribution<std::size_t>(0, limit - 1)(random);
    };
    std::vector<std::string> copies;
    for (int k = 0; k < count; ++k) {
        std::string copy = good;
        if (k % 3 != 1) {
            const std::size_t changes = 1 + below(6);
            for (std::size_t c = 0; c < changes; ++c) {
                const std::size_t at = c % 2 == 0 ? below(std::min(headerBytes, copy.size())) : below(copy.size());
                copy[at] = static_cast<char>(below(256));
            }
        }
        if (k % 3 != 0) copy.resize(below(copy.size()));
        copies.push_back(std::move(copy));
    }
    return copies;
}

}  // namespace kestrune::testing
