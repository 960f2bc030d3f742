#pragma once
// The player's control as the batch driver sees it: five members reached by name. Any member may
// fail (throw); the callers ignore the failure and keep the previous value of a read.
#include <cstdint>
#include <stdexcept>

#include "app/prompts.h"
#include "common/text.h"

namespace ferrik {

class PlayerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Player {
public:
    virtual ~Player() = default;
    virtual void Stop() = 0;
    virtual void SetURL(TextView link) = 0;
    virtual void Play() = 0;
    virtual std::int32_t Downrate() = 0;   // above 0: data is arriving, the job was accepted
    virtual std::int32_t PlayState() = 0;  // read only while Downrate is 0 or less
};

// The values of PlayState that the batch driver tells apart.
enum PlayStateValue : std::int32_t {
    kPlayStateIdle = 0,  // went back to idle without taking the job
    kPlayStateAccepted = 3,
    kPlayStateQueued = 4,
    kPlayStateStarting = 10,  // still setting the job up: poll again
};

// Where a user without the player is sent to get it.
inline constexpr char16_t kPlayerDownloadPage[] = u"http://www.qvod.com/download.html";
inline constexpr char16_t kPlayerMissingText[] = u"您可能没有安装Qvod播放器。软件将自动打开qvod下载页面引导您下载。";

// Creation failed: tell the user, and once the box is closed open the vendor's download page.
inline void ReportMissingPlayer(Prompts& prompts) {
    prompts.ShowMessage(kPlayerMissingText, MessageIcon::Critical);
    prompts.ShellOpen(kPlayerDownloadPage);
}

}  // namespace ferrik
