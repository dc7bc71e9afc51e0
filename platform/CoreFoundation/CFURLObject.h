// A file URL: a POSIX path, absolute or relative to a base folder, and whether it names a folder.
#pragma once

#include "CFRuntime.h"

#include <CoreFoundation/CFURL.h>

#include <string>

namespace MacPlatform {

class CFURLObject final : public CFObject {
public:
    CFURLObject(std::string path, bool isDirectory, CFURLRef base);
    ~CFURLObject() override;

    const std::string& path() const { return m_path; }
    bool isDirectory() const { return m_isDirectory; }
    CFURLRef base() const { return m_base; }
    // The path resolved against the base, with "." and ".." segments and doubled slashes removed.
    std::string absolutePath() const;

    bool equals(const CFObject& other) const override;
    CFHashCode hash() const override;

private:
    std::string m_path;
    bool m_isDirectory;
    CFURLRef m_base;
};

CFURLObject* urlObject(CFURLRef url);
// A new file URL (Create rule) for an absolute POSIX path.
CFURLRef createFileURL(const std::string& absolutePath, bool isDirectory);
std::string normalizePath(const std::string& path);

} // namespace MacPlatform
