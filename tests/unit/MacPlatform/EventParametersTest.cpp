#include <Carbon/CarbonEvents.h>

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <utility>

namespace {

struct EventHolder {
    EventRef event = nullptr;
    EventHolder(UInt32 eventClass, UInt32 kind, EventTime when = 0) {
        EXPECT_EQ(CreateEvent(nullptr, eventClass, kind, when, kEventAttributeNone, &event), noErr);
    }
    ~EventHolder() { ReleaseEvent(event); }
};

template <typename T>
OSStatus set(EventRef event, EventParamName name, EventParamType type, T value) {
    return SetEventParameter(event, name, type, sizeof value, &value);
}
// The parameter read as `type` into *out, its stored type and size in the last two.
template <typename T>
OSStatus get(EventRef event, EventParamName name, EventParamType type, T* out,
             EventParamType* actualType = nullptr, ByteCount* actualSize = nullptr) {
    return GetEventParameter(event, name, type, actualType, sizeof *out, actualSize, out);
}

} // namespace

TEST(Event, CarriesClassKindTimeAndCountsReferences) {
    EventHolder mouse(kEventClassMouse, kEventMouseDown);
    EventHolder stamped(kEventClassWindow, kEventWindowClose, 12.5);
    EXPECT_EQ(SetEventTime(mouse.event, 3.0), noErr);
    EXPECT_EQ((std::pair{GetEventTime(mouse.event), GetEventTime(stamped.event)}),
              (std::pair<EventTime, EventTime>{3.0, 12.5}));

    EXPECT_EQ(RetainEvent(mouse.event), mouse.event);
    EXPECT_EQ(GetEventRetainCount(mouse.event), 2u);
    ReleaseEvent(mouse.event);
    EXPECT_EQ(GetEventRetainCount(mouse.event), 1u);
    EXPECT_EQ(CreateEvent(nullptr, kEventClassMouse, kEventMouseUp, 0, 0, nullptr), paramErr);
}

TEST(Event, ParametersRoundTripReplaceAndReportWhatIsMissing) {
    EventHolder command(kEventClassCommand, kEventCommandProcess);
    HICommand sent{};
    sent.commandID = kHICommandQuit;
    sent.attributes = kHICommandFromMenu;
    ASSERT_EQ(set(command.event, kEventParamDirectObject, typeHICommand, sent), noErr);

    HICommand received{};
    EventParamType actualType = 0;
    ByteCount actualSize = 0;
    ASSERT_EQ(get(command.event, kEventParamDirectObject, typeHICommand, &received, &actualType,
                  &actualSize),
              noErr);
    EXPECT_EQ((std::tuple{received.commandID, received.attributes, actualType, actualSize}),
              (std::tuple{UInt32(kHICommandQuit), UInt32(kHICommandFromMenu),
                          EventParamType(typeHICommand), ByteCount(sizeof(HICommand))}));

    // Setting the same name again replaces type and value.
    UInt32 modifiers = cmdKey | shiftKey;
    ASSERT_EQ(set(command.event, kEventParamDirectObject, typeUInt32, modifiers), noErr);
    EXPECT_EQ(get(command.event, kEventParamDirectObject, typeHICommand, &received),
              errAECoercionFail);
    UInt32 readBack = 0;
    EXPECT_EQ(get(command.event, kEventParamDirectObject, typeWildCard, &readBack, &actualType),
              noErr);
    EXPECT_EQ(readBack, modifiers);
    EXPECT_EQ(actualType, static_cast<EventParamType>(typeUInt32));

    EXPECT_EQ(get(command.event, kEventParamKeyCode, typeUInt32, &readBack),
              eventParameterNotFoundErr);
    EXPECT_EQ(SetEventParameter(command.event, kEventParamKeyCode, typeUInt32, 4, nullptr),
              paramErr);

    // A short buffer gets the start of the value and the full size.
    const char codes[] = {'a', 'b', 'c'};
    ASSERT_EQ(
        SetEventParameter(command.event, kEventParamKeyMacCharCodes, typeChar, sizeof codes, codes),
        noErr);
    ByteCount size = 0;
    char buffer[4] = {'-', '-', '-', '-'};
    EXPECT_EQ(GetEventParameter(command.event, kEventParamKeyMacCharCodes, typeChar, nullptr, 1,
                                &size, buffer),
              noErr);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::memcmp(buffer, "a---", 4), 0);
    EXPECT_EQ(GetEventParameter(command.event, kEventParamKeyMacCharCodes, typeChar, nullptr, 1,
                                nullptr, nullptr),
              paramErr);
}

