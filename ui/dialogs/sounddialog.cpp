#include "ui/dialogs/sounddialog.h"

#include "device/tracklist.h"
#include "model/codepage.h"
#include "model/lib.h"
#include "storage/fileio.h"
#include "storage/soundnote.h"
#include "ui/dialogs/prompts.h"
#include "ui/dialogs/soundjob.h"
#include "ui/document/playlistchange.h"
#include "ui/document/projectdocument.h"
#include "ui/tracks/trackplayer.h"
#include "ui/widgets/modeltext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr TBellTone Kinds[] = {TBellTone::School, TBellTone::Chime, TBellTone::Gong};

// The folder the operator last chose for a sound, for the next one in this run.
QString ChosenFolder;
// "Создать ещё" as the operator left it, for the next opening in this run.
bool MakeMore = false;

int LineOfTrack(const std::vector<std::string> &playList, int32_t track)
{
    for (size_t i = 0; i < playList.size(); ++i)
        if (playList[i].find(';') != std::string::npos && LeadingNumber(playList[i]) == track)
            return static_cast<int>(i);
    return -1;
}

} // namespace

TfrSound::TfrSound(TProjectDocument &document, Prompts &prompts, int playListLine, QWidget *parent)
    : QDialog(parent), Document(document), FPrompts(prompts), PlayListLine(playListLine), Job(new TSoundJob(this)),
      Player(new TTrackPlayer(this)), HasOutput(TTrackPlayer::HasAudioOutput())
{
    setObjectName(u"frSound"_s);
    setWindowTitle(u"Создать звук"_s);

    rbBell = new QRadioButton(u"&Звонок"_s, this);
    cbBellKind = new QComboBox(this);
    cbBellKind->addItems({u"Школьный звонок"_s, u"Динь-дон"_s, u"Гонг"_s});
    seSeconds = new QSpinBox(this);
    seSeconds->setRange(1, 60);
    seSeconds->setSuffix(u" с"_s);
    rbSpeech = new QRadioButton(u"&Объявление"_s, this);
    mmText = new QPlainTextEdit(this);
    mmText->setPlaceholderText(u"Текст объявления, не длиннее %1 знаков"_s.arg(MaxAnnouncementCharacters));
    mmText->setTabChangesFocus(true);
    cbChime = new QCheckBox(u"&Гонг перед объявлением"_s, this);
    lbState = new QLabel(this);
    lbState->setWordWrap(true);
    btListen = new QPushButton(u"&Прослушать"_s, this);
    if (!HasOutput)
        btListen->setToolTip(u"В системе нет звукового выхода"_s);
    seTrack = new QSpinBox(this);
    seTrack->setRange(1, 999);
    btAdd = new QPushButton(this);
    cbMore = new QCheckBox(u"Создать &ещё"_s, this);
    cbMore->setToolTip(u"Не закрывать окно после добавления: следующий звук получит следующий свободный номер"_s);
    cbMore->setChecked(MakeMore);
    auto *btClose = new QPushButton(u"Закрыть"_s, this);

    auto *bell = new QHBoxLayout;
    bell->addWidget(cbBellKind, 1);
    bell->addWidget(seSeconds);
    auto *track = new QHBoxLayout;
    track->addWidget(new QLabel(u"Трек:"_s, this));
    track->addWidget(seTrack);
    track->addWidget(btAdd, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btListen);
    buttons->addStretch(1);
    buttons->addWidget(cbMore);
    buttons->addWidget(btClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(rbBell);
    layout->addLayout(bell);
    layout->addWidget(rbSpeech);
    layout->addWidget(mmText, 1);
    layout->addWidget(cbChime);
    layout->addWidget(lbState);
    layout->addLayout(track);
    layout->addLayout(buttons);
    resize(520, 420);

    // A line made again starts from what it was: its note's words, or a bell.
    const std::vector<std::string> &playList = Document.PlayList();
    std::optional<TAnnouncement> note;
    if (PlayListLine >= 0 && PlayListLine < int(playList.size())) {
        seTrack->setValue(LeadingNumber(playList[PlayListLine]));
        if (const std::string path(TextAfter(playList[PlayListLine], ";")); !path.empty())
            note = ReadSoundNote(path);
    } else {
        PlayListLine = -1;
        seTrack->setValue(std::max(1, FirstFreeTrack(playList)));
    }
    (note ? rbSpeech : rbBell)->setChecked(true);
    if (note) {
        mmText->setPlainText(FromModel(note->Text));
        cbChime->setChecked(note->Chime);
    }
    seSeconds->setValue(DefaultBellSeconds(Kinds[0]));

    connect(cbBellKind, &QComboBox::currentIndexChanged, this,
            [this](int kind) { seSeconds->setValue(DefaultBellSeconds(Kinds[std::clamp(kind, 0, 2)])); });
    connect(rbBell, &QRadioButton::toggled, this, &TfrSound::UpdateButtons);
    connect(seTrack, &QSpinBox::valueChanged, this, &TfrSound::UpdateButtons);
    connect(btListen, &QPushButton::clicked, this, &TfrSound::btListenClick);
    connect(btAdd, &QPushButton::clicked, this, &TfrSound::btAddClick);
    connect(btClose, &QPushButton::clicked, this, &TfrSound::reject);
    connect(cbMore, &QCheckBox::toggled, this, [](bool more) { MakeMore = more; });
    connect(Player, &TTrackPlayer::Finished, this, &TfrSound::UpdateButtons);
    connect(Job, &TSoundJob::Done, this, [this](const QString &error, const TLoudness &loudness) {
        std::function<void(const TLoudness &)> then = std::move(AfterJob);
        if (!error.isEmpty())
            ShowState(error, true);
        else
            then(loudness);
        UpdateButtons();
    });
    UpdateButtons();
}

TfrSound::~TfrSound()
{
    Player->Stop(); // the scratch file goes with the dialog
}

TSoundRecipe TfrSound::Recipe() const
{
    TSoundRecipe recipe;
    recipe.Speech = rbSpeech->isChecked();
    recipe.Bell = Kinds[std::clamp(cbBellKind->currentIndex(), 0, 2)];
    recipe.Seconds = seSeconds->value();
    recipe.Announcement.Text = mmText->toPlainText().toStdString();
    recipe.Announcement.Chime = cbChime->isChecked();
    return recipe;
}

QString TfrSound::Problem() const
{
    return rbSpeech->isChecked() ? FromModel(AnnouncementTextProblem(mmText->toPlainText().toStdString())) : QString();
}

void TfrSound::ShowState(const QString &text, bool failure)
{
    lbState->setText(text);
    lbState->setStyleSheet(failure ? u"color: red"_s : QString());
}

void TfrSound::UpdateButtons()
{
    const bool busy = Job->Running();
    for (QWidget *field : std::initializer_list<QWidget *>{rbBell, rbSpeech, seTrack, btAdd})
        field->setEnabled(!busy);
    cbBellKind->setEnabled(!busy && rbBell->isChecked());
    seSeconds->setEnabled(!busy && rbBell->isChecked());
    mmText->setEnabled(!busy && rbSpeech->isChecked());
    cbChime->setEnabled(!busy && rbSpeech->isChecked());
    btListen->setEnabled(HasOutput && !busy);
    btListen->setText(Player->IsPlaying() ? u"&Остановить"_s : u"&Прослушать"_s);
    btAdd->setText(u"&Добавить в плейлист как трек %1"_s.arg(seTrack->value()));
}

void TfrSound::Make(const QString &path, std::function<void(const TLoudness &)> then)
{
    Player->Stop();
    AfterJob = std::move(then);
    ShowState(u"Звук создаётся…"_s);
    Job->Start(path.toStdString(), Recipe());
    UpdateButtons();
}

void TfrSound::btListenClick()
{
    if (Player->IsPlaying()) {
        Player->Stop();
        return;
    }
    if (const QString problem = Problem(); !problem.isEmpty())
        return ShowState(problem, true);
    const QString path = Scratch.filePath(u"sound.mp3"_s);
    Make(path, [this, path](const TLoudness &loudness) {
        ShowState(FromModel(LoudnessText(loudness)));
        if (HasOutput)
            Player->Play(path.toStdString());
    });
}

QString TfrSound::ProposedPath(int32_t track) const
{
    QString folder = ChosenFolder;
    if (folder.isEmpty()) {
        const std::string &project = Document.Project().FileName;
        folder = (project.empty() ? QDir::homePath() : QFileInfo(FromModel(project)).absolutePath()) + u"/Звуки"_s;
    }
    return folder + u"/Трек %1.mp3"_s.arg(track);
}

void TfrSound::btAddClick()
{
    if (const QString problem = Problem(); !problem.isEmpty())
        return ShowState(problem, true);
    const int32_t track = seTrack->value();
    const std::vector<std::string> &playList = Document.PlayList();
    int line = PlayListLine >= 0 && LeadingNumber(playList[PlayListLine]) == track ? PlayListLine
                                                                                   : LineOfTrack(playList, track);
    if (line >= 0 && line != PlayListLine &&
        !FPrompts.AskYesNo(windowTitle(),
                           u"Трек %1 уже есть в плейлисте. Заменить его файл новым звуком?"_s.arg(track)))
        return;
    const std::string current = line >= 0 ? std::string(TextAfter(playList[line], ";")) : std::string();
    // Proposed without its extension: the dialog adds it, as to whatever name is typed.
    QString proposed = current.empty() ? ProposedPath(track) : FromModel(current);
    if (const QString suffix = QFileInfo(proposed).suffix(); !suffix.isEmpty())
        proposed.chop(suffix.size() + 1);
    const auto choice = FPrompts.SaveFileAs(u"Сохранить звук"_s, u"Звуки MP3 (*.mp3)"_s,
                                            {{u".mp3"_s, Prompts::TExtensionRule::Ending}}, proposed);
    if (!choice)
        return;
    const QString path = choice->Path;
    if (!Utf8ToCp1251(path.toStdString())) // the project file could not be saved with it
        return ShowState(u"В пути %1 есть знаки, которых нет в кодировке файла проекта (Windows-1251)"_s.arg(path),
                         true);
    ChosenFolder = QFileInfo(path).absolutePath();
    QDir().mkpath(ChosenFolder); // the proposed "Звуки" folder is made on first use
    Make(path, [this, path, track, line](const TLoudness &) { Keep(path, track, line); });
}

void TfrSound::Keep(const QString &path, int32_t track, int line)
{
    const std::string file = path.toStdString(); // written with its words, or none for a bell, by the job
    std::vector<std::string> playList = Document.PlayList();
    const std::string entry = std::to_string(track) + ";" + file;
    if (line >= 0 && line < int(playList.size()))
        playList[line] = entry;
    else
        playList.push_back(entry);
    if (playList != Document.PlayList())
        Document.Do(new TPlayListChange(Document, std::move(playList), u"звук трека %1"_s.arg(track)));
    if (!cbMore->isChecked())
        return accept();
    // The next sound is a new line: the words stay for the operator to change, the number moves on.
    PlayListLine = -1;
    seTrack->setValue(std::max(1, FirstFreeTrack(Document.PlayList())));
    ShowState(u"Трек %1 добавлен в плейлист: %2"_s.arg(track).arg(path));
}

void TfrSound::reject()
{
    if (!Job->Running()) // a file half made is not left to a closed dialog
        QDialog::reject();
}
