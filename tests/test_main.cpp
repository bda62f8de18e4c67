#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include "support/test_support.h"

int main(int argc, char** argv) {
    // A test program may re-run itself as a child process for the
    // cross-process tests; such a run does the child's work only.
    int childResult = 0;
    if (rubo::test::runChildRole(argc, argv, childResult))
        return childResult;
    doctest::Context context(argc, argv);
    return context.run();
}
