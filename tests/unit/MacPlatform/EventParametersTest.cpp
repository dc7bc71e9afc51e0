#include <Carbon/CarbonEvents.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct EventHolder {
    EventRef event = nullptr;
    EventHolder(UInt32 eventClass, UInt32 kind, EventTime when = 0) {
        EXPECT_EQ(CreateEvent(nullptr, eventClass, kind, when, kEventAttributeNone, &event), noErr);
    }
    ~EventHolder() { ReleaseEvent(event); }
};

} // namespace

TEST(Event, CarriesClassKindTimeAndCountsReferences) {
    EventTime before = GetCurrentEventTime();
    EventHolder mouse(kEventClassMouse, kEventMouseDown);
    EventTime after = GetCurrentEventTime();
    ASSERT_NE(mouse.event, nullptr);
    EXPECT_EQ(GetEventClass(mouse.event), static_cast<UInt32>(kEventClassMouse));
    EXPECT_EQ(GetEventKind(mouse.event), static_cast<UInt32>(kEventMouseDown));
    // A time of 0 means "now".
    EXPECT_GE(GetEventTime(mouse.event), before);
    EXPECT_LE(GetEventTime(mouse.event), after);

    EventHolder stamped(kEventClassWindow, kEventWindowClose, 12.5);
    EXPECT_EQ(GetEventTime(stamped.event), 12.5);
    EXPECT_EQ(SetEventTime(stamped.event, 3.0), noErr);
    EXPECT_EQ(GetEventTime(stamped.event), 3.0);

    EXPECT_EQ(GetEventRetainCount(mouse.event), 1u);
    EXPECT_EQ(RetainEvent(mouse.event), mouse.event);
    EXPECT_EQ(GetEventRetainCount(mouse.event), 2u);
    ReleaseEvent(mouse.event);
    EXPECT_EQ(GetEventRetainCount(mouse.event), 1u);

    EXPECT_EQ(CreateEvent(nullptr, kEventClassMouse, kEventMouseUp, 0, 0, nullptr), paramErr);
    EXPECT_EQ(GetEventClass(nullptr), 0u);
    EXPECT_EQ(GetEventKind(nullptr), 0u);
    EXPECT_EQ(RetainEvent(nullptr), nullptr);
    ReleaseEvent(nullptr);
}

TEST(Event, ParametersRoundTripReplaceAndReportWhatIsMissing) {
    EventHolder command(kEventClassCommand, kEventCommandProcess);
    HICommand sent{};
    sent.commandID = kHICommandQuit;
    sent.attributes = kHICommandFromMenu;
    ASSERT_EQ(SetEventParameter(command.event, kEventParamDirectObject, typeHICommand, sizeof sent,
                                &sent),
              noErr);

    HICommand received{};
    EventParamType actualType = 0;
    ByteCount actualSize = 0;
    ASSERT_EQ(GetEventParameter(command.event, kEventParamDirectObject, typeHICommand, &actualType,
                                sizeof received, &actualSize, &received),
              noErr);
    EXPECT_EQ(received.commandID, static_cast<UInt32>(kHICommandQuit));
    EXPECT_EQ(received.attributes, static_cast<UInt32>(kHICommandFromMenu));
    EXPECT_EQ(actualType, static_cast<EventParamType>(typeHICommand));
    EXPECT_EQ(actualSize, sizeof(HICommand));

    // The extended record has the same layout and is read with the same type.
    HICommandExtended extended{};
    ASSERT_EQ(GetEventParameter(command.event, kEventParamDirectObject, typeHICommand, nullptr,
                                sizeof extended, nullptr, &extended),
              noErr);
    EXPECT_EQ(extended.commandID, static_cast<UInt32>(kHICommandQuit));

    // Setting the same name again replaces type and value.
    UInt32 modifiers = cmdKey | shiftKey;
    ASSERT_EQ(SetEventParameter(command.event, kEventParamDirectObject, typeUInt32,
                                sizeof modifiers, &modifiers),
              noErr);
    EXPECT_EQ(GetEventParameter(command.event, kEventParamDirectObject, typeHICommand, nullptr,
                                sizeof received, nullptr, &received),
              errAECoercionFail);
    UInt32 readBack = 0;
    EXPECT_EQ(GetEventParameter(command.event, kEventParamDirectObject, typeWildCard, &actualType,
                                sizeof readBack, &actualSize, &readBack),
              noErr);
    EXPECT_EQ(readBack, modifiers);
    EXPECT_EQ(actualType, static_cast<EventParamType>(typeUInt32));

    EXPECT_EQ(GetEventParameter(command.event, kEventParamKeyCode, typeUInt32, nullptr,
                                sizeof readBack, nullptr, &readBack),
              eventParameterNotFoundErr);
    EXPECT_EQ(GetEventParameter(nullptr, kEventParamKeyCode, typeUInt32, nullptr, sizeof readBack,
                                nullptr, &readBack),
              paramErr);
    EXPECT_EQ(SetEventParameter(nullptr, kEventParamKeyCode, typeUInt32, 4, &readBack), paramErr);
    EXPECT_EQ(SetEventParameter(command.event, kEventParamKeyCode, typeUInt32, 4, nullptr),
              paramErr);
}

