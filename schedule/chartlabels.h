#pragma once

#include <vector>

// Where the week chart's labels go in a day column, so that no label covers a bar or another
// label. Along the column only: a label is as wide as its lane at most and every bar of a day
// reaches across the day (lanes side by side cover it), so what does not meet along the column
// does not meet at all. Plain numbers; the painter measures and draws.

/// A stretch of the column, top < bottom (device units, downwards).
struct TSpan
{
    double Top = 0;
    double Bottom = 0;
};

/// What a label asks for: the bar it belongs to and its height.
struct TLabelWish
{
    int Bar = 0; // index into the bars
    double Height = 0;
};

/// Places each wish beside its bar, below or above and at most reach away (gap between bar and
/// label), within bounds, so that the bars it is nearest to are its own and those that meet it:
/// never past another bar or another bar's label, and nearer its own than the bar across the gap. First those that find
/// room within a quarter of reach, then the others, each time in the order given (the earlier wins
/// a contested place). Returns each label's top, or a negative infinity when there is no such
/// place: that label is dropped.
std::vector<double> PlaceColumnLabels(const std::vector<TSpan> &bars, const std::vector<TLabelWish> &wishes,
                                      double reach, TSpan bounds);
