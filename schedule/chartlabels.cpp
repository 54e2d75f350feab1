#include "schedule/chartlabels.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

constexpr double Slack = 1e-6; // touching is not meeting

/// The free stretch between two blocks (or a block and the column's end): labels of the block
/// above fill it from its top down, those of the block below from its bottom up.
struct TGap
{
    double Down = 0; // the top of the next label hung under the block above
    double Up = 0;   // the bottom of the next label stood on the block below
};

} // namespace

std::vector<double> PlaceColumnLabels(const std::vector<TSpan> &bars, const std::vector<TLabelWish> &wishes,
                                      double reach, TSpan bounds)
{
    constexpr double None = -std::numeric_limits<double>::infinity();
    std::vector<double> tops(wishes.size(), None);
    if (bars.empty())
        return tops;

    // Blocks of the column, top down, and the block of each bar.
    std::vector<size_t> order(bars.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return bars[a].Top < bars[b].Top; });
    std::vector<TSpan> blocks; // bars that meet or touch, as one stretch
    std::vector<size_t> blockOf(bars.size());
    for (size_t b : order) {
        if (blocks.empty() || bars[b].Top > blocks.back().Bottom + Slack)
            blocks.push_back(bars[b]);
        else
            blocks.back().Bottom = std::max(blocks.back().Bottom, bars[b].Bottom);
        blockOf[b] = blocks.size() - 1;
    }
    // Gap k lies above block k; the last one below the last block.
    std::vector<TGap> gaps(blocks.size() + 1);
    for (size_t k = 0; k <= blocks.size(); ++k) {
        gaps[k].Down = k == 0 ? bounds.Top : std::max(blocks[k - 1].Bottom, bounds.Top);
        gaps[k].Up = k == blocks.size() ? bounds.Bottom : std::min(blocks[k].Top, bounds.Bottom);
    }

    // A label belongs to the bar it is nearest to: it stays in the gap beside its own block, nearer
    // that block than the one across the gap. Bars that meet read as one: their labels hang under
    // the block in time order, and only its first bars may have theirs above it.
    const auto below = [&](const TLabelWish &wish, double pass) {
        const TSpan &bar = bars[wish.Bar];
        const size_t block = blockOf[wish.Bar];
        const TGap &gap = gaps[block + 1];
        const double top = gap.Down;
        if (top - bar.Bottom > pass + Slack || top + wish.Height > gap.Up + Slack)
            return None;
        if (block + 1 < blocks.size() &&
            top - blocks[block].Bottom + Slack >= blocks[block + 1].Top - (top + wish.Height))
            return None;
        return top;
    };
    const auto above = [&](const TLabelWish &wish, double pass) {
        const TSpan &bar = bars[wish.Bar];
        const size_t block = blockOf[wish.Bar];
        const TGap &gap = gaps[block];
        const double top = gap.Up - wish.Height;
        if (bar.Top > blocks[block].Top + Slack || bar.Top - gap.Up > pass + Slack || top < gap.Down - Slack)
            return None;
        if (block > 0 && blocks[block].Top - gap.Up + Slack >= top - blocks[block - 1].Bottom)
            return None;
        return top;
    };

    // Labels right beside their bars first, then the rest within reach: a label a little way off
    // does not take the place of one that belongs there.
    for (const double pass : {reach / 4, reach}) {
        for (size_t w = 0; w < wishes.size(); ++w) {
            if (std::isfinite(tops[w]))
                continue;
            const TLabelWish &wish = wishes[w];
            const TSpan &bar = bars[wish.Bar];
            const double down = below(wish, pass);
            const double up = above(wish, pass);
            const bool goDown =
                std::isfinite(down) && (!std::isfinite(up) || down - bar.Bottom <= bar.Top - (up + wish.Height));
            if (goDown) {
                tops[w] = down;
                gaps[blockOf[wish.Bar] + 1].Down = down + wish.Height;
            } else if (std::isfinite(up)) {
                tops[w] = up;
                gaps[blockOf[wish.Bar]].Up = up;
            }
        }
    }
    return tops;
}
