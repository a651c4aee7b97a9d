#pragma once

#include <gtest/gtest.h>

#include <string_view>

namespace beatwright::testing {

// Whether f throws E with exactly this message: errors are part of the interface.
template <class E, class F>
::testing::AssertionResult throwsWith(F&& f, std::string_view message) {
    try {
        f();
    } catch (const E& e) {
        if (e.what() == message) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the message was \"" << e.what() << '"';
    }
    return ::testing::AssertionFailure() << "nothing was thrown";
}

}  // namespace beatwright::testing
