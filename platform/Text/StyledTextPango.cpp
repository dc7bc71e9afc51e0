#include "StyledTextPango.h"

#include <pango/pango.h>

#include <algorithm>
#include <limits>

namespace MacPlatform {

namespace {

void insertAttribute(PangoAttrList* list, PangoAttribute* attribute, const StyleRun& run) {
    constexpr size_t limit = std::numeric_limits<guint>::max();
    attribute->start_index = static_cast<guint>(std::min(run.start, limit));
    attribute->end_index = static_cast<guint>(std::min(run.end, limit));
    pango_attr_list_insert(list, attribute);
}

} // namespace

PangoAttrList* createPangoAttributes(const StyledText& styled) {
    PangoAttrList* list = pango_attr_list_new();
    for (const StyleRun& run : styled.runs) {
        if (run.style.bold) {
            insertAttribute(list, pango_attr_weight_new(PANGO_WEIGHT_BOLD), run);
        }
        if (run.style.italic) {
            insertAttribute(list, pango_attr_style_new(PANGO_STYLE_ITALIC), run);
        }
        if (run.style.underline) {
            insertAttribute(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE), run);
        }
    }
    return list;
}

} // namespace MacPlatform
