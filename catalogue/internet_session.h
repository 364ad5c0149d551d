#pragma once

// The one internet session of the process: no handle until the first fetch that needs it,
// then shared by every fetch until the session object is destroyed.

#include "catalogue/http_platform.h"

namespace catalogue {

inline constexpr char user_agent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// What Windows documents as WinINet's defaults. Wine waits for an answer for ever unless told,
// so the request is given them explicitly and behaves alike on both.
inline constexpr Timeouts default_timeouts{60000, 30000, 30000};

class InternetSession {
public:
    explicit InternetSession(HttpPlatform& platform, Timeouts timeouts = default_timeouts)
        : platform_(platform), timeouts_(timeouts)
    {
    }
    ~InternetSession()
    {
        if (handle_ != nullptr) {
            platform_.close(handle_);
        }
    }
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    HttpPlatform& platform() const { return platform_; }
    const Timeouts& timeouts() const { return timeouts_; }
    bool is_open() const { return handle_ != nullptr; }

    // The session handle, opened on first use; nullptr when opening fails (the next call
    // tries again).
    Handle open()
    {
        if (handle_ == nullptr) {
            handle_ = platform_.open_session(user_agent);
        }
        return handle_;
    }

private:
    HttpPlatform& platform_;
    Timeouts timeouts_;
    Handle handle_ = nullptr;
};

}  // namespace catalogue
