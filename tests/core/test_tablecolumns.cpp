#include "schedule/tablecolumns.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

TEST(TableColumns, EachColumnAsWideAsItsTextWhileTheLineHasRoom)
{
    // Columns: number, name (cut), time, file (cut); the page's line is room wide.
    const struct
    {
        const char *What;
        double Name, File, Room;
        std::vector<double> Widths;
    } cases[] = {
        {"all fit: the name takes the rest", 40, 30, 200, {10, 140, 20, 30}},
        {"a short file stays whole beside a long name", 300, 30, 200, {10, 140, 20, 30}},
        {"a short name stays whole beside a long file", 40, 300, 200, {10, 40, 20, 130}},
        {"both long: half each", 300, 300, 200, {10, 85, 20, 85}},
        {"exactly full", 100, 70, 200, {10, 100, 20, 70}},
        {"no room at all: the least each", 300, 300, 40, {10, 15, 20, 15}},
    };
    for (const auto &c : cases) {
        const std::vector<TColumnWish> columns = {{10, false}, {c.Name, true}, {20, false}, {c.File, true}};
        EXPECT_EQ(FitColumns(columns, c.Room, 15), c.Widths) << c.What;
    }
}

TEST(TableColumns, ATextIsCutOnlyWhenTheLineHasNoRoomLeft)
{
    std::mt19937 random(7);
    for (int run = 0; run < 2000; ++run) {
        std::vector<TColumnWish> columns;
        const int count = std::uniform_int_distribution<>(1, 8)(random);
        for (int c = 0; c < count; ++c)
            columns.push_back({std::uniform_real_distribution<>(20, 400)(random), random() % 2 == 0});
        const double room = std::uniform_real_distribution<>(50, 1200)(random);
        const std::vector<double> widths = FitColumns(columns, room, 10);
        ASSERT_EQ(widths.size(), columns.size());
        const double wanted = std::accumulate(columns.begin(), columns.end(), 0.0,
                                              [](double sum, const TColumnWish &c) { return sum + c.Wanted; });
        const double used = std::accumulate(widths.begin(), widths.end(), 0.0);
        bool anyCuttable = false, anyCut = false;
        for (size_t c = 0; c < columns.size(); ++c) {
            anyCuttable = anyCuttable || columns[c].Cuttable;
            if (!columns[c].Cuttable) {
                EXPECT_EQ(widths[c], columns[c].Wanted) << run; // numbers and times stand whole
            }
            anyCut = anyCut || widths[c] < columns[c].Wanted - 1e-9;
        }
        // Cut only when all would not fit (every cuttable text is wider than the least width);
        // then the line is used to its end, unless the least widths already overrun it.
        EXPECT_EQ(anyCut, anyCuttable && wanted > room + 1e-9) << run;
        if (anyCuttable && used > room + 1e-6) {
            for (size_t c = 0; c < columns.size(); ++c)
                EXPECT_TRUE(widths[c] >= columns[c].Wanted - 1e-9 || widths[c] == 10) << run;
        } else if (anyCuttable) {
            EXPECT_NEAR(used, room, 1e-6) << run;
        }
    }
}
