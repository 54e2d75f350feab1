#include "device/cardcheck.h"

#include "device/cardreport.h"
#include "device/trackverify.h"
#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(CardCheck, NamesEveryDifferenceBetweenTheCardAndThePlayList)
{
    TTempFolder folder;
    const std::string card = folder.File("card") + "/", src = folder.File("src") + "/";
    fs::create_directories(card);
    fs::create_directories(src);
    std::vector<std::string> playList;
    for (int i = 1; i <= 5; ++i) {
        WriteFileAtomically(src + std::to_string(i), std::string(1000 + i, char('a' + i)));
        playList.push_back(std::to_string(i) + ";" + src + std::to_string(i));
        WriteFileAtomically(card + "00" + std::to_string(i) + ".mp3", std::string(1000 + i, char('a' + i)));
    }
    // The card as the copy leaves it: nothing to name.
    TCardCheck check = CheckCard(playList, card);
    EXPECT_THAT(check.Differences, IsEmpty());
    EXPECT_EQ(check.Summary(), "Карта совпадает с плейлистом: треков 5");

    // One missing, one changed, one cut short, one extra, one torn, and a track whose source is gone.
    fs::remove(card + "001.mp3");
    WriteFileAtomically(card + "002.mp3", std::string(1002, 'x'));
    WriteFileAtomically(card + "003.mp3", std::string(1003 - 1, 'd'));
    WriteFileAtomically(card + "009.mp3", "nobody's");
    WriteFileAtomically(card + "004.mp3.Ab3dE9", "half");
    fs::remove(src + "5");
    fs::rename(card + "004.mp3", card + "004.MP3"); // another program's spelling is the same file
    check = CheckCard(playList, card);
    EXPECT_THAT(check.Differences,
                ElementsAre(AbsentTrackLine(1),
                            "трек 2: файл '" + card + "002.mp3' на карте отличается от '" + src + "2'",
                            "трек 3: файл '" + card + "003.mp3' на карте отличается от '" + src + "3'",
                            "трек 5: исходного файла '" + src + "5' нет — сравнить не с чем",
                            ExtraCardFileLine(card + "009.mp3"),
                            "Файл '" + card + "004.mp3.Ab3dE9' — недописанная копия прерванного копирования"));
    EXPECT_EQ(check.Summary(), "Отличий карты от плейлиста: 6");
}
