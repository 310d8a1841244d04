#pragma once

// Some fixtures change the machine (mount a small file system, take a
// network namespace, run smbd with root's account); elsewhere they skip.
#include <gtest/gtest.h>
#include <unistd.h>

namespace fetchly::test {

inline bool isRoot()
{
    return ::geteuid() == 0;
}

} // namespace fetchly::test

// In a test or its SetUp: skips it, saying why, when the test is not root.
#define SKIP_UNLESS_ROOT(why)                                                                                \
    if (!::fetchly::test::isRoot())                                                                          \
    GTEST_SKIP() << "needs root to " << (why)
