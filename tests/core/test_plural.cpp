#include "model/plural.h"

#include <gtest/gtest.h>

TEST(CountText, TakesTheFormOfTheLastTwoDigits)
{
    struct TCase
    {
        int64_t Count;
        const char *Text;
    };
    for (const TCase &c : {TCase{0, "0 мест"},
                           {1, "1 место"},
                           {2, "2 места"},
                           {4, "4 места"},
                           {5, "5 мест"},
                           {11, "11 мест"},
                           {12, "12 мест"},
                           {14, "14 мест"},
                           {21, "21 место"},
                           {22, "22 места"},
                           {111, "111 мест"},
                           {101, "101 место"},
                           {-1, "-1 место"},
                           {-13, "-13 мест"}}) {
        EXPECT_EQ(CountText(c.Count, "место", "места", "мест"), c.Text);
    }
}
