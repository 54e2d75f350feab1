#include "model/type.h"

#include <gtest/gtest.h>

TEST(DeviceTypeIndex, MatchesNamesExactly)
{
    EXPECT_EQ(DeviceTypeIndex("Велтара ДК-М-32"), 9);
    EXPECT_EQ(DeviceTypeIndex("Велтара ДК-4К"), 3);
    EXPECT_EQ(DeviceTypeIndex(""), 0);
    EXPECT_EQ(DeviceTypeIndex("велтара ДК-М-32"), 0);
    EXPECT_EQ(DeviceTypeIndex("Велтара ДК-М-32 "), 0);
    EXPECT_EQ(DeviceTypeIndex("Велтара ДК-4К "), 0);
}

TEST(DeviceTables, TypesSharingAZoneCountStayDistinct)
{
    EXPECT_EQ(DeviceZoneCounts[2], DeviceZoneCounts[3]);
    EXPECT_NE(DeviceTypeNames[2], DeviceTypeNames[3]);
    EXPECT_EQ(DeviceZoneCounts[4], 8);
    EXPECT_EQ(DeviceZoneCounts[6], 8);
    for (int i = 0; i < DeviceTypeCount; ++i)
        EXPECT_EQ(DeviceTypeIndex(DeviceTypeNames[i]), i);
}

TEST(ResetProject, ClearsEveryRecordInPlace)
{
    TProject project;
    project.Name = "Школа";
    project.DeviceType = 9;
    project.FileName = "/tmp/a.vlpj";
    TGroup &group = project.Groups[0];
    group.Used = true;
    group.Name = "x";
    group.Zones[0] = true;
    group.Scenarios[0] = TScenario{"s", 8, 30, {true, true, true, true, true, true, true}, 20, 3, true};
    project.Groups[32].Scenarios[32].Track = 5;
    const TProject *before = &project;

    ResetProject(project);

    EXPECT_EQ(&project, before);
    EXPECT_EQ(project.Name, "");
    EXPECT_EQ(project.DeviceType, 0);
    EXPECT_EQ(project.FileName, "");
    EXPECT_EQ(ZoneCount(project), 0);
    for (const TGroup &g : project.Groups) {
        EXPECT_FALSE(g.Used);
        EXPECT_EQ(g.Name, "");
        for (bool zone : g.Zones)
            EXPECT_FALSE(zone);
        for (const TScenario &s : g.Scenarios) {
            EXPECT_FALSE(s.Used);
            EXPECT_EQ(s.Name, "");
            EXPECT_EQ(s.Hour + s.Minute + s.Volume + s.Track, 0);
            for (bool day : s.Days)
                EXPECT_FALSE(day);
        }
    }
}

TEST(ZoneCount, FollowsTheDeviceTypeAndRejectsOutOfTableTypes)
{
    TProject project;
    project.DeviceType = 2;
    EXPECT_EQ(ZoneCount(project), 4);
    project.DeviceType = 10;
    EXPECT_EQ(ZoneCount(project), 0);
    project.DeviceType = -1;
    EXPECT_EQ(ZoneCount(project), 0);
}
