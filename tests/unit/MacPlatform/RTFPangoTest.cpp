#include "Text/RTFReader.h"
#include "Text/StyledTextPango.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <string>
#include <vector>

using namespace MacPlatform;

namespace {

struct ShapedRun {
    std::string text;
    // "b", "i" and "u" for bold, italic and underlined.
    std::string style;
    std::string family;
    std::vector<PangoGlyph> glyphs;
    int width;
};

struct Shaped {
    // The glyph runs of the first line, with the font Pango chose for each.
    std::vector<ShapedRun> runs;
    // Whether each line starts a paragraph.
    std::vector<bool> paragraphStarts;
    int firstLineWidth = 0;
};

// The styled text laid out as a text view lays it out, on the process's shared Cairo font map,
// which needs no display (a font map of its own would leave fontconfig state behind that leak
// checkers report).
Shaped shape(const StyledText& styled, const char* font = "DejaVu Sans 12") {
    PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* description = pango_font_description_from_string(font);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    std::string text = textForShaping(styled);
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    PangoAttrList* attributes = createPangoAttributes(styled);
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);

    Shaped shaped;
    for (int k = 0; k < pango_layout_get_line_count(layout); ++k) {
        shaped.paragraphStarts.push_back(
            pango_layout_line_is_paragraph_start(pango_layout_get_line_readonly(layout, k)));
    }
    PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0);
    PangoRectangle extents;
    pango_layout_line_get_pixel_extents(line, nullptr, &extents);
    shaped.firstLineWidth = extents.width;
    for (GSList* item = line->runs; item; item = item->next) {
        auto* run = static_cast<PangoGlyphItem*>(item->data);
        PangoFontDescription* used = pango_font_describe(run->item->analysis.font);
        std::string style = pango_font_description_get_weight(used) >= PANGO_WEIGHT_BOLD ? "b" : "";
        if (pango_font_description_get_style(used) != PANGO_STYLE_NORMAL) {
            style += "i";
        }
        for (GSList* a = run->item->analysis.extra_attrs; a; a = a->next) {
            auto* attribute = static_cast<PangoAttribute*>(a->data);
            if (attribute->klass->type == PANGO_ATTR_UNDERLINE &&
                reinterpret_cast<PangoAttrInt*>(attribute)->value != PANGO_UNDERLINE_NONE) {
                style += "u";
            }
        }
        std::vector<PangoGlyph> glyphs;
        for (int g = 0; g < run->glyphs->num_glyphs; ++g) {
            glyphs.push_back(run->glyphs->glyphs[g].glyph);
        }
        shaped.runs.push_back({text.substr(static_cast<size_t>(run->item->offset),
                                           static_cast<size_t>(run->item->length)),
                               style, pango_font_description_get_family(used), glyphs,
                               pango_glyph_string_get_width(run->glyphs)});
        pango_font_description_free(used);
    }
    g_object_unref(layout);
    g_object_unref(context);
    return shaped;
}

Shaped shapeRTF(const std::string& rtf, const char* font = "DejaVu Sans 12") {
    RTFReadResult r = readRTF(rtf);
    EXPECT_EQ(r.status, RTFStatus::ok) << rtf;
    return shape(r.document, font);
}

} // namespace

TEST(RTFPango, StylesReachTheShapedRuns) {
    std::string runs;
    for (const ShapedRun& run :
         shapeRTF("{\\rtf1 plain {\\b bold}{\\i \\'e9t\\'e9}{\\ul under}}").runs) {
        runs += "[" + run.text + "|" + run.style + "]";
    }
    // Byte offsets: the two-byte \u00e9 must not shift the italic run.
    EXPECT_EQ(runs, "[plain |][bold|b][\u00e9t\u00e9|i][under|u]");
}

TEST(RTFPango, LineBreaksStayInTheirParagraph) {
    Shaped broken = shapeRTF("{\\rtf1 one\\line two\\par three}");
    EXPECT_EQ(broken.paragraphStarts, (std::vector<bool>{true, false, true}));
    // The separator draws nothing: the broken line is as wide as its text alone.
    EXPECT_EQ(broken.firstLineWidth, shape(StyledText{"one", {}, {}}).firstLineWidth);
}

TEST(RTFPango, CapitalsAndFontsAreAppliedWhenShaped) {
    // A default face that is not fontconfig's own fallback, to tell the two apart.
    auto runsOf = [](const std::string& rtf) { return shapeRTF(rtf, "Nimbus Sans 12").runs; };
    std::vector<ShapedRun> capitals = runsOf("{\\rtf1 LIMITED}");
    ASSERT_EQ(capitals.size(), 1u);
    std::vector<ShapedRun> caps = runsOf("{\\rtf1 {\\caps Limited}}");
    ASSERT_EQ(caps.size(), 1u);
    EXPECT_EQ(caps[0].glyphs, capitals[0].glyphs);
    // Small capitals: the capital as it is, the rest as capitals of a smaller size.
    std::vector<PangoGlyph> glyphs;
    int width = 0;
    for (const ShapedRun& run : runsOf("{\\rtf1 {\\scaps Limited}}")) {
        glyphs.insert(glyphs.end(), run.glyphs.begin(), run.glyphs.end());
        width += run.width;
    }
    EXPECT_EQ(glyphs, capitals[0].glyphs);
    EXPECT_LT(width, capitals[0].width);
    // Greek capitals drop the tonos.
    EXPECT_EQ(runsOf("{\\rtf1 {\\caps \\u902?\\u948?\\u949?\\u953?\\u945?\\u972?}}")[0].glyphs,
              runsOf("{\\rtf1 \\u913?\\u916?\\u917?\\u921?\\u913?\\u927?}")[0].glyphs);

    // A named font that fontconfig has a metric-compatible face for draws in that face; an
    // unknown one, and the picture fonts whose characters are Unicode now, in the default face.
    std::vector<ShapedRun> runs = runsOf("{\\rtf1{\\fonttbl{\\f0\\froman Times New Roman;}"
                                         "{\\f1 No Such Face;}{\\f2\\fcharset2 Symbol;}}"
                                         "\\f0 serif \\f1 unknown \\f2 \\'b7}");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(runs[0].family == "Liberation Serif" || runs[0].family == "Nimbus Roman")
        << runs[0].family;
    EXPECT_EQ(runs[1].text, "unknown \u2022");
    EXPECT_EQ(runs[1].family, "Nimbus Sans");
    std::string arial = resolveFontFamily("Arial");
    EXPECT_TRUE(arial == "Liberation Sans" || arial == "Nimbus Sans") << arial;
    EXPECT_EQ(resolveFontFamily("No Such Face,Arial"), arial);
}
