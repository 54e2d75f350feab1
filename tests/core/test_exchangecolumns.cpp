#include "storage/exchangecolumns.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

/// A written row's texts, separated by ";", or its header texts.
std::string Texts(const TScheduleRow &row, bool header = false)
{
    std::string out;
    ForEachColumn(row, MaxZones, [&](TExchangeColumn column, int32_t value) {
        if (!out.empty())
            out += ';';
        if (header)
            out += ColumnHeader(column);
        else
            AppendColumnText(out, column, value);
        return true;
    });
    return out;
}

} // namespace

TEST(ExchangeColumns, WrittenRowsHeaderAndEndOfTable)
{
    // Slot 3 of group 2 at 8:05 on Monday and Friday, zones 1 and 3 of a 4-zone device (zone 5 is
    // beyond it), volume 7, track 120.
    TProject project;
    project.DeviceType = 2;
    TGroup &group = project.Groups[2];
    group.Zones[1] = group.Zones[3] = group.Zones[5] = true;
    TScenario &scenario = group.Scenarios[3];
    std::tie(scenario.Hour, scenario.Minute, scenario.Volume, scenario.Track) = std::tuple(8, 5, 7, 120);
    scenario.Days[0] = scenario.Days[4] = true;
    const std::string zero28 = ";0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0";
    EXPECT_EQ(Texts(ScheduleRow(project, 2, 3)), "08;05;1;0;0;0;1;0;0;1;0;1;0" + zero28 + ";07;120;02;03");
    EXPECT_EQ(Texts(EndOfTableRow()), "90;00;0;0;0;0;0;0;0;0;0;0;0" + zero28 + ";00;00;00;00");

    std::string zones;
    for (int z = 1; z <= 32; ++z)
        zones += ";Зона " + std::to_string(z);
    EXPECT_EQ(Texts({}, true), "Час;Минута;Понедельник;Вторник;Среда;Четверг;Пятница;Суббота;Воскресенье" + zones +
                                   ";Громкость;Трэк;Группа;Сценарий");
}

TEST(ExchangeColumns, ReadValuesLandInTheirColumnsPlaceUntilTheWalkStops)
{
    TScheduleRow row;
    int c = 0;
    EXPECT_TRUE(ForEachColumn(row, 4, [&c](TExchangeColumn, int32_t &value) {
        value = ++c;
        return true;
    }));
    EXPECT_EQ(std::tuple(row.Hour, row.Minute, row.Days[0], row.Days[6], row.Zones[1], row.Zones[4], row.Zones[5]),
              std::tuple(1, 2, 3, 9, 10, 13, 0));
    EXPECT_EQ(std::tuple(row.Volume, row.Track, row.Group, row.Slot), std::tuple(14, 15, 16, 17));

    TScheduleRow cut;
    c = 0;
    EXPECT_FALSE(ForEachColumn(cut, 4, [&c](TExchangeColumn, int32_t &value) {
        value = ++c;
        return c < 12; // the 12th column, zone 3, is the last one written
    }));
    EXPECT_EQ(std::tuple(cut.Zones[3], cut.Volume, cut.Track), std::tuple(12, 0, 0));
}
