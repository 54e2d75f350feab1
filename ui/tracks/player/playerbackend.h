#pragma once

#include <string>

// The audio player lives in a module of its own (libsigcfg-player.so): Qt Multimedia brings the
// sound server's client, Kerberos and the network stack with it, which the window's start should
// not load for a button that few press. No exception and no Qt signal crosses the boundary.

/// A player of one track at a time; Finished is called when playing ends for any reason.
class TPlayerBackend
{
public:
    virtual ~TPlayerBackend() = default;
    /// Stops what plays and starts path; "" when it plays, else the operator's text of why not.
    virtual std::string Play(const std::string &path) = 0;
    virtual void Stop() = 0;
    virtual bool IsPlaying() const = 0;
};

extern "C" {
using TFinishedFn = void (*)(void *context);
/// A new player that calls finished(context) whenever playing ends; the caller owns it.
using TCreatePlayerEntry = TPlayerBackend *(*)(TFinishedFn finished, void *context);
/// False where the system has no audio output.
using THasAudioOutputEntry = bool (*)();
}

inline constexpr const char *PlayerModuleFileName = "libsigcfg-player.so";
inline constexpr const char *CreatePlayerEntryName = "SigCreatePlayer";
inline constexpr const char *HasAudioOutputEntryName = "SigHasAudioOutput";
