#include "CFRuntime.h"

#include <CoreFoundation/CFDate.h>

#include <cmath>
#include <ctime>
#include <functional>

namespace MacPlatform {

namespace {

class CFDateObject final : public CFObject {
public:
    explicit CFDateObject(CFAbsoluteTime at) : CFObject(kTypeIDDate), m_at(at) {}
    CFAbsoluteTime time() const { return m_at; }

    bool equals(const CFObject& other) const override {
        return static_cast<const CFDateObject&>(other).m_at == m_at;
    }
    CFHashCode hash() const override { return std::hash<double>{}(m_at); }
    std::string description() const override {
        // ISO 8601 in UTC, to the second.
        double unixSeconds = std::floor(m_at + kCFAbsoluteTimeIntervalSince1970);
        if (!(std::fabs(unixSeconds) < 1e15)) {
            return "<invalid date>";
        }
        time_t seconds = static_cast<time_t>(unixSeconds);
        struct tm parts;
        char text[64];
        if (!gmtime_r(&seconds, &parts) ||
            strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &parts) == 0) {
            return "<invalid date>";
        }
        return text;
    }

private:
    CFAbsoluteTime m_at;
};

} // namespace

} // namespace MacPlatform

using namespace MacPlatform;

extern "C" {

CFAbsoluteTime CFAbsoluteTimeGetCurrent(void) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) - kCFAbsoluteTimeIntervalSince1970 +
           static_cast<double>(now.tv_nsec) * 1e-9;
}

CFTypeID CFDateGetTypeID(void) {
    return kTypeIDDate;
}

CFDateRef CFDateCreate(CFAllocatorRef, CFAbsoluteTime at) {
    return toRef<CFDateRef>(new CFDateObject(at));
}

CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef theDate) {
    auto* object = castRef<CFDateObject>(theDate, kTypeIDDate);
    return object ? object->time() : 0;
}

} // extern "C"