TEST(Event, ShortBuffersGetThePrefixAndTheFullSize) {
    EventHolder key(kEventClassKeyboard, kEventRawKeyDown);
    const char codes[] = {'a', 'b', 'c'};
    ASSERT_EQ(
        SetEventParameter(key.event, kEventParamKeyMacCharCodes, typeChar, sizeof codes, codes),
        noErr);

    ByteCount size = 0;
    EXPECT_EQ(GetEventParameter(key.event, kEventParamKeyMacCharCodes, typeChar, nullptr, 0, &size,
                                nullptr),
              noErr);
    EXPECT_EQ(size, 3u);

    char buffer[4] = {'-', '-', '-', '-'};
    EXPECT_EQ(GetEventParameter(key.event, kEventParamKeyMacCharCodes, typeChar, nullptr, 1, &size,
                                buffer),
              noErr);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::memcmp(buffer, "a---", 4), 0);

    EXPECT_EQ(GetEventParameter(key.event, kEventParamKeyMacCharCodes, typeChar, nullptr, 1,
                                nullptr, nullptr),
              paramErr);
}

TEST(Event, PointsAndRectanglesConvertBetweenQuickDrawAndHIGeometry) {
    EventHolder mouse(kEventClassMouse, kEventMouseMoved);
    HIPoint where = CGPointMake(12.9, -3.7);
    ASSERT_EQ(SetEventParameter(mouse.event, kEventParamWindowMouseLocation, typeHIPoint,
                                sizeof where, &where),
              noErr);
    Point qd{};
    ASSERT_EQ(GetEventParameter(mouse.event, kEventParamWindowMouseLocation, typeQDPoint, nullptr,
                                sizeof qd, nullptr, &qd),
              noErr);
    EXPECT_EQ(qd.h, 12);
    EXPECT_EQ(qd.v, -3);

    HIPoint far = CGPointMake(40000, 1);
    SetEventParameter(mouse.event, kEventParamMouseLocation, typeHIPoint, sizeof far, &far);
    EXPECT_EQ(GetEventParameter(mouse.event, kEventParamMouseLocation, typeQDPoint, nullptr,
                                sizeof qd, nullptr, &qd),
              errAECoercionFail);

    Point stored{7, -2};
    SetEventParameter(mouse.event, kEventParamMouseLocation, typeQDPoint, sizeof stored, &stored);
    HIPoint widened{};
    ASSERT_EQ(GetEventParameter(mouse.event, kEventParamMouseLocation, typeHIPoint, nullptr,
                                sizeof widened, nullptr, &widened),
              noErr);
    EXPECT_EQ(widened.x, -2);
    EXPECT_EQ(widened.y, 7);

    EventHolder init(kEventClassHIObject, kEventHIObjectInitialize);
    Rect bounds{10, 20, 550, 740};
    SetEventParameter(init.event, kEventParamBounds, typeQDRectangle, sizeof bounds, &bounds);
    HIRect frame{};
    ASSERT_EQ(GetEventParameter(init.event, kEventParamBounds, typeHIRect, nullptr, sizeof frame,
                                nullptr, &frame),
              noErr);
    EXPECT_TRUE(CGRectEqualToRect(frame, CGRectMake(20, 10, 720, 540)));

    // A rectangle given with a negative size reads as its standard form.
    HIRect flipped = CGRectMake(100, 50, -30, -20);
    SetEventParameter(init.event, kEventParamBounds, typeHIRect, sizeof flipped, &flipped);
    Rect converted{};
    ASSERT_EQ(GetEventParameter(init.event, kEventParamBounds, typeQDRectangle, nullptr,
                                sizeof converted, nullptr, &converted),
              noErr);
    EXPECT_EQ(converted.left, 70);
    EXPECT_EQ(converted.top, 30);
    EXPECT_EQ(converted.right, 100);
    EXPECT_EQ(converted.bottom, 50);
}

TEST(CGGeometry, EdgesIntersectionsAndUnions) {
    CGRect r = CGRectMake(10, 20, 30, 40);
    EXPECT_TRUE(CGRectContainsPoint(r, CGPointMake(10, 20)));
    EXPECT_FALSE(CGRectContainsPoint(r, CGPointMake(40, 30)));
    EXPECT_FALSE(CGRectContainsPoint(r, CGPointMake(20, 60)));
    EXPECT_EQ(CGRectGetMaxX(r), 40);
    EXPECT_EQ(CGRectGetMidY(r), 40);

    CGRect negative = CGRectMake(40, 60, -30, -40);
    EXPECT_TRUE(CGRectEqualToRect(negative, r));
    EXPECT_EQ(CGRectGetMinX(negative), 10);

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
