// Verdicts of the path probes, kept between verification passes. The pass runs five times a
// second over every element; most elements name the same few folders, and a probe of the file
// system is the costly part. So each distinct path is probed at most once per pass, paths shown
// on screen are probed every pass, and the others again on a rotating budget that still reaches
// each of them within two seconds.
#pragma once

#include "platform/Services.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace varnook {

class TPathProbeCache {
public:
    using Clock = std::chrono::steady_clock;

    // Starts a pass at now. The pass's budget for stale paths grows with the number of paths the
    // previous pass asked for.
    void BeginPass(Clock::time_point now);
    enum class TUrgency {
        Rotate, // off screen: probed again once stale, as the pass's budget allows
        InView, // on screen: probed once in every pass
        Now,    // just edited: probed at once
    };
    // The verdict for item: probed when it has none yet, or as its urgency says.
    bool IsWrong(platform::IFileSystem& fs, const std::u16string& item, TUrgency urgency);
    // Forgets every verdict (after a refresh, or when the file system says things changed).
    void Clear() { entries_.clear(); }

    size_t ProbesInPass() const { return probesInPass_; }
    size_t Size() const { return entries_.size(); }

    // A path not probed for this long is probed again as the budget allows.
    static constexpr Clock::duration kRefreshAge = std::chrono::milliseconds(1000);
    // Every path's verdict is at most this old, whatever the budget.
    static constexpr Clock::duration kMaxAge = std::chrono::milliseconds(2000);

private:
    struct Entry {
        bool wrong = false;
        Clock::time_point probed;
        uint64_t pass = 0;     // the pass that last probed it
        uint64_t lastUsed = 0; // the pass that last asked for it
    };

    static bool Probe(platform::IFileSystem& fs, const std::u16string& item);

    std::unordered_map<std::u16string, Entry> entries_;
    uint64_t pass_ = 0;
    Clock::time_point now_{};
    size_t budget_ = 0;
    size_t probesInPass_ = 0;
    size_t askedLastPass_ = 0;
    size_t askedInPass_ = 0;
};

} // namespace varnook
