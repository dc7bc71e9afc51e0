// HIObject classes: construct, initialize and destruct reach each class of the chain with
// its own data, in the order a subclass relies on.
#include <Carbon/Carbon.h>
#include <Carbon/HIObject.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the handlers of one test saw, as "class:event" lines.
struct Journal {
    std::vector<std::string> lines;
    OSStatus constructResult = noErr;
    OSStatus initializeResult = noErr;
};

// Each class's instance data names the class, so the journal shows whose data arrived.
struct Instance {
    const char* name;
    Journal* journal;
};

template <const char* Name>
OSStatus classHandler(EventHandlerCallRef call, EventRef event, void* userData) {
    switch (GetEventKind(event)) {
    case kEventHIObjectConstruct: {
        auto* journal = static_cast<Journal*>(userData);
        HIObjectRef object = nullptr;
        GetEventParameter(event, kEventParamHIObjectInstance, typeHIObjectRef, nullptr,
                          sizeof object, nullptr, &object);
        journal->lines.push_back(std::string(Name) + ":construct" +
                                 (object ? "" : " without object"));
        if (journal->constructResult != noErr && std::string(Name) == "derived") {
            return journal->constructResult;
        }
        auto* instance = new Instance{Name, journal};
        SetEventParameter(event, kEventParamHIObjectInstance, typeVoidPtr, sizeof instance,
                          &instance);
        return noErr;
    }
    case kEventHIObjectInitialize: {
        auto* instance = static_cast<Instance*>(userData);
        instance->journal->lines.push_back(std::string(Name) + ":initialize(" + instance->name +
                                           ")");
        if (std::string(Name) == "derived") {
            OSStatus base = CallNextEventHandler(call, event);
            return base != noErr ? base : instance->journal->initializeResult;
        }
        return noErr;
    }
    case kEventHIObjectDestruct: {
        auto* instance = static_cast<Instance*>(userData);
        instance->journal->lines.push_back(std::string(Name) + ":destruct(" + instance->name + ")");
        delete instance;
        return noErr;
    }
    default:
        return eventNotHandledErr;
    }
}

constexpr char kBase[] = "base";
constexpr char kDerived[] = "derived";
const EventTypeSpec kLifecycle[] = {{kEventClassHIObject, kEventHIObjectConstruct},
                                    {kEventClassHIObject, kEventHIObjectInitialize},
                                    {kEventClassHIObject, kEventHIObjectDestruct}};

// An object's whole life through both classes, from construction to destruction.
const std::vector<std::string> kWholeLife{
    "base:construct",        "derived:construct",         "derived:initialize(derived)",
    "base:initialize(base)", "derived:destruct(derived)", "base:destruct(base)"};

class HIObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(HIObjectRegisterSubclass(CFSTR("test.hiobject.base"), nullptr, 0,
                                           classHandler<kBase>, 3, kLifecycle, &m_journal, &m_base),
                  noErr);
        ASSERT_EQ(HIObjectRegisterSubclass(CFSTR("test.hiobject.derived"),
                                           CFSTR("test.hiobject.base"), 0, classHandler<kDerived>,
                                           3, kLifecycle, &m_journal, &m_derived),
                  noErr);
    }
    void TearDown() override {
        EXPECT_EQ(HIObjectUnregisterClass(m_derived), noErr);
        EXPECT_EQ(HIObjectUnregisterClass(m_base), noErr);
    }

    Journal m_journal;
    HIObjectClassRef m_base = nullptr;
    HIObjectClassRef m_derived = nullptr;
};

TEST_F(HIObjectTest, LifecycleRunsThroughTheClassChainWithEachClassData) {
    HIObjectRef object = nullptr;
    ASSERT_EQ(HIObjectCreate(CFSTR("test.hiobject.derived"), nullptr, &object), noErr);
    // Classes stay while they have instances.
    EXPECT_EQ(HIObjectUnregisterClass(m_derived), hiObjectClassHasInstancesErr);

    CFRelease(object);
    EXPECT_EQ(m_journal.lines, kWholeLife);
}

TEST_F(HIObjectTest, FailuresUndoWhatWasConstructed) {
    HIObjectRef object = reinterpret_cast<HIObjectRef>(&m_journal);
    m_journal.initializeResult = memFullErr;
    EXPECT_EQ(HIObjectCreate(CFSTR("test.hiobject.derived"), nullptr, &object), memFullErr);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(m_journal.lines, kWholeLife) << "undone in the order of a release";

    m_journal.lines.clear();
    m_journal.initializeResult = noErr;
    m_journal.constructResult = paramErr;
    EXPECT_EQ(HIObjectCreate(CFSTR("test.hiobject.derived"), nullptr, &object), paramErr);
    EXPECT_EQ(m_journal.lines, (std::vector<std::string>{"base:construct", "derived:construct",
                                                         "base:destruct(base)"}));

    EXPECT_EQ(HIObjectCreate(CFSTR("test.hiobject.missing"), nullptr, &object), paramErr);
    EXPECT_EQ(HIObjectRegisterSubclass(CFSTR("test.hiobject.base"), nullptr, 0, classHandler<kBase>,
                                       3, kLifecycle, &m_journal, nullptr),
              hiObjectClassExistsErr);
}

} // namespace
