#include "ui/tracks/trackplayer.h"

#include "model/error.h"
#include "model/modulefile.h"
#include "ui/tracks/player/playerbackend.h"

#include <dlfcn.h>
#include <unistd.h>

namespace {

struct TPlayerModule
{
    TCreatePlayerEntry Create = nullptr;
    THasAudioOutputEntry HasAudioOutput = nullptr;
};

/// The player module, loaded once; empty entries when it is missing, and then nothing plays.
const TPlayerModule &PlayerModule()
{
    static const TPlayerModule module = [] {
        for (const std::string &path : ModuleCandidates(PlayerModuleFileName)) {
            if (::access(path.c_str(), F_OK) != 0)
                continue;
            void *handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle == nullptr)
                continue;
            TPlayerModule found;
            found.Create = reinterpret_cast<TCreatePlayerEntry>(::dlsym(handle, CreatePlayerEntryName));
            found.HasAudioOutput = reinterpret_cast<THasAudioOutputEntry>(::dlsym(handle, HasAudioOutputEntryName));
            if (found.Create != nullptr && found.HasAudioOutput != nullptr)
                return found;
        }
        return TPlayerModule{};
    }();
    return module;
}

} // namespace

TTrackPlayer::TTrackPlayer(QObject *parent) : QObject(parent)
{
    if (PlayerModule().Create != nullptr)
        Backend.reset(
            PlayerModule().Create([](void *self) { emit static_cast<TTrackPlayer *>(self)->Finished(); }, this));
}

TTrackPlayer::~TTrackPlayer()
{
    if (Backend)
        Backend->Stop();
}

bool TTrackPlayer::HasAudioOutput()
{
    return PlayerModule().HasAudioOutput != nullptr && PlayerModule().HasAudioOutput();
}

void TTrackPlayer::Play(const std::string &path)
{
    if (!Backend)
        throw TFileError("Проигрыватель не установлен: нет модуля " + std::string(PlayerModuleFileName));
    const std::string failure = Backend->Play(path);
    if (!failure.empty())
        throw TFileError(failure);
}

void TTrackPlayer::Stop()
{
    if (Backend)
        Backend->Stop();
}

bool TTrackPlayer::IsPlaying() const
{
    return Backend && Backend->IsPlaying();
}
