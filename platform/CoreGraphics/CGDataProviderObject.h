// A provider's bytes: borrowed from the caller (handed back through its release callback), held
// through a CFData, or read from a file and owned.
#pragma once

#include "CGObjects.h"

#include <cstdint>
#include <vector>

namespace MacPlatform {

class CGDataProviderObject : public CFObject {
public:
    CGDataProviderObject(void* info, const void* data, size_t size,
                         CGDataProviderReleaseDataCallback releaseData);
    // Retains the data.
    explicit CGDataProviderObject(CFDataRef data);
    explicit CGDataProviderObject(std::vector<uint8_t> bytes);
    ~CGDataProviderObject() override;

    // A CFData is asked each time, as a mutable one may have moved its bytes since.
    const uint8_t* bytes() const;
    size_t size() const;
    // Whether bytes() stays the same address for the provider's whole life, so that an image may
    // draw straight from it; a CFData might be mutable and move its bytes.
    bool hasStableBytes() const { return m_cfData == nullptr; }

private:
    void* m_info = nullptr;
    const void* m_data = nullptr;
    size_t m_size = 0;
    CGDataProviderReleaseDataCallback m_releaseData = nullptr;
    CFDataRef m_cfData = nullptr;
    std::vector<uint8_t> m_owned;
};

inline CGDataProviderObject* toDataProvider(CGDataProviderRef provider) {
    return castRef<CGDataProviderObject>(provider, kTypeIDCGDataProvider);
}

} // namespace MacPlatform
