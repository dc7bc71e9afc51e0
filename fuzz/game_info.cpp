// Fuzzes the reading of the game information: the input is the text of "RAW_002.wdt", and every
// key the launcher asks for is looked up in it with output buffers from one byte to the
// launcher's own sizes, with the line separator and with NUL as separator. A value must always
// come back cut to the buffer and terminated, whatever the text holds.
#include "GWData.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

char const* const kKeys[] = {
    "App Version String=",
    "Application Exec Path=",
    "Application ID=",
    "Application Name=",
    "Application Price=",
    "Brand X=",
    "Brand Y=",
    "Build X=",
    "Build Y=",
    "Developer Channel ID=",
    "Font Color App Name=",
    "Font Color Build=",
    "Track Child Processes=",
    "",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size) {
    // The launcher terminates the text it loads; so does the fuzzer, after the input's bytes.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    char output[1025];
    for (char const* key : kKeys) {
        for (long outputSize : {1L, 2L, 16L, 256L, 1025L}) {
            for (char separator : {'\n', '\0'}) {
                std::memset(output, 'x', sizeof output);
                long end = GWData::GetStringForLineStartingWith(output, outputSize, text.data(),
                                                                key, separator);
                if (std::memchr(output, '\0', static_cast<std::size_t>(outputSize)) == nullptr ||
                    end < 0 || end > static_cast<long>(text.size()) + outputSize) {
                    std::abort();
                }
            }
        }
    }
    return 0;
}
