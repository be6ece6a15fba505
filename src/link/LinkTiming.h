#pragma once

namespace kest {

/// How often and after what pause the link repeats one request, handed over by the
/// exchange window; 2 and 3000 ms until then.
struct LinkTiming
{
    int LinkAttempts = 2;
    int LinkRetryDelay = 3000; ///< milliseconds
};

} // namespace kest