TEST(Event, PointsAndRectanglesConvertBetweenQuickDrawAndHIGeometry) {
    EventHolder mouse(kEventClassMouse, kEventMouseMoved);
    ASSERT_EQ(
        set(mouse.event, kEventParamWindowMouseLocation, typeHIPoint, CGPointMake(12.9, -3.7)),
        noErr);
    Point qd{};
    ASSERT_EQ(get(mouse.event, kEventParamWindowMouseLocation, typeQDPoint, &qd), noErr);
    EXPECT_EQ((std::pair{qd.h, qd.v}), (std::pair<short, short>{12, -3}));
    set(mouse.event, kEventParamMouseLocation, typeHIPoint, CGPointMake(40000, 1));
    EXPECT_EQ(get(mouse.event, kEventParamMouseLocation, typeQDPoint, &qd), errAECoercionFail);

    set(mouse.event, kEventParamMouseLocation, typeQDPoint, Point{7, -2});
    HIPoint widened{};
    ASSERT_EQ(get(mouse.event, kEventParamMouseLocation, typeHIPoint, &widened), noErr);
    EXPECT_EQ((std::pair{widened.x, widened.y}), (std::pair<CGFloat, CGFloat>{-2, 7}));

    set(mouse.event, kEventParamBounds, typeQDRectangle, Rect{10, 20, 550, 740});
    HIRect frame{};
    ASSERT_EQ(get(mouse.event, kEventParamBounds, typeHIRect, &frame), noErr);
    EXPECT_TRUE(CGRectEqualToRect(frame, CGRectMake(20, 10, 720, 540)));

    // A rectangle given with a negative size reads as its standard form.
    set(mouse.event, kEventParamBounds, typeHIRect, CGRectMake(100, 50, -30, -20));
    Rect converted{};
    ASSERT_EQ(get(mouse.event, kEventParamBounds, typeQDRectangle, &converted), noErr);
    EXPECT_EQ((std::tuple{converted.top, converted.left, converted.bottom, converted.right}),
              (std::tuple<short, short, short, short>{30, 70, 50, 100}));
}
TEST(CGGeometry, EdgesIntersectionsAndUnions) {
    CGRect r = CGRectMake(10, 20, 30, 40);
    EXPECT_TRUE(CGRectContainsPoint(r, CGPointMake(10, 20)));
    EXPECT_FALSE(CGRectContainsPoint(r, CGPointMake(40, 30)));
    EXPECT_FALSE(CGRectContainsPoint(r, CGPointMake(20, 60)));
    EXPECT_EQ((std::pair{CGRectGetMaxX(r), CGRectGetMidY(r)}),
              (std::pair<CGFloat, CGFloat>{40, 40}));
    EXPECT_EQ(CGRectGetMinX(CGRectMake(40, 60, -30, -40)), 10);

    EXPECT_TRUE(CGRectEqualToRect(CGRectIntersection(r, CGRectMake(30, 0, 100, 30)),
                                  CGRectMake(30, 20, 10, 10)));
    EXPECT_TRUE(CGRectIsEmpty(CGRectIntersection(r, CGRectMake(40, 20, 5, 5))));
    EXPECT_FALSE(CGRectIntersectsRect(r, CGRectMake(40, 20, 5, 5)));
    EXPECT_TRUE(CGRectEqualToRect(CGRectUnion(r, CGRectMake(0, 0, 0, 0)), r));
    EXPECT_TRUE(
        CGRectEqualToRect(CGRectUnion(r, CGRectMake(0, 0, 5, 5)), CGRectMake(0, 0, 40, 60)));
    EXPECT_TRUE(CGRectIsEmpty(CGRectInset(r, 20, 0)));
    EXPECT_TRUE(CGRectEqualToRect(CGRectOffset(r, -10, 5), CGRectMake(0, 25, 30, 40)));
}
