// The one check of an error's type and exact message: the messages are part
// of the behaviour.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>

namespace kestrove::testing {

// Runs `action` and checks that it raises exactly `E` with exactly `message`.
template <typename E, typename F>
void ExpectError(F&& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no error raised, expected: " << message;
  } catch (const E& error) {
    EXPECT_EQ(error.what(), message);
  } catch (const std::exception& error) {
    ADD_FAILURE() << "wrong error type, message: " << error.what();
  }
}

}  // namespace kestrove::testing
