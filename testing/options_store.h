#pragma once
// A process-wide options store for one test's lifetime: installs a fresh,
// empty store as `options` and removes it again, so code that reads and
// writes options runs as it does after start-up.
#include "framework/app/options.h"

namespace testing_support {

class OptionsStore {
public:
    OptionsStore() { options = &store_; }
    ~OptionsStore() { options = nullptr; }
    OptionsStore(const OptionsStore&) = delete;
    OptionsStore& operator=(const OptionsStore&) = delete;

private:
    Options store_;
};

}  // namespace testing_support
