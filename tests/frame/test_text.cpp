#include "frame/text.h"

#include "tests/support/check.h"

#include <wctype.h>

// The inline blank test keeps the runtime's white-space class, unit for unit.
TEST(is_blank_is_the_white_space_class)
{
    int differing = 0, first = -1;
    for (unsigned unit = 0; unit < 0x10000; unit++)
        if (IsBlank((wchar_t)unit) != (iswspace((wchar_t)unit) != 0)) {
            if (first < 0)
                first = (int)unit;
            differing++;
        }
    CHECK_EQ(differing, 0);
    CHECK_EQ(first, -1);
}
