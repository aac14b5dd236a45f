#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "fakes/fake_view.h"
#include "qt_driver.h"

namespace tintcast::testing {

// The two ways of running one scenario: on the in-memory fake and on real widgets.
struct OnFake {
    static std::unique_ptr<FormDriver> Make(const platform::FormSpec& spec) {
        return std::make_unique<FakeView>(spec);
    }
};
struct OnQt {
    static std::unique_ptr<FormDriver> Make(const platform::FormSpec& spec) {
        return std::make_unique<QtDriver>(spec);
    }
};

using BothDrivers = ::testing::Types<OnFake, OnQt>;

}  // namespace tintcast::testing
