// The native stand-in for Win32: each concern keeps its own state in
// fake::<Concern>() and registers how to reset it; tests call fake::ResetAll()
// (FakeTest fixture does so before each test).
#pragma once

#include <gtest/gtest.h>

namespace fake {

void ResetAll();

// Registers a reset function, run by ResetAll in registration order.
struct Resetter {
    explicit Resetter(void (*pfn)());
};

}  // namespace fake

class FakeTest : public ::testing::Test {
protected:
    void SetUp() override { fake::ResetAll(); }
};
