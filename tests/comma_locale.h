#pragma once

// A locale that writes and reads numbers with a decimal comma, for the tests
// that prove the file formats keep their '.' whatever the process locale.

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace quorvane::test {

inline constexpr const char* kCommaLocale = "de_DE.UTF-8";

// Switches one locale category to kCommaLocale for a scope and back again.
class CCommaLocale {
public:
    explicit CCommaLocale(int category) : category_(category) {
        const char* current = std::setlocale(category_, nullptr);
        saved_ = current != nullptr ? current : "C";
        switched_ = std::setlocale(category_, kCommaLocale) != nullptr;
    }
    ~CCommaLocale() { std::setlocale(category_, saved_.c_str()); }
    CCommaLocale(const CCommaLocale&) = delete;
    CCommaLocale& operator=(const CCommaLocale&) = delete;

    // Fails loudly where the locale is missing, instead of testing the C locale.
    ::testing::AssertionResult InEffect() const {
        if (!switched_) {
            return ::testing::AssertionFailure()
                   << "setlocale(" << kCommaLocale << ") failed: the locale is not installed; "
                   << "scripts/install-deps.sh generates it";
        }
        const std::string point = std::localeconv()->decimal_point;
        if (point != ",") {
            return ::testing::AssertionFailure()
                   << kCommaLocale << " has the decimal point \"" << point << "\", not a comma";
        }
        // What the code under test must not do: the C library stops at the '.'.
        if (std::strtod("0.5", nullptr) != 0.0) {
            return ::testing::AssertionFailure() << "strtod still reads a decimal point in " << kCommaLocale;
        }
        return ::testing::AssertionSuccess();
    }

private:
    int category_;
    std::string saved_;
    bool switched_ = false;
};

} // namespace quorvane::test
