#include "schedule/chartlabels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

/// The room between two stretches of the column; 0 when they meet or touch.
double Distance(TSpan a, TSpan b)
{
    return std::max({0.0, b.Top - a.Bottom, a.Top - b.Bottom});
}

bool Meet(TSpan a, TSpan b)
{
    return std::min(a.Bottom, b.Bottom) - std::max(a.Top, b.Top) > 1e-9;
}

/// The bars joined to bar b by a chain of bars that meet or touch: on the chart they read as one.
std::vector<bool> Joined(const std::vector<TSpan> &bars, size_t b)
{
    std::vector<bool> joined(bars.size(), false);
    joined[b] = true;
    for (bool grew = true; grew;) {
        grew = false;
        for (size_t i = 0; i < bars.size(); ++i) {
            for (size_t j = 0; j < bars.size() && !joined[i]; ++j) {
                if (joined[j] && Distance(bars[i], bars[j]) == 0)
                    joined[i] = grew = true;
            }
        }
    }
    return joined;
}

/// What every placement must hold: inside bounds, over no bar and no other label, within reach of
/// its bar, nearer its own bars than any other, and no other bar's label between it and them.
void ExpectSound(const std::vector<TSpan> &bars, const std::vector<TLabelWish> &wishes, double reach, TSpan bounds,
                 const std::vector<double> &tops)
{
    ASSERT_EQ(tops.size(), wishes.size());
    for (size_t w = 0; w < wishes.size(); ++w) {
        if (!std::isfinite(tops[w]))
            continue;
        SCOPED_TRACE("label " + std::to_string(w));
        const TSpan label{tops[w], tops[w] + wishes[w].Height};
        EXPECT_GE(label.Top, bounds.Top - 1e-6);
        EXPECT_LE(label.Bottom, bounds.Bottom + 1e-6);
        EXPECT_LE(Distance(label, bars[wishes[w].Bar]), reach + 1e-6);
        const std::vector<bool> own = Joined(bars, wishes[w].Bar);
        TSpan between = label; // from the label to the nearest of its own bars
        double nearest = INFINITY;
        for (size_t b = 0; b < bars.size(); ++b) {
            EXPECT_FALSE(Meet(label, bars[b])) << "bar " << b;
            if (own[b] && Distance(label, bars[b]) < nearest) {
                nearest = Distance(label, bars[b]);
                between = {std::min(label.Bottom, bars[b].Bottom), std::max(label.Top, bars[b].Top)};
            }
        }
        for (size_t b = 0; b < bars.size(); ++b)
            EXPECT_TRUE(own[b] || Distance(label, bars[b]) > nearest) << "bar " << b;
        for (size_t v = 0; v < wishes.size(); ++v) {
            if (v == w || !std::isfinite(tops[v]))
                continue;
            const TSpan other{tops[v], tops[v] + wishes[v].Height};
            EXPECT_FALSE(v > w && Meet(label, other)) << "label " << v;
            EXPECT_FALSE(!own[wishes[v].Bar] && Meet(between, other)) << "label " << v << " in between";
        }
    }
}

} // namespace

TEST(ChartLabels, ABusyDayLabelsEachBarBesideItselfOrNotAtAll)
{
    // Bars 4 high, labels 12: a lesson at 09:30, bells at 09:45 and 09:50 a few pixels apart, and
    // one far below. Under 09:50 there is room; a label of 09:45 there would name the wrong bar,
    // and so would one of 09:30 filling the room to 09:45 to the last pixel.
    const std::vector<TSpan> busy = {{300, 304}, {316, 320}, {322, 326}, {500, 504}};
    const std::vector<TLabelWish> wishes = {{0, 12}, {1, 12}, {2, 12}, {3, 12}};
    const std::vector<double> tops = PlaceColumnLabels(busy, wishes, 24, {0, 1000});
    ExpectSound(busy, wishes, 24, {0, 1000}, tops);
    EXPECT_EQ(tops[0], 288); // above its bar
    EXPECT_FALSE(std::isfinite(tops[1]));
    EXPECT_EQ(tops[2], 326); // under its own bar
    EXPECT_EQ(tops[3], 504);
}

TEST(ChartLabels, RandomColumnsKeepEveryLabelBesideItsOwnBar)
{
    std::mt19937 random(33);
    int placed = 0, lonely = 0;
    for (int column = 0; column < 400; ++column) {
        std::vector<TSpan> bars;
        std::vector<TLabelWish> wishes;
        double y = std::uniform_real_distribution<>(-5, 40)(random);
        const int count = std::uniform_int_distribution<>(1, 30)(random);
        for (int b = 0; b < count; ++b) {
            // Mostly point marks, some long tracks; several lanes of a minute share a stretch.
            const double length = random() % 6 == 0 ? std::uniform_real_distribution<>(10, 120)(random) : 4;
            bars.push_back({y, y + length});
            const int lanes = 1 + int(random() % 4 == 0) * int(random() % 3);
            for (int lane = 0; lane < lanes; ++lane)
                wishes.push_back({b, 12});
            y += std::uniform_real_distribution<>(0, 60)(random);
        }
        const TSpan bounds{0, y + 20};
        const std::vector<double> tops = PlaceColumnLabels(bars, wishes, 24, bounds);
        SCOPED_TRACE("column " + std::to_string(column));
        ExpectSound(bars, wishes, 24, bounds, tops);
        for (size_t w = 0; w < wishes.size(); ++w) {
            placed += std::isfinite(tops[w]);
            // A single label of a bar with plenty of room on either side always finds its place.
            const int b = wishes[w].Bar;
            const bool alone = std::count_if(wishes.begin(), wishes.end(),
                                             [b](const TLabelWish &other) { return other.Bar == b; }) == 1;
            bool roomy = alone && bars[b].Top > bounds.Top + 40;
            for (size_t o = 0; o < bars.size() && roomy; ++o)
                roomy = int(o) == b || Distance(bars[o], bars[b]) > 40;
            if (roomy) {
                ++lonely;
                EXPECT_TRUE(std::isfinite(tops[w])) << "wish " << w;
            }
        }
    }
    EXPECT_GT(placed, 1000);
    EXPECT_GT(lonely, 50);
}
