#include "PropertyListGuard.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace MacPlatform {

namespace {

constexpr std::string_view kBinaryMagic = "bplist00";

// Nesting of an XML list, counted from its container tags. Tags inside comments count too,
// which only makes the check stricter.
bool xmlIsSafe(std::string_view text) {
    // XML forbids NUL characters, and libplist's XML reader aborts the whole process on a NUL
    // inside a string: a damaged preference file must not be able to do that.
    if (text.find('\0') != std::string_view::npos) {
        return false;
    }
    size_t depth = 0;
    for (size_t i = text.find('<'); i != std::string_view::npos; i = text.find('<', i + 1)) {
        std::string_view rest = text.substr(i + 1);
        bool closing = !rest.empty() && rest[0] == '/';
        std::string_view name = closing ? rest.substr(1) : rest;
        bool container = name.substr(0, 5) == "array" || name.substr(0, 4) == "dict";
        if (!container) {
            continue;
        }
        size_t end = rest.find('>');
        if (end == std::string_view::npos) {
            return true; // unterminated: the parser refuses it without nesting further
        }
        if (closing) {
            depth = depth > 0 ? depth - 1 : 0;
        } else if (rest[end - 1] != '/' && ++depth > kMaxPropertyListDepth) {
            return false;
        }
    }
    return true;
}

class BinaryList {
public:
    explicit BinaryList(std::string_view bytes) : m_bytes(bytes) {}

    bool check() {
        if (m_bytes.size() < kBinaryMagic.size() + 32) {
            return true; // too short to be parsed at all
        }
        const size_t trailer = m_bytes.size() - 32;
        m_offsetSize = byte(trailer + 6);
        m_refSize = byte(trailer + 7);
        uint64_t count = bigEndian(trailer + 8, 8);
        uint64_t top = bigEndian(trailer + 16, 8);
        uint64_t table = bigEndian(trailer + 24, 8);
        if (m_offsetSize == 0 || m_offsetSize > 8 || m_refSize == 0 || m_refSize > 8 ||
            count == 0 || top >= count || table >= trailer ||
            count > (trailer - table) / m_offsetSize) {
            return false;
        }
        m_table = static_cast<size_t>(table);
        m_count = static_cast<size_t>(count);
        m_state.assign(m_count, kUnvisited);
        m_depth.assign(m_count, 0);
        m_size.assign(m_count, 0);
        return visit(static_cast<size_t>(top));
    }

private:
    enum State : uint8_t { kUnvisited, kOpen, kDone };
    struct Frame {
        size_t object;
        std::vector<size_t> children;
        size_t next = 0;
    };

    unsigned byte(size_t at) const { return static_cast<unsigned char>(m_bytes[at]); }
    uint64_t bigEndian(size_t at, size_t width) const {
        uint64_t value = 0;
        for (size_t i = 0; i < width; ++i) {
            value = (value << 8) | byte(at + i);
        }
        return value;
    }

    // The objects a container refers to; false when the object cannot be read.
    bool children(size_t object, std::vector<size_t>& out) const {
        out.clear();
        uint64_t offset = bigEndian(m_table + object * m_offsetSize, m_offsetSize);
        if (offset < kBinaryMagic.size() || offset >= m_table) {
            return false;
        }
        size_t at = static_cast<size_t>(offset);
        unsigned marker = byte(at);
        unsigned kind = marker >> 4;
        if (kind != 0xA && kind != 0xC && kind != 0xD) {
            return true; // a scalar
        }
        uint64_t n = marker & 0xF;
        ++at;
        if (n == 0xF) {
            if (at >= m_table || (byte(at) >> 4) != 0x1) {
                return false;
            }
            size_t width = size_t{1} << (byte(at) & 0xF);
            if (width > 8 || at + 1 + width > m_table) {
                return false;
            }
            n = bigEndian(at + 1, width);
            at += 1 + width;
        }
        uint64_t refs = kind == 0xD ? n * 2 : n;
        if (n > m_table || refs > (m_table - at) / m_refSize) {
            return false;
        }
        out.reserve(static_cast<size_t>(refs));
        for (uint64_t i = 0; i < refs; ++i) {
            uint64_t ref = bigEndian(at + static_cast<size_t>(i) * m_refSize, m_refSize);
            if (ref >= m_count) {
                return false;
            }
            out.push_back(static_cast<size_t>(ref));
        }
        return true;
    }

    // Depth-first walk with an explicit stack, remembering each object's depth and expanded
    // size so that shared objects cost once; a reference back to an open object is a cycle.
    bool visit(size_t top) {
        std::vector<Frame> stack;
        stack.push_back({top, {}});
        if (!children(top, stack.back().children)) {
            return false;
        }
        m_state[top] = kOpen;
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < frame.children.size()) {
                size_t child = frame.children[frame.next++];
                if (m_state[child] == kOpen) {
                    return false;
                }
                if (m_state[child] == kUnvisited) {
                    if (stack.size() >= kMaxPropertyListDepth) {
                        return false;
                    }
                    Frame next{child, {}};
                    if (!children(child, next.children)) {
                        return false;
                    }
                    m_state[child] = kOpen;
                    stack.push_back(std::move(next));
                }
                continue;
            }
            size_t depth = 0;
            size_t size = 1;
            for (size_t child : frame.children) {
                depth = std::max(depth, m_depth[child]);
                size += m_size[child];
                if (size > kMaxPropertyListObjects) {
                    return false;
                }
            }
            m_depth[frame.object] = depth + 1;
            m_size[frame.object] = size;
            m_state[frame.object] = kDone;
            if (depth + 1 > kMaxPropertyListDepth) {
                return false;
            }
            stack.pop_back();
        }
        return true;
    }

    std::string_view m_bytes;
    size_t m_offsetSize = 0;
    size_t m_refSize = 0;
    size_t m_table = 0;
    size_t m_count = 0;
    std::vector<State> m_state;
    std::vector<size_t> m_depth;
    std::vector<size_t> m_size;
};

} // namespace

bool propertyListIsSafeToParse(std::string_view bytes) {
    if (bytes.substr(0, kBinaryMagic.size()) == kBinaryMagic) {
        return BinaryList(bytes).check();
    }
    return xmlIsSafe(bytes);
}

} // namespace MacPlatform
