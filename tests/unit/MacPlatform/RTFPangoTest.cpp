#include "Text/RTFReader.h"
#include "Text/StyledTextPango.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <string>
#include <vector>

using namespace MacPlatform;

namespace {

// A layout on the process's shared Cairo font map, which needs no display. A font map of its
// own would leave fontconfig state behind that leak checkers report.
class Layout {
public:
    explicit Layout(const char* font = "DejaVu Sans 12") {
        m_context = pango_font_map_create_context(pango_cairo_font_map_get_default());
        m_layout = pango_layout_new(m_context);
        PangoFontDescription* description = pango_font_description_from_string(font);
        pango_layout_set_font_description(m_layout, description);
        pango_font_description_free(description);
    }
    ~Layout() {
        g_object_unref(m_layout);
        g_object_unref(m_context);
    }
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    PangoLayout* get() { return m_layout; }

    void setStyledText(const StyledText& styled) {
        std::string text = textForShaping(styled);
        pango_layout_set_text(m_layout, text.data(), static_cast<int>(text.size()));
        PangoAttrList* attributes = createPangoAttributes(styled);
        pango_layout_set_attributes(m_layout, attributes);
        pango_attr_list_unref(attributes);
    }

private:
    PangoContext* m_context;
    PangoLayout* m_layout;
};

struct ShapedRun {
    std::string text;
    PangoWeight weight;
    PangoStyle style;
    bool underlined;
    std::string family;
    std::vector<PangoGlyph> glyphs;
    int width;
};

// The glyph runs of the layout's first line with the font Pango chose for each.
std::vector<ShapedRun> shapedRuns(PangoLayout* layout) {
    std::vector<ShapedRun> runs;
    const char* text = pango_layout_get_text(layout);
    PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0);
    for (GSList* item = line->runs; item; item = item->next) {
        auto* run = static_cast<PangoGlyphItem*>(item->data);
        PangoFontDescription* font = pango_font_describe(run->item->analysis.font);
        bool underlined = false;
        for (GSList* a = run->item->analysis.extra_attrs; a; a = a->next) {
            auto* attribute = static_cast<PangoAttribute*>(a->data);
            if (attribute->klass->type == PANGO_ATTR_UNDERLINE &&
                reinterpret_cast<PangoAttrInt*>(attribute)->value != PANGO_UNDERLINE_NONE) {
                underlined = true;
            }
        }
        std::vector<PangoGlyph> glyphs;
        for (int g = 0; g < run->glyphs->num_glyphs; ++g) {
            glyphs.push_back(run->glyphs->glyphs[g].glyph);
        }
        runs.push_back({std::string(text + run->item->offset, run->item->length),
                        pango_font_description_get_weight(font),
                        pango_font_description_get_style(font), underlined,
                        pango_font_description_get_family(font), glyphs,
                        pango_glyph_string_get_width(run->glyphs)});
        pango_font_description_free(font);
    }
    return runs;
}

} // namespace

TEST(RTFPango, StylesReachTheShapedRuns) {
    RTFReadResult r = readRTF("{\\rtf1 plain {\\b bold}{\\i \\'e9t\\'e9}{\\ul under}}");
    ASSERT_EQ(r.status, RTFStatus::ok);
    Layout layout;
    layout.setStyledText(r.document);

    std::vector<ShapedRun> runs = shapedRuns(layout.get());
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].text, "plain ");
    EXPECT_EQ(runs[0].weight, PANGO_WEIGHT_NORMAL);
    EXPECT_FALSE(runs[0].underlined);
    EXPECT_EQ(runs[1].text, "bold");
    EXPECT_EQ(runs[1].weight, PANGO_WEIGHT_BOLD);
    // Byte offsets: the two-byte é must not shift the italic run.
    EXPECT_EQ(runs[2].text, "\u00e9t\u00e9");
    EXPECT_NE(runs[2].style, PANGO_STYLE_NORMAL);
    EXPECT_EQ(runs[2].weight, PANGO_WEIGHT_NORMAL);
    EXPECT_EQ(runs[3].text, "under");
    EXPECT_TRUE(runs[3].underlined);
    EXPECT_EQ(runs[3].style, PANGO_STYLE_NORMAL);
}

TEST(RTFPango, LineBreaksStayInTheirParagraph) {
    RTFReadResult r = readRTF("{\\rtf1 one\\line two\\par three}");
    Layout layout;
    layout.setStyledText(r.document);
    ASSERT_EQ(pango_layout_get_line_count(layout.get()), 3);
    EXPECT_TRUE(pango_layout_line_is_paragraph_start(pango_layout_get_line(layout.get(), 0)));
    EXPECT_FALSE(pango_layout_line_is_paragraph_start(pango_layout_get_line(layout.get(), 1)));
    EXPECT_TRUE(pango_layout_line_is_paragraph_start(pango_layout_get_line(layout.get(), 2)));

    // The separator draws nothing: the broken line is as wide as its text alone.
    Layout alone;
    pango_layout_set_text(alone.get(), "one", -1);
    PangoRectangle withBreak;
    PangoRectangle without;
    pango_layout_line_get_pixel_extents(pango_layout_get_line(layout.get(), 0), nullptr,
                                        &withBreak);
    pango_layout_line_get_pixel_extents(pango_layout_get_line(alone.get(), 0), nullptr, &without);
    EXPECT_EQ(withBreak.width, without.width);
}

TEST(RTFPango, CapitalsAndFontsAreAppliedWhenShaped) {
    auto shape = [](const std::string& rtf) {
        // A default face that is not fontconfig's own fallback, to tell the two apart.
        Layout layout("Nimbus Sans 12");
        layout.setStyledText(readRTF(rtf).document);
        return shapedRuns(layout.get());
    };
    std::vector<ShapedRun> capitals = shape("{\\rtf1 LIMITED}");
    ASSERT_EQ(capitals.size(), 1u);
    std::vector<ShapedRun> caps = shape("{\\rtf1 {\\caps Limited}}");
    ASSERT_EQ(caps.size(), 1u);
    EXPECT_EQ(caps[0].glyphs, capitals[0].glyphs);
    // Small capitals: the capital as it is, the rest as capitals of a smaller size.
    std::vector<ShapedRun> small = shape("{\\rtf1 {\\scaps Limited}}");
    std::vector<PangoGlyph> glyphs;
    int width = 0;
    for (const ShapedRun& run : small) {
        glyphs.insert(glyphs.end(), run.glyphs.begin(), run.glyphs.end());
        width += run.width;
    }
    EXPECT_EQ(glyphs, capitals[0].glyphs);
    EXPECT_LT(width, capitals[0].width);
    // Greek capitals drop the tonos.
    EXPECT_EQ(shape("{\\rtf1 {\\caps \\u902?\\u948?\\u949?\\u953?\\u945?}}")[0].glyphs,
              shape("{\\rtf1 \\u913?\\u916?\\u917?\\u921?\\u913?}")[0].glyphs);

    // A named font that fontconfig has a metric-compatible face for draws in that face; an
    // unknown one, and the picture fonts whose characters are Unicode now, in the default face.
    std::vector<ShapedRun> runs = shape("{\\rtf1{\\fonttbl{\\f0\\froman Times New Roman;}"
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
    EXPECT_EQ(resolveFontFamily("No Such Face"), "");
}
