#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    setenv("LC_ALL", "C", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
