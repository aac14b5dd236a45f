#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "fakes/fake_view.h"
#if defined(_WIN32)
#include "win32_driver.h"
#else
#include "qt_driver.h"
#endif

namespace tintcast::testing {

// The two ways of running one scenario: on the in-memory fake and on real widgets.
struct OnFake {
    static std::unique_ptr<FormDriver> Make(const platform::FormSpec& spec) {
        return std::make_unique<FakeView>(spec);
    }
};
#if defined(_WIN32)
struct OnWin32 {
    static std::unique_ptr<FormDriver> Make(const platform::FormSpec& spec) {
        return std::make_unique<Win32Driver>(spec);
    }
};

using BothDrivers = ::testing::Types<OnFake, OnWin32>;
#else
struct OnQt {
    static std::unique_ptr<FormDriver> Make(const platform::FormSpec& spec) {
        return std::make_unique<QtDriver>(spec);
    }
};

using BothDrivers = ::testing::Types<OnFake, OnQt>;
#endif

}  // namespace tintcast::testing
