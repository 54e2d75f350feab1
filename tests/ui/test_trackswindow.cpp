// The track window: what each track file holds, the overlaps, listening and editing a line.
#include "support/window_fixture.h"

#include "storage/fileio.h"
#include "ui/dialogs/playlist.h"
#include "ui/tracks/trackplayer.h"
#include "ui/tracks/trackswindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {

class TracksWindow : public TWindowTest
{
protected:
    void SetUp() override
    {
        TWindowTest::SetUp();
        // 61 seconds of near silence, 8 kHz mono, encoded by lame.
        std::string wav = "RIFF";
        const uint32_t bytes = 61 * 8000 * 2;
        const auto put = [&wav](uint32_t value, int n) {
            for (int i = 0; i < n; ++i)
                wav.push_back(char(value >> (8 * i)));
        };
        put(36 + bytes, 4);
        wav += "WAVEfmt ";
        put(16, 4), put(1, 2), put(1, 2), put(8000, 4), put(16000, 4), put(2, 2), put(16, 2);
        wav += "data";
        put(bytes, 4);
        wav.append(bytes, '\1');
        WriteFileAtomically(PathIn("march.wav"), wav);
        const std::string lame = "lame --quiet -b 16 '" + PathIn("march.wav") + "' '" + PathIn("march.mp3") + "'";
        ASSERT_EQ(std::system(lame.c_str()), 0) << "lame is needed (scripts/install-deps)";

        // The march in the gym at 08:30 and a bell at 08:31 in the main building: the one player
        // makes them meet though they share no zone. Track 5 has no line.
        OpenProject(4);
        Group(1).Zones[1] = true;
        Group(2).Zones[2] = true;
        TScenario &march = Scenario(2, 1, 8, 30, "Марш");
        march.Track = 1;
        march.Days[0] = true;
        TScenario &bell = Scenario(1, 2, 8, 31, "Звонок");
        bell.Track = 5;
        bell.Days[0] = true;
        PlayList() = {"1;" + PathIn("march.mp3"), "2;" + PathIn("march.wav"), "no path"};
    }

    TTracksWindow &Open()
    {
        for (QAction *action : Ui().miView->actions())
            if (action->text() == U("&Треки ..."))
                action->trigger();
        TTracksWindow *window = Window->findChild<TTracksWindow *>();
        EXPECT_NE(window, nullptr);
        return *window;
    }

    static QStringList Column(const TTracksWindow &window, int column)
    {
        QStringList texts;
        for (int i = 0; i < window.tvTracks->topLevelItemCount(); ++i)
            texts << window.tvTracks->topLevelItem(i)->text(column);
        return texts;
    }
};

} // namespace

TEST_F(TracksWindow, ListsProblemsFirstInRedThenTheGoodTracksAndTheOverlapBelow)
{
    TTracksWindow &window = Open();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(Column(window, 0), (QStringList{U("2"), U("0"), U("5"), U("1")}));
    EXPECT_EQ(Column(window, 2), (QStringList{U("не MP3: это файл WAV; не используется в сценариях"),
                                              U("путь к файлу не задан; не используется в сценариях"),
                                              U("трека нет в плейлисте"), U("в порядке")}));
    EXPECT_EQ(window.tvTracks->topLevelItem(0)->foreground(2).color(), QColor(Qt::red));
    EXPECT_NE(window.tvTracks->topLevelItem(3)->foreground(2).color(), QColor(Qt::red));
    EXPECT_EQ(window.tvTracks->topLevelItem(3)->text(6), U("MPEG-2.5 Layer III, 8000 Гц, моно, 16 кбит/с"));
    ASSERT_EQ(window.lbOverlaps->count(), 1);
    EXPECT_TRUE(window.lbOverlaps->item(0)->text().startsWith(U("Наложение звука: трек 1 (")));
    EXPECT_EQ(window.lbSummary->text(), U("Треков с ошибками: 3, наложений звука: 1"));

    // A second command shows the same window; a changed playlist shows once it is looked at again.
    PlayList().pop_back();
    Open();
    EXPECT_EQ(Window->findChildren<TTracksWindow *>().size(), 1);
    window.Refresh();
    EXPECT_EQ(window.tvTracks->topLevelItemCount(), 3);
}

TEST_F(TracksWindow, ListeningNeedsAnAudioOutputAndAPlayableTrack)
{
    TTracksWindow &window = Open();
    window.tvTracks->setCurrentItem(window.tvTracks->topLevelItem(0)); // the WAV
    EXPECT_FALSE(window.btPlay->isEnabled());
    window.tvTracks->setCurrentItem(window.tvTracks->topLevelItem(3)); // the march
    EXPECT_EQ(window.btPlay->isEnabled(), TTrackPlayer::HasAudioOutput());
}

TEST_F(TracksWindow, DoubleClickEditsThatLineAndKeepsEveryOther)
{
    TTracksWindow &window = Open();
    QStringList shown;
    Prompts.AnswerModal(1, [&](QDialog &) {
        TfrPlayList &editor = *frPlayList();
        shown = editor.Lines();
        EXPECT_EQ(editor.edNumber->text(), U("5"));
        editor.lbPlayList->currentItem()->setText(U("Трек:5 Путь:/music/bell.mp3"));
    });
    emit window.tvTracks->itemDoubleClicked(window.tvTracks->topLevelItem(2), 0); // track 5, not in the playlist
    EXPECT_EQ(shown, (QStringList{U("Трек:1 Путь:") + QString::fromStdString(PathIn("march.mp3")),
                                  U("Трек:2 Путь:") + QString::fromStdString(PathIn("march.wav")), U("Трек:5 Путь:")}));
    const std::vector<std::string> expected{"1;" + PathIn("march.mp3"), "2;" + PathIn("march.wav"), "5;/music/bell.mp3",
                                            "no path"};
    EXPECT_EQ(PlayList(), expected);
    EXPECT_TRUE(Modified());
    const qsizetype five = Column(window, 0).indexOf(U("5"));
    EXPECT_EQ(Column(window, 2).value(five).toStdString(), "файл отсутствует"); // looked at again

    // Closed without OK: nothing changes.
    SetModified(false);
    Prompts.CloseDialog(U("Плейлист"));
    emit window.tvTracks->itemDoubleClicked(window.tvTracks->topLevelItem(0), 0);
    EXPECT_EQ(PlayList(), expected);
    EXPECT_FALSE(Modified());
}

// A state longer than its column wraps onto more lines rather than losing its middle; a column wide
// enough for it keeps the row one line high.
TEST_F(TracksWindow, AStateLongerThanItsColumnWrapsOntoMoreLines)
{
    TTracksWindow &window = Open();
    const auto height = [&window](int row) {
        QApplication::processEvents();
        return window.tvTracks->visualItemRect(window.tvTracks->topLevelItem(row)).height();
    };
    ASSERT_EQ(window.tvTracks->topLevelItem(3)->text(2), U("в порядке"));
    window.tvTracks->setColumnWidth(2, 120);
    EXPECT_GE(height(0), 2 * height(3) - 2) << "the WAV row's state on two lines or more";
    window.tvTracks->setColumnWidth(2, 1200);
    EXPECT_EQ(height(0), height(3));
}
