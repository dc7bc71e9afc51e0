// Feeds arbitrary bytes to the agreement-text readers. Each input is read as it is (so the
// header check and the plain-text fallback are exercised) and again behind an RTF header (so
// every input reaches the group and control-word parser). A broken invariant of the styled
// text model aborts, which libFuzzer reports like a crash.
#include "CoreFoundation/TextEncoding.h"
#include "Text/PlainText.h"
#include "Text/RTFReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void checkDocument(const MacPlatform::RTFReadResult& result, size_t inputSize) {
    const MacPlatform::StyledText& styled = result.document;
    check(MacPlatform::isValidUTF8(styled.text), "text is UTF-8");
    check(styled.text.size() <= 3 * inputSize, "text at most three bytes per input byte");
    size_t at = 0;
    for (size_t k = 0; k < styled.runs.size(); ++k) {
        check(styled.runs[k].start == at, "runs leave no gaps");
        check(styled.runs[k].start < styled.runs[k].end, "runs are not empty");
        check(k == 0 || !(styled.runs[k].style == styled.runs[k - 1].style),
              "neighbouring runs differ");
        at = styled.runs[k].end;
    }
    check(at == styled.text.size(), "runs cover the text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    MacPlatform::RTFReadResult asIs = MacPlatform::readRTF(bytes);
    if (asIs.status == MacPlatform::RTFStatus::ok) {
        checkDocument(asIs, size);
    } else {
        std::string plain = MacPlatform::decodePlainText(bytes);
        check(MacPlatform::isValidUTF8(plain), "plain text is UTF-8");
        check(plain.find('\r') == std::string::npos, "plain text has no CR");
    }

    std::string wrapped = "{\\rtf1 " + std::string(bytes);
    MacPlatform::RTFReadResult forced = MacPlatform::readRTF(wrapped);
    check(forced.status == MacPlatform::RTFStatus::ok, "header is recognised");
    checkDocument(forced, wrapped.size());
    return 0;
}
