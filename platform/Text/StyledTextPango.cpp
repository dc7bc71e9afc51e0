#include "StyledTextPango.h"

#include <fontconfig/fontconfig.h>
#include <pango/pango.h>

#include <algorithm>
#include <array>
#include <limits>
#include <unordered_map>

namespace MacPlatform {

namespace {

void insertAttribute(PangoAttrList* list, PangoAttribute* attribute, const StyleRun& run) {
    constexpr size_t limit = std::numeric_limits<guint>::max();
    attribute->start_index = static_cast<guint>(std::min(run.start, limit));
    attribute->end_index = static_cast<guint>(std::min(run.end, limit));
    pango_attr_list_insert(list, attribute);
}

// The family of the face fontconfig picks for a family name, after its aliases.
std::string matchedFamily(const std::string& family) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string matched;
    FcChar8* name = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) {
        matched = reinterpret_cast<const char*>(name);
    }
    if (match) {
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return matched;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// A Greek vowel with tonos (or dialytika and tonos) and the same vowel without the tonos.
const char16_t kGreekTonos[][2] = {
    {0x0386, 0x0391}, {0x0388, 0x0395}, {0x0389, 0x0397}, {0x038A, 0x0399},
    {0x038C, 0x039F}, {0x038E, 0x03A5}, {0x038F, 0x03A9}, {0x0390, 0x03CA},
    {0x03AC, 0x03B1}, {0x03AD, 0x03B5}, {0x03AE, 0x03B7}, {0x03AF, 0x03B9},
    {0x03B0, 0x03CB}, {0x03CC, 0x03BF}, {0x03CD, 0x03C5}, {0x03CE, 0x03C9},
};

} // namespace

std::string textForShaping(const StyledText& styled) {
    std::string text = styled.text;
    for (const StyleRun& run : styled.runs) {
        if (!run.style.caps && !run.style.smallCaps) {
            continue;
        }
        for (size_t k = run.start; k + 1 < run.end; ++k) {
            auto lead = static_cast<unsigned char>(text[k]);
            auto trail = static_cast<unsigned char>(text[k + 1]);
            if (lead != 0xCE && lead != 0xCF) {
                continue;
            }
            char16_t c = static_cast<char16_t>(((lead & 0x1F) << 6) | (trail & 0x3F));
            for (const auto& [accented, plain] : kGreekTonos) {
                if (c == accented) {
                    text[k] = static_cast<char>(0xC0 | (plain >> 6));
                    text[k + 1] = static_cast<char>(0x80 | (plain & 0x3F));
                }
            }
            ++k;
        }
    }
    return text;
}

std::string resolveFontFamily(std::string_view families) {
    // fontconfig answers every name with some face; the faces it gives for the generic
    // families are what it gives for a name it does not know.
    static const std::array<std::string, 3> fallbacks = {
        matchedFamily("sans-serif"), matchedFamily("serif"), matchedFamily("monospace")};
    // Files name few fonts, and a licence is laid out again at every width.
    static std::unordered_map<std::string, std::string> resolved;
    auto [entry, added] = resolved.try_emplace(std::string(families));
    if (!added) {
        return entry->second;
    }
    size_t start = 0;
    while (start <= families.size()) {
        size_t comma = std::min(families.find(',', start), families.size());
        std::string name(families.substr(start, comma - start));
        start = comma + 1;
        if (name.empty()) {
            continue;
        }
        std::string matched = matchedFamily(name);
        bool isFallback = std::find(fallbacks.begin(), fallbacks.end(), matched) != fallbacks.end();
        if (!matched.empty() && (equalsIgnoringCase(matched, name) || !isFallback)) {
            entry->second = matched;
            break;
        }
    }
    return entry->second;
}

PangoAttrList* createPangoAttributes(const StyledText& styled) {
    PangoAttrList* list = pango_attr_list_new();
    for (const StyleRun& run : styled.runs) {
        const TextStyle& style = run.style;
        if (style.bold) {
            insertAttribute(list, pango_attr_weight_new(PANGO_WEIGHT_BOLD), run);
        }
        if (style.italic) {
            insertAttribute(list, pango_attr_style_new(PANGO_STYLE_ITALIC), run);
        }
        if (style.underline) {
            insertAttribute(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE), run);
        }
        if (style.caps) {
            insertAttribute(list, pango_attr_text_transform_new(PANGO_TEXT_TRANSFORM_UPPERCASE),
                            run);
        } else if (style.smallCaps) {
            insertAttribute(list, pango_attr_variant_new(PANGO_VARIANT_SMALL_CAPS), run);
        }
        if (style.font >= 0 && static_cast<size_t>(style.font) < styled.fonts.size()) {
            std::string family = resolveFontFamily(styled.fonts[style.font]);
            if (!family.empty()) {
                insertAttribute(list, pango_attr_family_new(family.c_str()), run);
            }
        }
    }
    return list;
}

} // namespace MacPlatform
